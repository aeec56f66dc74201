// A scratch folder of the fuzz target's own, made once under TMPDIR (else /tmp) and removed with all it
// holds when the process exits, so that a run leaves nothing behind however often it runs.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace qorvfuzz
{
inline const std::string& ScratchFolder()
{
  static const std::string folder = []
  {
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "qorv-fuzz-XXXXXX").string();
    if (ec || !mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  static const bool removedAtExit = std::atexit(
                                        []
                                        {
                                          std::error_code ec;
                                          std::filesystem::remove_all(folder, ec);
                                        }) == 0;
  (void)removedAtExit;
  return folder;
}
} // namespace qorvfuzz
