#include "host/CFText.h"

namespace qorvhost
{
std::string Text(CFStringRef s)
{
  if (!s) return "";
  char buf[512] = "";
  CFStringGetCString(s, buf, sizeof buf, kCFStringEncodingUTF8);
  return buf;
}
} // namespace qorvhost
