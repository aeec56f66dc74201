// Stand-in for the AppKit alert panel. Answers come from the scripted queue of QorvPlatform/Dialogs.h;
// with none queued the default button is pressed. Each panel is recorded, and told on standard error
// when QorvPlatform is told to show it to the user.
#pragma once

#include <string>

// Panel results.
enum
{
  NSAlertDefaultReturn = 1,
  NSAlertAlternateReturn = 0,
  NSAlertOtherReturn = -1,
  NSAlertErrorReturn = -2
};

// Shows a modal alert with up to three buttons (null or empty: no such button). The message is the
// format "%@" applied to the text, so it is shown as it stands.
long NSRunAlertPanel(const std::string& title, const std::string& messageFormat, const char* defaultButton,
                     const char* alternateButton, const char* otherButton, const std::string& message);
