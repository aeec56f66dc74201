// The scripted answers and records shared by the user-facing stand-ins (private to the platform).
#pragma once

#include <string>
#include <vector>

namespace qorvplatform::detail
{
// The next queued menu choice; false when none is queued.
bool TakeMenuChoice(std::vector<int>& path);
void RecordShownMenu(std::vector<std::string> lines, double x, double y);
// Forgets the open, save and colour panels' answers and records.
void ResetPanels();
// Whether what is shown is also told to the user (qorvplatform::SetShowToUser).
bool ShowingToUser();
} // namespace qorvplatform::detail
