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

// Every new file flushed to the disk; false with the message of the first that fails.
bool FinishAll(const std::vector<NewOutput>& outputs, std::string& error)
{
  for (const NewOutput& o : outputs)
    if (!o.finished && !o.file->Finish())
    {
      error = CannotWrite(o.path);
      return false;
    }
  return true;
}

// Each new file renamed over its old one, the old one kept aside. When a rename fails, the ones before it
// are put back, the last first, so that every old file is as it was; else the message names each that
// could not be.
PlacingEnd RenameAll(const std::vector<NewOutput>& outputs, std::string& error)
{
  size_t placed = 0;
  for (; placed < outputs.size(); ++placed)
  {
    PausePoint();
    if (!outputs[placed].file->PutInPlaceKeepingOld()) break;
  }
  if (placed == outputs.size()) return PlacingEnd::kPlaced;
  error = CannotWrite(outputs[placed].path);
  PlacingEnd end = PlacingEnd::kPutBack;
  while (placed-- > 0)
    if (!outputs[placed].file->Discard())
    {
      error += "; " + outputs[placed].path + ": its old file could not be put back (" + SystemReason(errno) +
               "): it is kept as " + outputs[placed].file->KeptOld();
      end = PlacingEnd::kNotAllPutBack;
    }
  return end;
}
} // namespace

int PlaceOutputs(const std::vector<NewOutput>& outputs, std::string& error)
{
  std::vector<NewOutput> written;
  for (const NewOutput& o : outputs)
    if (!o.path.empty()) written.push_back(o);
  PausePoint();
  if (!FinishAll(written, error))
  {
    DiscardAll(written);
    return kExitFailed;
  }
  PausePoint();
  // Another run placing outputs in the same folders ends first: two sets are never mixed.
  iplugin::PlacingLock lock;
  std::vector<const iplugin::AtomicFile*> files;
  for (const NewOutput& o : written)
    files.push_back(o.file);
  while (!lock.Take(files))
    if (StopSignal())
    {
      DiscardAll(written);
      return kExitStopped;
    }
  if (!BeginPlacingOutputs())
  {
    DiscardAll(written);
    return kExitStopped;
  }
  const PlacingEnd end = RenameAll(written, error);
  if (end == PlacingEnd::kPlaced)
    for (const NewOutput& o : written)
      o.file->DropOld();
  DiscardAll(written); // after a failed rename, the ones not yet renamed
  lock.Release();
  EndPlacingOutputs(end);
  PausePoint();
  return end == PlacingEnd::kPlaced ? kExitDone : kExitFailed;
}
} // namespace qorvhost
