// Control of the user-facing stand-ins (no platform counterpart): scripted answers for alert panels
// and the record of what the workspace was asked to open. Main thread, like the panels themselves.
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

// The addresses handed to the workspace since the last reset, oldest first.
const std::vector<std::string>& OpenedURLs();
// When on, each opened address is also printed to standard output as "open <address>".
void SetEchoOpenedURLs(bool on);

// Forgets queued answers, shown panels and opened addresses; echo off.
void ResetDialogs();
} // namespace qorvplatform
