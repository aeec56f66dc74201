#include "host/OutputCheck.h"

#include "framework/AtomicFile.h"
#include "host/ExitStatus.h"
#include "host/MessageStream.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <map>

#include <QorvPlatform/FileSwap.h>

#include <sys/stat.h>
#include <unistd.h>

namespace qorvhost
{
namespace
{
namespace fs = std::filesystem;

// Whether name is frame-<digits>.png, the name of an editor frame of mix --png-every.
bool IsFrameName(const std::string& name)
{
  const std::string prefix = "frame-", suffix = ".png";
  if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return false;
  const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  return digits.find_first_not_of("0123456789") == std::string::npos;
}

// What tells a file apart: its device and inode when it exists (through any link), else the place its
// path names (at the end of its links, where it will be made).
std::string FileKey(const std::string& path)
{
  struct stat st;
  if (stat(path.c_str(), &st) == 0)
    return "file " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  std::string target;
  if (!iplugin::ResolveLinks(path, target)) target = path;
  std::error_code ec;
  // Made absolute first: a relative path with no existing part is otherwise left relative.
  return "path " + fs::weakly_canonical(fs::absolute(target, ec), ec).string();
}

bool SameFile(const std::string& a, const std::string& b)
{
  return FileKey(a) == FileKey(b);
}

// Whether path is named as a frame in folder (the frame need not exist yet).
bool IsFrameFileIn(const std::string& path, const std::string& folder)
{
  if (!IsFrameName(fs::path(path).filename().string())) return false;
  const fs::path parent = fs::path(path).parent_path();
  return SameFile(parent.empty() ? "." : parent.string(), folder);
}

// The regular files of a bundle folder (its own links followed, a few levels deep: a link back up would
// otherwise lead round and round).
std::vector<NamedPath> BundleFiles(const std::string& bundle)
{
  constexpr int kDeepest = 6; // Contents/Resources/<folder>/... holds a bundle's files
  std::vector<NamedPath> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(bundle, fs::directory_options::follow_directory_symlink, ec), end;
       !ec && it != end; it.increment(ec))
  {
    if (it.depth() >= kDeepest) it.disable_recursion_pending();
    if (it->is_regular_file(ec)) files.push_back({"--plugin", it->path().string()});
  }
  return files;
}

// The frames already in the folder: a hard or symbolic link among them is a file they would overwrite.
std::vector<NamedPath> FramesIn(const std::string& folder)
{
  std::vector<NamedPath> frames;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (IsFrameName(it->path().filename().string()))
      frames.push_back({"the --png-every frame", it->path().string()});
  return frames;
}

// Why no file can be made in folder (and removed or renamed there), or "" when one can.
std::string FolderUnwritable(const std::string& folder)
{
  struct stat st;
  if (stat(folder.c_str(), &st) != 0)
    return errno == ENOENT ? "no folder " + folder : folder + ": " + SystemReason(errno);
  if (!S_ISDIR(st.st_mode)) return folder + " is not a folder";
  if (access(folder.c_str(), W_OK | X_OK) != 0) return "the folder " + folder + ": " + SystemReason(errno);
  if (qorvplatform::WhyNotReplaceable(folder.c_str()) == qorvplatform::Unreplaceable::kAppendOnly)
    return "the folder " + folder + " is append-only";
  return "";
}

// Why a new file cannot be put in place of what is at target (links followed), or "" (also when nothing
// is there): a folder or no regular file (a named pipe or a device cannot be put in place of), or an old
// file that the system will not let be replaced.
std::string NotReplaceable(const std::string& target)
{
  struct stat st;
  if (stat(target.c_str(), &st) != 0) return "";
  constexpr char kHow[] = ": the host writes its outputs as regular files only";
  if (S_ISDIR(st.st_mode)) return "is a folder";
  if (S_ISFIFO(st.st_mode)) return std::string("is a named pipe") + kHow;
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return std::string("is a device") + kHow;
  if (!S_ISREG(st.st_mode)) return "is not a regular file";
  switch (qorvplatform::WhyNotReplaceable(target.c_str()))
  {
  case qorvplatform::Unreplaceable::kReplaceable:
    break;
  case qorvplatform::Unreplaceable::kImmutable:
    return "is immutable";
  case qorvplatform::Unreplaceable::kAppendOnly:
    return "is append-only";
  case qorvplatform::Unreplaceable::kReadOnlyFileSystem:
    return "is on a read-only file system";
  case qorvplatform::Unreplaceable::kMountPoint:
    return "is a mount point";
  case qorvplatform::Unreplaceable::kOthersInStickyFolder:
    return "is another user's file in a folder with the sticky bit, where only its owner may replace it";
  }
  return "";
}

// Why the output at path cannot be written where it is named, or "": what is there cannot be replaced,
// or its folder (the one of a symbolic link's target, where the new file is made) is missing or not
// writable.
std::string OutputUnwritable(const std::string& path)
{
  std::string target;
  if (!iplugin::ResolveLinks(path, target)) return SystemReason(errno);
  if (const std::string why = NotReplaceable(target); !why.empty()) return why;
  if (target.back() == '/') return "names a folder";
  const fs::path parent = fs::path(target).parent_path();
  return FolderUnwritable(parent.empty() ? "." : parent.string());
}

// Why mix --png-every cannot write its frames into folder, or "": a folder that the run makes needs a
// writable folder above it; an old frame there (frames, as listed) must be one that can be replaced.
std::string FrameFolderUnwritable(const std::string& folder, const std::vector<NamedPath>& frames)
{
  std::string target;
  if (!iplugin::ResolveLinks(folder, target)) return SystemReason(errno);
  std::error_code ec;
  fs::path existing = fs::absolute(target, ec).lexically_normal();
  while (!fs::exists(existing, ec) && existing.has_relative_path())
    existing = existing.parent_path();
  if (const std::string why = FolderUnwritable(existing.string()); !why.empty()) return why;
  for (const NamedPath& frame : frames)
  {
    if (!iplugin::ResolveLinks(frame.path, target)) return frame.path + ": " + SystemReason(errno);
    if (const std::string why = NotReplaceable(target); !why.empty()) return frame.path + ": " + why;
  }
  return "";
}

// False with "OPTION PATH: cannot write (REASON)" for the first output that cannot be written.
bool CheckWritable(const RunFiles& files, const std::vector<NamedPath>& frames, std::string& error)
{
  for (const NamedPath& out : files.outputs)
    if (!out.path.empty())
      if (const std::string why = OutputUnwritable(out.path); !why.empty())
      {
        error = out.option + " " + out.path + ": cannot write (" + why + ")";
        return false;
      }
  if (files.frameFolder.empty()) return true;
  const std::string why = FrameFolderUnwritable(files.frameFolder, frames);
  if (why.empty()) return true;
  error = "--png-every " + files.frameFolder + ": cannot write (" + why + ")";
  return false;
}
} // namespace

int CheckOutputs(const RunFiles& files, std::string& error)
{
  std::vector<NamedPath> inputs = files.inputs;
  if (!files.bundle.empty())
    for (NamedPath& file : BundleFiles(files.bundle))
      inputs.push_back(std::move(file));
  std::vector<NamedPath> outputs = files.outputs;
  std::vector<NamedPath> frames; // listed once: a folder may hold thousands
  if (!files.frameFolder.empty())
  {
    // No file named there may be one of the frames, whether it exists yet or not.
    for (const std::vector<NamedPath>* list : {&inputs, &outputs})
      for (const NamedPath& named : *list)
        if (!named.path.empty() && IsFrameFileIn(named.path, files.frameFolder))
        {
          error = named.option + " " + named.path + " is in the folder of --png-every, where the editor's " +
                  "frames are written; an output must not overwrite an input or another output";
          return kExitUsage;
        }
    frames = FramesIn(files.frameFolder);
    outputs.insert(outputs.end(), frames.begin(), frames.end());
  }
  // Each file once, by its key; the outputs from the last, so that a clash names the later of two outputs
  // as the file the earlier would overwrite. Thousands of frames take one look each.
  std::map<std::string, const NamedPath*> seen;
  for (const NamedPath& in : inputs)
    if (!in.path.empty()) seen.emplace(FileKey(in.path), &in);
  for (auto out = outputs.rbegin(); out != outputs.rend(); ++out)
  {
    if (out->path.empty()) continue;
    const auto [at, added] = seen.emplace(FileKey(out->path), &*out);
    if (added) continue;
    error = out->option + " " + out->path + " is the same file as " + at->second->option + " (" +
            at->second->path + "); an output must not overwrite an input or another output";
    return kExitUsage;
  }
  return CheckWritable(files, frames, error) ? kExitDone : kExitFailed;
}
} // namespace qorvhost
