// Handing an address to the desktop's opener (xdg-open), which shows it in the user's browser, viewer
// or file manager. Private to the platform; main thread.
#pragma once

#include <string>

namespace qorvplatform::detail
{
// The full path of an executable file of that name in a folder of PATH; empty when there is none.
std::string FindOnPath(const std::string& program);
// Starts the program with one argument, detached: the caller does not wait for it, it leaves no zombie,
// and its input and output go to /dev/null. False when it could not be started.
bool LaunchDetached(const std::string& programPath, const std::string& argument);
} // namespace qorvplatform::detail
