#include "tests/support/TestPaths.h"

#include <cstdlib>
#include <filesystem>

namespace qorvtest
{
std::string SourceDir() { return QORV_SOURCE_DIR; }

std::string BinaryDir() { return QORV_BINARY_DIR; }

std::string DataPath(const std::string& area, const std::string& name)
{
  return SourceDir() + "/tests/data/" + area + "/" + name;
}

std::string ScratchDir(const std::string& name)
{
  namespace fs = std::filesystem;
  // Shards of one binary run side by side and may share a fixture: each gets its own folders.
  fs::path dir = fs::path(BinaryDir()) / "scratch";
  if (const char* shard = std::getenv("GTEST_SHARD_INDEX"))
    dir /= std::string("shard") + shard;
  dir /= name;
  std::error_code ec;
  fs::remove_all(dir, ec);
  // Test binaries running side by side create the shared parent folders at the same moment, and one of
  // them may see its creation fail: it tries again.
  for (int attempt = 0; attempt < 5 && !fs::is_directory(dir, ec); ++attempt)
    fs::create_directories(dir, ec);
  return dir.string();
}
} // namespace qorvtest
