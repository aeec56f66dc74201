// Stand-in for Foundation's file manager: the existence checks.
#pragma once

#include <string>

class NSFileManager
{
public:
  static NSFileManager* defaultManager();
  bool fileExistsAtPath(const std::string& path) const;
  bool fileExistsAtPath(const std::string& path, bool* isDirectory) const;
};
