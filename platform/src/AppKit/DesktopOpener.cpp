#include "DesktopOpener.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace qorvplatform::detail
{
std::string FindOnPath(const std::string& program)
{
  const char* path = std::getenv("PATH");
  if (!path || program.empty() || program.find('/') != std::string::npos) return "";
  const std::string folders = path;
  for (size_t start = 0; start <= folders.size();)
  {
    size_t colon = folders.find(':', start);
    if (colon == std::string::npos) colon = folders.size();
    const std::string folder = folders.substr(start, colon - start);
    start = colon + 1;
    if (folder.empty()) continue; // an empty entry would mean the working folder: never searched
    const std::string candidate = folder + "/" + program;
    struct stat st = {};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return "";
}

bool LaunchDetached(const std::string& programPath, const std::string& argument)
{
  // Everything the child needs is made before fork: after it, only async-signal-safe calls.
  const std::string name = programPath.substr(programPath.rfind('/') + 1);
  char* const argv[] = {const_cast<char*>(name.c_str()), const_cast<char*>(argument.c_str()), nullptr};
  // The grandchild reports a failed exec through this pipe; a successful exec closes it unwritten.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child < 0)
  {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0)
  {
    // The grandchild's parent exits at once, so the program is nobody's child here and leaves no zombie.
    setsid();
    const pid_t grandchild = fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    // The signals a host ignores for its own writes (a reader gone, a file-size limit) end the program
    // as they end any other.
    signal(SIGPIPE, SIG_DFL);
    signal(SIGXFSZ, SIG_DFL);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0)
    {
      dup2(null, STDIN_FILENO);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
    }
    execv(programPath.c_str(), argv);
    const int error = errno;
    (void)!write(report[1], &error, sizeof error);
    _exit(127);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR)
  {
  }
  int error = 0;
  ssize_t got = 0;
  do
    got = read(report[0], &error, sizeof error);
  while (got < 0 && errno == EINTR);
  close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}
} // namespace qorvplatform::detail
