// Stand-in for AppKit pasteboards: the general pasteboard of the process, and the pasteboard of a drag.
// Strings by type; file names as a list.
#pragma once

#include <map>
#include <string>
#include <vector>

extern const char* const NSStringPboardType;
extern const char* const NSFilenamesPboardType;

class NSPasteboard
{
public:
  static NSPasteboard* generalPasteboard();
  // Empties it; returns the new change count.
  long clearContents();
  bool setString(const std::string& utf8, const std::string& type);
  // False when the type is absent (the string is left empty).
  bool stringForType(const std::string& type, std::string& out) const;
  void setFilenames(std::vector<std::string> paths);
  const std::vector<std::string>& filenames() const { return m_filenames; }
  std::vector<std::string> types() const;

private:
  std::map<std::string, std::string> m_strings;
  std::vector<std::string> m_filenames;
  long m_changeCount = 0;
};
