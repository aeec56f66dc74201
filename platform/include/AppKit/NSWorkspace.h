// Stand-in for the AppKit workspace: opening an address in the user's browser or a file in its
// application. Every request is recorded (QorvPlatform/Dialogs.h reads the record), printed to standard
// output when QorvPlatform's echo is on, and told to the user (and handed to xdg-open) when QorvPlatform
// is told to show it.
#pragma once

#include <Foundation/NSURL.h>

#include <string>

class NSWorkspace
{
public:
  static NSWorkspace* sharedWorkspace();
  // True when the address could be handed over: a non-null URL with a non-empty address.
  bool openURL(const NSURL* url);
  // Opens an existing file or folder (recorded as its file URL); false when it does not exist.
  bool openFile(const std::string& path);
  // Shows the file selected in a file viewer at the root folder (recorded as "select PATH in ROOT").
  bool selectFile(const std::string& path, const std::string& rootFolder);
};
