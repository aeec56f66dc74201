#include <QorvPlatform/Events.h>

#include <cstring>

namespace qorvplatform
{
namespace
{
struct KeyName
{
  const char* name;
  unsigned short keyCode;
  const char* characters; // UTF-8
};

// The platform's characters for these keys: control characters, or its function-key characters
// (U+F700 and up) for the arrows, the page keys and forward delete.
constexpr KeyName kKeys[] = {{"return", 36, "\r"},      {"enter", 76, "\x03"},
                             {"tab", 48, "\t"},         {"space", 49, " "},
                             {"delete", 51, "\x7f"},    {"backspace", 51, "\x7f"},
                             {"escape", 53, "\x1b"},    {"forwarddelete", 117, "\uF728"},
                             {"home", 115, "\uF729"},   {"end", 119, "\uF72B"},
                             {"pageup", 116, "\uF72C"}, {"pagedown", 121, "\uF72D"},
                             {"left", 123, "\uF702"},   {"right", 124, "\uF703"},
                             {"down", 125, "\uF701"},   {"up", 126, "\uF700"},
                             {"help", 114, "\uF746"},   {"f1", 122, "\uF704"},
                             {"f2", 120, "\uF705"},     {"f3", 99, "\uF706"},
                             {"f4", 118, "\uF707"},     {"f5", 96, "\uF708"},
                             {"f6", 97, "\uF709"},      {"f7", 98, "\uF70A"},
                             {"f8", 100, "\uF70B"},     {"f9", 101, "\uF70C"},
                             {"f10", 109, "\uF70D"},    {"f11", 103, "\uF70E"},
                             {"f12", 111, "\uF70F"}};
} // namespace

bool NamedKey(const std::string& name, unsigned short& keyCode, std::string& characters)
{
  for (const KeyName& k : kKeys)
    if (name == k.name)
    {
      keyCode = k.keyCode;
      characters = k.characters;
      return true;
    }
  return false;
}

std::string KeyCharacters(unsigned short keyCode)
{
  for (const KeyName& k : kKeys)
    if (k.keyCode == keyCode) return k.characters;
  return "";
}
} // namespace qorvplatform
