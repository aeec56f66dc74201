#include "platform/src/CoreFoundation/CFRuntime.h"

#include <CoreFoundation/CFString.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

struct __CFString : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeString;
  __CFString(std::string text, CFIndex length, bool immortal)
      : Object(kTypeID, immortal), utf8(std::move(text)), utf16Length(length)
  {
  }
  bool Equals(const Object& other) const override
  {
    return utf8 == static_cast<const __CFString&>(other).utf8;
  }
  CFHashCode Hash() const override { return std::hash<std::string>()(utf8); }
  std::string Describe() const override { return utf8; }

  const std::string utf8;
  const CFIndex utf16Length;
};

namespace qorvcf
{
bool ValidUtf8(const std::string& text, CFIndex* utf16Length)
{
  CFIndex units = 0;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  size_t n = text.size(), i = 0;
  while (i < n)
  {
    unsigned c = s[i];
    size_t extra;
    unsigned cp;
    if (c < 0x80)
    {
      extra = 0;
      cp = c;
    }
    else if (c >= 0xC2 && c <= 0xDF)
    {
      extra = 1;
      cp = c & 0x1F;
    }
    else if (c >= 0xE0 && c <= 0xEF)
    {
      extra = 2;
      cp = c & 0x0F;
    }
    else if (c >= 0xF0 && c <= 0xF4)
    {
      extra = 3;
      cp = c & 0x07;
    }
    else
      return false;
    if (i + extra >= n && extra > 0) return false;
    for (size_t k = 1; k <= extra; ++k)
    {
      unsigned cc = s[i + k];
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    units += cp >= 0x10000 ? 2 : 1;
    i += extra + 1;
  }
  if (utf16Length) *utf16Length = units;
  return true;
}

std::string Utf8(CFTypeRef string)
{
  return Utf8Text(string);
}

const std::string& Utf8Text(CFTypeRef string)
{
  static const std::string none;
  const __CFString* s = As<__CFString>(string);
  return s ? s->utf8 : none;
}

CFStringRef NewString(std::string utf8)
{
  CFIndex length = 0;
  if (!ValidUtf8(utf8, &length)) return nullptr;
  return new __CFString(std::move(utf8), length, false);
}
} // namespace qorvcf

namespace
{
// Decodes bytes of the given encoding into UTF-8; false when they are not valid in it.
bool DecodeToUtf8(const char* bytes, size_t n, CFStringEncoding encoding, std::string* out)
{
  out->clear();
  switch (encoding)
  {
  case kCFStringEncodingUTF8:
    out->assign(bytes, n);
    return qorvcf::ValidUtf8(*out, nullptr);
  case kCFStringEncodingASCII:
    for (size_t i = 0; i < n; ++i)
      if (static_cast<unsigned char>(bytes[i]) >= 0x80) return false;
    out->assign(bytes, n);
    return true;
  case kCFStringEncodingISOLatin1:
  case kCFStringEncodingMacRoman: // read as Latin-1; only its ASCII half is exact
    for (size_t i = 0; i < n; ++i)
    {
      unsigned char c = static_cast<unsigned char>(bytes[i]);
      if (c < 0x80)
        out->push_back(static_cast<char>(c));
      else
      {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
      }
    }
    return true;
  default:
    return false;
  }
}

// Encodes UTF-8 text into the encoding; false when a character cannot be represented.
bool EncodeFromUtf8(const std::string& text, CFStringEncoding encoding, std::string* out)
{
  out->clear();
  if (encoding == kCFStringEncodingUTF8)
  {
    *out = text;
    return true;
  }
  if (encoding != kCFStringEncodingASCII && encoding != kCFStringEncodingISOLatin1 &&
      encoding != kCFStringEncodingMacRoman)
    return false;
  unsigned limit = encoding == kCFStringEncodingASCII ? 0x7F : 0xFF;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();)
  {
    unsigned c = s[i];
    unsigned cp;
    if (c < 0x80)
    {
      cp = c;
      i += 1;
    }
    else if ((c & 0xE0) == 0xC0 && i + 1 < text.size())
    {
      cp = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F);
      i += 2;
    }
    else
      return false;
    if (cp > limit) return false;
    out->push_back(static_cast<char>(cp));
  }
  return true;
}

std::string FormatText(const std::string& format, va_list args)
{
  std::string out;
  size_t i = 0;
  while (i < format.size())
  {
    char c = format[i];
    if (c != '%')
    {
      out.push_back(c);
      ++i;
      continue;
    }
    // The conversion is rebuilt with any "*" width or precision replaced by its argument.
    std::string conversion = "%";
    ++i;
    while (i < format.size() && format[i] && std::strchr("-+ #0", format[i]))
      conversion.push_back(format[i++]);
    auto number = [&]
    {
      if (i < format.size() && format[i] == '*')
      {
        conversion += std::to_string(va_arg(args, int));
        ++i;
      }
      else
        while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i])))
          conversion.push_back(format[i++]);
    };
    number();
    if (i < format.size() && format[i] == '.')
    {
      conversion.push_back(format[i++]);
      number();
    }
    int longs = 0;
    bool size_t_mod = false;
    while (i < format.size() && format[i] && std::strchr("hlLqjzt", format[i]))
    {
      if (format[i] == 'l' || format[i] == 'q' || format[i] == 'j') ++longs;
      if (format[i] == 'z' || format[i] == 't') size_t_mod = true;
      conversion.push_back(format[i++]);
    }
    if (i >= format.size()) break;
    char conv = format[i++];
    conversion.push_back(conv);
    char piece[512];
    piece[0] = 0;
    switch (conv)
    {
    case '%':
      out.push_back('%');
      continue;
    case '@':
      out += qorvcf::DescribeValue(va_arg(args, CFTypeRef));
      continue;
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
    case 'c':
      if (longs >= 2)
        std::snprintf(piece, sizeof piece, conversion.c_str(), va_arg(args, long long));
      else if (longs == 1 || size_t_mod)
        std::snprintf(piece, sizeof piece, conversion.c_str(), va_arg(args, long));
      else
        std::snprintf(piece, sizeof piece, conversion.c_str(), va_arg(args, int));
      break;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      std::snprintf(piece, sizeof piece, conversion.c_str(), va_arg(args, double));
      break;
    case 's':
    {
      if (longs) // wide text is not supported: take the argument, print nothing
      {
        va_arg(args, const wchar_t*);
        continue;
      }
      const char* s = va_arg(args, const char*);
      out += s ? s : "(null)";
      continue;
    }
    case 'p':
      std::snprintf(piece, sizeof piece, "%p", va_arg(args, void*));
      break;
    default:
      out += conversion;
      continue;
    }
    out += piece;
  }
  return out;
}
} // namespace

CFStringRef __CFStringMakeConstantString(const char* cStr)
{
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<__CFString>> constants;
  std::lock_guard<std::mutex> lock(mutex);
  std::string text = cStr ? cStr : "";
  auto it = constants.find(text);
  if (it == constants.end())
  {
    CFIndex length = 0;
    qorvcf::ValidUtf8(text, &length);
    it = constants.emplace(text, std::make_unique<__CFString>(text, length, true)).first;
  }
  return it->second.get();
}

CFTypeID CFStringGetTypeID()
{
  return qorvcf::kTypeString;
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* cStr, CFStringEncoding encoding)
{
  if (!cStr) return nullptr;
  std::string text;
  if (!DecodeToUtf8(cStr, std::strlen(cStr), encoding, &text)) return nullptr;
  return qorvcf::NewString(std::move(text));
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean)
{
  if (numBytes < 0 || (!bytes && numBytes > 0)) return nullptr;
  std::string text;
  if (!DecodeToUtf8(reinterpret_cast<const char*>(bytes), static_cast<size_t>(numBytes), encoding, &text))
    return nullptr;
  return qorvcf::NewString(std::move(text));
}

CFStringRef CFStringCreateCopy(CFAllocatorRef, CFStringRef theString)
{
  const __CFString* s = qorvcf::As<__CFString>(theString);
  if (!s) return nullptr;
  // Immutable: a copy is the same object once more.
  return static_cast<CFStringRef>(CFRetain(s));
}

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef, CFTypeRef, CFStringRef format,
                                                 va_list arguments)
{
  if (!qorvcf::As<__CFString>(format)) return nullptr;
  va_list copy;
  va_copy(copy, arguments);
  std::string text = FormatText(qorvcf::Utf8(format), copy);
  va_end(copy);
  return qorvcf::NewString(std::move(text));
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFTypeRef formatOptions, CFStringRef format, ...)
{
  va_list args;
  va_start(args, format);
  CFStringRef result = CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, args);
  va_end(args);
  return result;
}

CFIndex CFStringGetLength(CFStringRef theString)
{
  const __CFString* s = qorvcf::As<__CFString>(theString);
  return s ? s->utf16Length : 0;
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize, CFStringEncoding encoding)
{
  if (!buffer || bufferSize <= 0) return false;
  buffer[0] = 0;
  const __CFString* s = qorvcf::As<__CFString>(theString);
  std::string bytes;
  if (!s || !EncodeFromUtf8(s->utf8, encoding, &bytes) || static_cast<CFIndex>(bytes.size()) + 1 > bufferSize)
    return false;
  std::memcpy(buffer, bytes.data(), bytes.size());
  buffer[bytes.size()] = 0;
  return true;
}

const char* CFStringGetCStringPtr(CFStringRef theString, CFStringEncoding encoding)
{
  const __CFString* s = qorvcf::As<__CFString>(theString);
  return (s && encoding == kCFStringEncodingUTF8) ? s->utf8.c_str() : nullptr;
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding)
{
  if (length < 0) return kCFNotFound;
  return encoding == kCFStringEncodingUTF8 ? length * 3 : length;
}

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags options)
{
  std::string a = qorvcf::Utf8(theString1), b = qorvcf::Utf8(theString2);
  if (options & kCFCompareCaseInsensitive)
  {
    for (char& c : a)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : b)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  int r = a.compare(b);
  return r < 0 ? kCFCompareLessThan : (r > 0 ? kCFCompareGreaterThan : kCFCompareEqualTo);
}
