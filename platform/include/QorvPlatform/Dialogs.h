// Control of the user-facing stand-ins (no platform counterpart): scripted answers for alert panels
// and popup menus, typing into the text field being edited, and the record of what was shown and what
// the workspace was asked to open. Main thread, like the panels themselves.
#pragma once

#include <string>
#include <vector>

namespace qorvplatform
{
// One alert panel that was shown.
struct ShownAlert
{
  std::string title;
  std::string message;
  std::vector<std::string> buttons; // default, alternate, other; absent buttons left out
  long answer = 0;                  // the panel's result
};

// Queues the button the next panel "presses": 0 default, 1 alternate, 2 other. A button the panel does
// not have presses the default one.
void ScriptAlertAnswer(int button);
// The panels shown since the last reset, oldest first.
const std::vector<ShownAlert>& ShownAlerts();

// Queues the choice the next popup menu makes: item indices from the shown menu down through
// sub-menus. An empty path, a path that ends on a separator, a disabled item or an item with a
// sub-menu, or no queued answer at all, closes the menu without a choice.
void ScriptMenuChoice(std::vector<int> path);
// One popup menu that was shown: one line per item, "---" for a separator, else the title followed by
// " [on]", " [disabled]", " [indent n]" as they apply and " >" with a sub-menu, whose lines follow
// indented by two spaces; and where it was shown, in the view's points.
struct ShownMenu
{
  std::vector<std::string> items;
  double x = 0;
  double y = 0;
};
// The menus shown since the last reset, oldest first.
const std::vector<ShownMenu>& ShownMenus();

enum class FieldEnd
{
  Return, // the delegate is told that editing ended
  Escape  // the typed text is dropped; the field stays open and nobody is told
};
// Types into the key window's text field being edited: its whole text is selected, so typing replaces
// it; each character the field's formatter refuses is dropped. False when no field is being edited.
bool TypeIntoKeyField(const std::string& utf8, FieldEnd end);

// The addresses handed to the workspace since the last reset, oldest first.
const std::vector<std::string>& OpenedURLs();
// When on, each opened address is also printed to standard output as "open <address>".
void SetEchoOpenedURLs(bool on);
// When on, what the program asks of the system is also told to the person running it, on standard
// error, the same with or without a display: an alert panel as a line `message box "TITLE"`, its message
// lines indented by two blanks, and `message box answer: BUTTON`; an address the workspace opens as
// `open ADDRESS` (a file or folder as its path, followed by ": no such file or folder" when it does not
// exist); an open or save panel as `KIND panel ["TITLE"] [in FOLDER] [for FILE] [(TYPES)]: ` followed by
// the path chosen, or "cancelled, no file chosen" (only a scripted answer chooses). With a display and
// xdg-open on PATH, xdg-open is also started on each web address and existing file, to show it in the
// user's browser, viewer or file manager.
void SetShowToUser(bool on);

// Queues the answer of the next open or save panel: the chosen path, or cancel when empty.
void ScriptPanelAnswer(const std::string& path);
// One open or save panel that was run.
struct ShownPanel
{
  std::string kind; // "open" or "save"
  std::string title;
  std::string directory; // start folder ("file://..." when given as a URL)
  std::string file;      // start file name
  std::vector<std::string> allowedTypes;
  bool allowsOtherTypes = true, canChooseFiles = true, canChooseDirectories = false, canCreateDirectories = false;
  bool floating = false, resolvesAliases = true;
};
const std::vector<ShownPanel>& ShownPanels();

// Forgets queued answers, shown panels and menus and opened addresses; echo and telling the user off.
void ResetDialogs();
} // namespace qorvplatform
