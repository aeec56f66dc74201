#include "host/PlaceOutputs.h"

#include "host/MessageStream.h"
#include "host/SignalStop.h"

#include <cerrno>

namespace qorvhost
{
namespace
{
void DiscardAll(const std::vector<NewOutput>& outputs)
{
  for (const NewOutput& o : outputs)
    o.file->Discard();
}
} // namespace

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

int PlaceOutputs(const std::vector<NewOutput>& outputs, std::string& error)
{
  std::vector<NewOutput> written;
  for (const NewOutput& o : outputs)
    if (!o.path.empty()) written.push_back(o);
  PausePoint();
  for (const NewOutput& o : written)
    if (!o.file->Finish())
    {
      error = CannotWrite(o.path);
      DiscardAll(written);
      return 1;
    }
  PausePoint();
  if (!BeginPlacingOutputs())
  {
    DiscardAll(written);
    return StopStatus();
  }
  int status = 0;
  for (const NewOutput& o : written)
  {
    PausePoint();
    if (status == 0 && !o.file->PutInPlace())
    {
      error = CannotWrite(o.path);
      status = 1;
    }
    o.file->Discard(); // after a failed rename, the ones after it
  }
  EndPlacingOutputs();
  PausePoint();
  return status;
}
} // namespace qorvhost
