#include "host/StageOutputs.h"

#include "host/MessageStream.h"

#include <cerrno>

namespace qorvhost
{
bool OpenOutput(iplugin::AtomicFile& file, const std::string& path, std::string& error)
{
  if (path.empty() || file.Open(path.c_str())) return true;
  error = CannotWrite(path);
  return false;
}

bool StageOutput(iplugin::AtomicFile& file, const std::string& path, const void* bytes, size_t size,
                 std::string& error)
{
  if (path.empty()) return true;
  if (!file.Stream() && !OpenOutput(file, path, error)) return false;
  FILE* f = file.Stream();
  if (f && size > 0 && std::fwrite(bytes, 1, size, f) != size) file.SetFailed(errno);
  return true;
}

bool StagedFiles::Stage(const std::string& path, const void* bytes, size_t size, std::string& error)
{
  auto file = std::make_unique<iplugin::AtomicFile>();
  if (!StageOutput(*file, path, bytes, size, error)) return false;
  if (!file->Finish())
  {
    error = CannotWrite(path);
    return false;
  }
  mFiles.push_back(std::move(file));
  mPaths.push_back(path);
  return true;
}

void StagedFiles::Discard()
{
  mFiles.clear();
  mPaths.clear();
}

void StagedFiles::AddTo(std::vector<NewOutput>& outputs) const
{
  for (size_t i = 0; i < mFiles.size(); ++i)
    outputs.push_back({mFiles[i].get(), mPaths[i], true});
}
} // namespace qorvhost
