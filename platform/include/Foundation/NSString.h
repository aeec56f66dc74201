// Stand-in for Foundation strings and character sets: UTF-8 text inside, UTF-16 units where the
// platform counts characters.
#pragma once

#include <Foundation/NSObject.h>

#include <memory>
#include <string>
#include <vector>

class NSString : public NSObject
{
public:
  explicit NSString(std::string utf8 = "") : m_utf8(std::move(utf8)) {}
  static std::shared_ptr<NSString> stringWithString(const NSString& s)
  {
    return std::make_shared<NSString>(s.m_utf8);
  }

  const char* UTF8String() const { return m_utf8.c_str(); }
  // UTF-16 code units; malformed bytes count as one unit each.
  std::vector<char16_t> characters() const;
  unsigned long length() const { return characters().size(); }
  // The leading decimal integer, 0 when there is none (saturating as the platform does).
  int intValue() const;

private:
  std::string m_utf8;
};

class NSCharacterSet : public NSObject
{
public:
  static std::shared_ptr<NSCharacterSet> characterSetWithCharactersInString(const std::string& utf8);
  bool characterIsMember(char16_t c) const;

private:
  std::vector<char16_t> m_members;
};
