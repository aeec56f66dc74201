// Stand-in for Foundation URLs: a web address as given, or a local path as a file URL.
#pragma once

#include <string>

class NSURL
{
public:
  // Null for an empty string (the platform answers nil for a string that is no address).
  static NSURL* URLWithString(const std::string& address);
  // "file://" followed by the path; null for an empty path.
  static NSURL* fileURLWithPath(const std::string& path);

  const std::string& absoluteString() const { return m_address; }
  bool isFileURL() const { return m_isFile; }

  NSURL(std::string address, bool isFile) : m_address(std::move(address)), m_isFile(isFile) {}

private:
  std::string m_address;
  bool m_isFile;
};
