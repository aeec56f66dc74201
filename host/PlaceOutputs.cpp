#include "host/PlaceOutputs.h"

#include "host/ExitStatus.h"
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

int PlaceOutputs(const std::vector<NewOutput>& outputs, std::string& error)
{
  std::vector<NewOutput> written;
  for (const NewOutput& o : outputs)
    if (!o.path.empty()) written.push_back(o);
  PausePoint();
  for (const NewOutput& o : written)
    if (!o.finished && !o.file->Finish())
    {
      error = CannotWrite(o.path);
      DiscardAll(written);
      return 1;
    }
  PausePoint();
  if (!BeginPlacingOutputs())
  {
    DiscardAll(written);
    return kExitStopped;
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
