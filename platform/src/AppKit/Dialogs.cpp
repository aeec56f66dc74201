#include <AppKit/NSPanel.h>
#include <AppKit/NSWorkspace.h>
#include <QorvPlatform/Dialogs.h>
#include <QorvPlatform/Events.h>

#include "DesktopOpener.h"
#include "ScriptedAnswers.h"

#include <cstdio>
#include <deque>
#include <filesystem>

namespace
{
struct DialogState
{
  std::deque<int> answers;
  std::vector<qorvplatform::ShownAlert> shown;
  std::vector<std::string> opened;
  std::deque<std::vector<int>> menuChoices;
  std::vector<qorvplatform::ShownMenu> shownMenus;
  bool echo = false;
  bool showToUser = false;
};

DialogState& State()
{
  static DialogState state;
  return state;
}

bool Present(const char* button)
{
  return button && *button;
}

// The panel as a person reads it on standard error: its title, its message and the button pressed.
void TellAlert(const qorvplatform::ShownAlert& alert, const std::string& pressed)
{
  std::string text = "message box \"" + alert.title + "\"\n";
  std::string message = alert.message;
  if (!message.empty() && message.back() == '\n') message.pop_back();
  for (size_t start = 0; start <= message.size() && !message.empty();)
  {
    size_t end = message.find('\n', start);
    if (end == std::string::npos) end = message.size();
    const std::string line = message.substr(start, end - start);
    text += line.empty() ? "\n" : "  " + line + "\n";
    start = end + 1;
  }
  text += "message box answer: " + pressed + "\n";
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

// An address the workspace opens, told on standard error, and shown by the desktop's opener when a
// display is there to show it on. A file is told by its path; one that does not exist is only told.
void TellOpened(const NSURL& url)
{
  const std::string& address = url.absoluteString();
  const std::string target = url.isFileURL() ? address.substr(std::string("file://").size()) : address;
  std::error_code ec;
  const bool missing = url.isFileURL() && !std::filesystem::exists(target, ec);
  std::fprintf(stderr, "open %s%s\n", target.c_str(), missing ? ": no such file or folder" : "");
  if (missing || !qorvplatform::DisplayAvailable()) return;
  const std::string opener = qorvplatform::detail::FindOnPath("xdg-open");
  // A relative path that starts with '-' would read as an option.
  const std::string argument = target.rfind('-', 0) == 0 ? "./" + target : target;
  if (!opener.empty() && !qorvplatform::detail::LaunchDetached(opener, argument))
    std::fprintf(stderr, "open %s: %s could not be started\n", target.c_str(), opener.c_str());
}
} // namespace

long NSRunAlertPanel(const std::string& title, const std::string& messageFormat, const char* defaultButton,
                     const char* alternateButton, const char* otherButton, const std::string& message)
{
  DialogState& s = State();
  qorvplatform::ShownAlert alert;
  alert.title = title;
  // Only the "%@" format is supported: the message shown as it stands.
  alert.message = messageFormat == "%@" ? message : messageFormat;
  // A panel always has a default button; AppKit names it "OK" when none is given.
  alert.buttons.push_back(Present(defaultButton) ? defaultButton : "OK");
  if (Present(alternateButton)) alert.buttons.push_back(alternateButton);
  if (Present(otherButton)) alert.buttons.push_back(otherButton);

  int button = 0;
  if (!s.answers.empty())
  {
    button = s.answers.front();
    s.answers.pop_front();
  }
  if (button == 1 && Present(alternateButton))
    alert.answer = NSAlertAlternateReturn;
  else if (button == 2 && Present(otherButton))
    alert.answer = NSAlertOtherReturn;
  else
    alert.answer = NSAlertDefaultReturn;
  if (s.showToUser)
    TellAlert(alert, alert.answer == NSAlertAlternateReturn ? alternateButton
                     : alert.answer == NSAlertOtherReturn   ? otherButton
                                                            : alert.buttons.front());
  s.shown.push_back(alert);
  return alert.answer;
}

NSWorkspace* NSWorkspace::sharedWorkspace()
{
  static NSWorkspace workspace;
  return &workspace;
}

bool NSWorkspace::openFile(const std::string& path)
{
  NSURL* url = NSURL::fileURLWithPath(path);
  std::error_code ec;
  if (url && !std::filesystem::exists(path, ec))
  {
    if (State().showToUser) TellOpened(*url);
    return false;
  }
  return url && openURL(url);
}

bool NSWorkspace::selectFile(const std::string& path, const std::string& rootFolder)
{
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return false;
  State().opened.push_back("select " + path + " in " + rootFolder);
  if (State().showToUser) std::fprintf(stderr, "select %s\n", path.c_str());
  return true;
}

bool NSWorkspace::openURL(const NSURL* url)
{
  if (!url || url->absoluteString().empty()) return false;
  DialogState& s = State();
  s.opened.push_back(url->absoluteString());
  if (s.showToUser) TellOpened(*url);
  if (s.echo)
  {
    std::printf("open %s\n", url->absoluteString().c_str());
    std::fflush(stdout);
  }
  return true;
}

namespace qorvplatform
{
void ScriptAlertAnswer(int button)
{
  State().answers.push_back(button);
}
const std::vector<ShownAlert>& ShownAlerts()
{
  return State().shown;
}
const std::vector<std::string>& OpenedURLs()
{
  return State().opened;
}
void ScriptMenuChoice(std::vector<int> path)
{
  State().menuChoices.push_back(std::move(path));
}
const std::vector<ShownMenu>& ShownMenus()
{
  return State().shownMenus;
}

namespace detail
{
bool TakeMenuChoice(std::vector<int>& path)
{
  DialogState& s = State();
  if (s.menuChoices.empty()) return false;
  path = std::move(s.menuChoices.front());
  s.menuChoices.pop_front();
  return true;
}
void RecordShownMenu(std::vector<std::string> lines, double x, double y)
{
  State().shownMenus.push_back(ShownMenu{std::move(lines), x, y});
}
bool ShowingToUser()
{
  return State().showToUser;
}
} // namespace detail

void SetEchoOpenedURLs(bool on)
{
  State().echo = on;
}

void SetShowToUser(bool on)
{
  State().showToUser = on;
}

void ResetDialogs()
{
  detail::ResetPanels();
  DialogState& s = State();
  s.answers.clear();
  s.shown.clear();
  s.opened.clear();
  s.menuChoices.clear();
  s.shownMenus.clear();
  s.echo = false;
  s.showToUser = false;
}
} // namespace qorvplatform
