// Core Foundation strings as the host prints and compares them.
#pragma once

#include <CoreFoundation/CFString.h>

#include <string>

namespace qorvhost
{
// The string as UTF-8 (at most 511 bytes); "" for null.
std::string Text(CFStringRef s);
} // namespace qorvhost
