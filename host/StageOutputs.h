// The outputs of a command staged: each is written to a new file beside its name (through the atomic
// writer), which PlaceOutputs puts in place at the run's end with the others. Until then every old file
// stays as it was. Main thread.
#pragma once

#include "framework/AtomicFile.h"
#include "host/PlaceOutputs.h"

#include <memory>
#include <string>
#include <vector>

namespace qorvhost
{
// Creates the new file of an output; nothing for an empty path. False with "PATH: cannot write (REASON)".
bool OpenOutput(iplugin::AtomicFile& file, const std::string& path, std::string& error);
// An output opened and given its bytes, to be put in place by PlaceOutputs; nothing for an empty path.
bool StageOutput(iplugin::AtomicFile& file, const std::string& path, const void* bytes, size_t size,
                 std::string& error);

// Files staged one after another while a run goes on (mix --png-every's frames): each new file is
// written whole and finished (flushed to the disk and closed) at once, so that however many there are
// they hold no descriptor but their folder's lock file (AtomicFile.h) and a few names' memory each. They
// are removed when this goes unless they were put in place.
class StagedFiles
{
public:
  // False with "PATH: cannot write (REASON)"; then nothing of that file is left.
  bool Stage(const std::string& path, const void* bytes, size_t size, std::string& error);
  // Each staged file as an output that PlaceOutputs puts in place, after those already listed.
  void AddTo(std::vector<NewOutput>& outputs) const;
  size_t Count() const { return mFiles.size(); }
  // Removes the new files not yet put in place.
  void Discard();

private:
  std::vector<std::unique_ptr<iplugin::AtomicFile>> mFiles;
  std::vector<std::string> mPaths;
};
} // namespace qorvhost
