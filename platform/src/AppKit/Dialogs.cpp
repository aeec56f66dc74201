#include <AppKit/NSPanel.h>
#include <AppKit/NSWorkspace.h>
#include <QorvPlatform/Dialogs.h>

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
  const bool opened = url && std::filesystem::exists(path) && openURL(url);
  return opened;
}

bool NSWorkspace::selectFile(const std::string& path, const std::string& rootFolder)
{
  if (!std::filesystem::exists(path)) return false;
  State().opened.push_back("select " + path + " in " + rootFolder);
  return true;
}

bool NSWorkspace::openURL(const NSURL* url)
{
  if (!url || url->absoluteString().empty()) return false;
  DialogState& s = State();
  s.opened.push_back(url->absoluteString());
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
} // namespace detail

void SetEchoOpenedURLs(bool on)
{
  State().echo = on;
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
}
} // namespace qorvplatform
