// In a folder with the sticky bit (as /tmp) a file may be renamed over only by its owner, the folder's
// owner or root. WhyNotReplaceable says so before any rename is tried: what it says is what the kernel
// does, for each owner of the file and of the folder, sticky or not, the runner another user than both.
#include <QorvPlatform/FileSwap.h>
#include <gtest/gtest.h>
#include "tests/support/PipeText.h"
#include "tests/support/TestPaths.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

struct Folder
{
  bool sticky;
  uid_t folderOwner, fileOwner;
};

constexpr Folder kFolders[] = {
    {true, 0, 0},  {true, 0, kNobody},  {true, kNobody, 0},  {true, kNobody, kNobody},
    {false, 0, 0}, {false, 0, kNobody}, {false, kNobody, 0}, {false, kNobody, kNobody},
};

// Each folder with its file "old", every one writable by all (only ownership and the sticky bit differ).
std::string MakeFolders(const std::string& dir)
{
  for (size_t i = 0; i < std::size(kFolders); ++i)
  {
    const std::string folder = dir + "/" + std::to_string(i), file = folder + "/old";
    fs::create_directories(folder);
    std::ofstream(file) << "old";
    if (chown(folder.c_str(), kFolders[i].folderOwner, kFolders[i].folderOwner) != 0 ||
        chown(file.c_str(), kFolders[i].fileOwner, kFolders[i].fileOwner) != 0 ||
        chmod(folder.c_str(), kFolders[i].sticky ? 01777 : 0777) != 0 || chmod(file.c_str(), 0666) != 0)
      return "cannot set the owners and modes of " + folder;
  }
  return "";
}

// As user, for each folder: "S" when the check names the sticky folder, else "-"; then "R" when a
// rename over the old file is refused (EPERM), "r" when it fails otherwise, "-" when it is done.
std::string CheckAndRenameAs(uid_t user, const std::string& dir)
{
  int told[2];
  if (pipe(told) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0)
  {
    close(told[0]);
    if (user != 0 && (setgroups(0, nullptr) != 0 || setgid(user) != 0 || setuid(user) != 0)) _exit(1);
    std::string seen;
    for (size_t i = 0; i < std::size(kFolders); ++i)
    {
      const std::string folder = dir + "/" + std::to_string(i), old = folder + "/old", now = folder + "/new";
      seen +=
          qorvplatform::WhyNotReplaceable(old.c_str()) == qorvplatform::Unreplaceable::kOthersInStickyFolder
              ? 'S'
              : '-';
      std::ofstream(now) << "new";
      seen += std::rename(now.c_str(), old.c_str()) == 0 ? '-' : errno == EPERM ? 'R' : 'r';
    }
    _exit(write(told[1], seen.data(), seen.size()) == ssize_t(seen.size()) ? 0 : 1);
  }
  close(told[1]);
  const std::string seen = qorvtest::ReadToEndAndClose(told[0]);
  int status = -1;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seen : "the child failed";
}

TEST(StickyFolder, TheCheckSaysWhatTheRenameWillDo)
{
  if (geteuid() != 0) GTEST_SKIP() << "making files of other users and running as one needs root";
  // Another user than the owners: only root's file in root's sticky folder cannot be replaced.
  std::string dir = qorvtest::ScratchDir("sticky_folder_other");
  ASSERT_EQ(MakeFolders(dir), "");
  EXPECT_EQ(CheckAndRenameAs(kNobody, dir), "SR"
                                            "--"
                                            "--"
                                            "--"
                                            "--"
                                            "--"
                                            "--"
                                            "--");
  // Root replaces any file anywhere.
  dir = qorvtest::ScratchDir("sticky_folder_root");
  ASSERT_EQ(MakeFolders(dir), "");
  EXPECT_EQ(CheckAndRenameAs(0, dir), std::string(2 * std::size(kFolders), '-'));
}
} // namespace
