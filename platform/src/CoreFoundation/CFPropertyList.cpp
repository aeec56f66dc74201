#include "platform/src/CoreFoundation/CFRuntime.h"

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFPropertyList.h>
#include <CoreFoundation/CFString.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
constexpr int kMaxDepth = 256;
const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Releases a reference when it goes out of scope unless taken.
struct Owned
{
  explicit Owned(CFTypeRef r = nullptr) : ref(r) {}
  ~Owned() { CFRelease(ref); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  CFTypeRef Take()
  {
    CFTypeRef r = ref;
    ref = nullptr;
    return r;
  }
  CFTypeRef ref;
};

class Reader
{
public:
  Reader(const char* text, size_t size) : p(text), end(text + size) {}

  CFTypeRef Parse()
  {
    if (!SkipMisc()) return nullptr;
    Tag tag;
    if (!ReadTag(&tag) || tag.isEnd) return Fail("a value or <plist> was expected"), nullptr;
    Owned value(nullptr);
    if (tag.name == "plist")
    {
      if (tag.selfClosing) return Fail("empty <plist>"), nullptr;
      Tag inner;
      if (!SkipMisc() || !ReadTag(&inner) || inner.isEnd) return Fail("<plist> holds no value"), nullptr;
      value.ref = ParseValue(inner);
      Tag close;
      if (!value.ref || !SkipMisc() || !ReadTag(&close) || !close.isEnd || close.name != "plist")
        return Fail("</plist> was expected"), nullptr;
    }
    else
      value.ref = ParseValue(tag);
    if (!value.ref || !SkipMisc()) return nullptr;
    if (p != end) return Fail("text after the property list"), nullptr;
    return value.Take();
  }

  const std::string& Error() const { return error; }

private:
  struct Tag
  {
    std::string name;
    bool isEnd = false;
    bool selfClosing = false;
  };

  bool Fail(const char* message)
  {
    if (error.empty()) error = "line " + std::to_string(line) + ": " + message;
    return false;
  }

  bool StartsWith(const char* s) const
  {
    size_t n = std::strlen(s);
    return static_cast<size_t>(end - p) >= n && std::memcmp(p, s, n) == 0;
  }

  void Advance()
  {
    if (*p == '\n') ++line;
    ++p;
  }

  // Skips to just behind `terminator`; false when it never comes.
  bool SkipPast(const char* terminator)
  {
    while (p < end && !StartsWith(terminator))
      Advance();
    if (p == end) return Fail("unterminated markup");
    p += std::strlen(terminator);
    return true;
  }

  // Whitespace, comments, processing instructions and the document type.
  bool SkipMisc()
  {
    for (;;)
    {
      while (p < end && std::isspace(static_cast<unsigned char>(*p)))
        Advance();
      if (StartsWith("<?"))
      {
        if (!SkipPast("?>")) return false;
      }
      else if (StartsWith("<!--"))
      {
        if (!SkipPast("-->")) return false;
      }
      else if (StartsWith("<!DOCTYPE"))
      {
        if (!SkipPast(">")) return false;
      }
      else
        return true;
    }
  }

  bool ReadTag(Tag* tag)
  {
    if (p == end || *p != '<') return Fail("markup was expected");
    ++p;
    if (p < end && *p == '/')
    {
      tag->isEnd = true;
      ++p;
    }
    while (p < end && (std::isalnum(static_cast<unsigned char>(*p)) || std::strchr("_:.-", *p)))
      tag->name.push_back(*p++);
    if (tag->name.empty()) return Fail("a tag name was expected");
    char quote = 0;
    while (p < end && (quote || *p != '>'))
    {
      if (quote && *p == quote)
        quote = 0;
      else if (!quote && (*p == '"' || *p == '\''))
        quote = *p;
      else if (!quote && *p == '/')
        tag->selfClosing = true;
      else if (!quote && !std::isspace(static_cast<unsigned char>(*p)))
        tag->selfClosing = false;
      Advance();
    }
    if (p == end) return Fail("unterminated tag");
    ++p;
    if (tag->isEnd && tag->selfClosing) return Fail("malformed end tag");
    return true;
  }

  bool ReadEntity(std::string* out)
  {
    const char* semi =
        static_cast<const char*>(std::memchr(p, ';', static_cast<size_t>(std::min<ptrdiff_t>(end - p, 12))));
    if (!semi) return Fail("unterminated entity");
    std::string name(p + 1, semi);
    p = semi + 1;
    if (name == "lt")
      out->push_back('<');
    else if (name == "gt")
      out->push_back('>');
    else if (name == "amp")
      out->push_back('&');
    else if (name == "quot")
      out->push_back('"');
    else if (name == "apos")
      out->push_back('\'');
    else if (name.size() > 1 && name[0] == '#')
    {
      bool hex = name[1] == 'x' || name[1] == 'X';
      const char* digits = name.c_str() + (hex ? 2 : 1);
      if (!*digits) return Fail("bad character reference");
      char* stop = nullptr;
      unsigned long cp = std::strtoul(digits, &stop, hex ? 16 : 10);
      if (*stop || cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return Fail("bad character reference");
      if (cp < 0x80)
        out->push_back(static_cast<char>(cp));
      else if (cp < 0x800)
      {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
      }
      else if (cp < 0x10000)
      {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
      }
      else
      {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
      }
    }
    else
      return Fail("unknown entity");
    return true;
  }

  // The text of an element up to its end tag; no elements inside.
  bool ReadText(const std::string& name, std::string* out)
  {
    for (;;)
    {
      if (p == end) return Fail("unterminated element");
      if (*p == '&')
      {
        if (!ReadEntity(out)) return false;
      }
      else if (StartsWith("<![CDATA["))
      {
        p += 9;
        const char* start = p;
        if (!SkipPast("]]>")) return false;
        out->append(start, p - 3);
      }
      else if (StartsWith("<!--"))
      {
        if (!SkipPast("-->")) return false;
      }
      else if (*p == '<')
      {
        Tag tag;
        if (!ReadTag(&tag)) return false;
        if (!tag.isEnd || tag.name != name) return Fail("unexpected markup inside a text element");
        return true;
      }
      else
      {
        out->push_back(*p);
        Advance();
      }
    }
  }

  static std::string Trim(const std::string& s)
  {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
  }

  bool DecodeBase64(const std::string& text, std::vector<UInt8>* out)
  {
    unsigned acc = 0;
    int bits = 0, pad = 0;
    for (char c : text)
    {
      if (std::isspace(static_cast<unsigned char>(c))) continue;
      if (c == '=')
      {
        ++pad;
        continue;
      }
      const char* at = std::strchr(kBase64, c);
      if (!at || !c || pad) return Fail("bad base64 data");
      acc = (acc << 6) | static_cast<unsigned>(at - kBase64);
      bits += 6;
      if (bits >= 8)
      {
        bits -= 8;
        out->push_back(static_cast<UInt8>((acc >> bits) & 0xFF));
      }
    }
    if (pad > 2) return Fail("bad base64 padding");
    return true;
  }

  CFTypeRef ParseValue(const Tag& tag)
  {
    if (tag.isEnd) return Fail("a value was expected"), nullptr;
    if (depth >= kMaxDepth) return Fail("nested too deeply"), nullptr;
    struct DepthGuard
    {
      int& d;
      explicit DepthGuard(int& depth) : d(depth) { ++d; }
      ~DepthGuard() { --d; }
    } guard(depth);

    const std::string& n = tag.name;
    if (n == "dict") return ParseDict(tag.selfClosing);
    if (n == "array") return ParseArray(tag.selfClosing);
    if (n == "true" || n == "false")
    {
      if (!tag.selfClosing)
      {
        std::string text;
        if (!ReadText(n, &text) || !Trim(text).empty()) return Fail("a boolean holds no text"), nullptr;
      }
      return n == "true" ? kCFBooleanTrue : kCFBooleanFalse;
    }
    std::string text;
    if (!tag.selfClosing && !ReadText(n, &text)) return nullptr;
    if (n == "string")
    {
      CFStringRef s = qorvcf::NewString(text);
      if (!s) Fail("a string is not valid UTF-8");
      return s;
    }
    if (n == "integer")
    {
      std::string t = Trim(text);
      errno = 0;
      char* stop = nullptr;
      long long v = std::strtoll(t.c_str(), &stop, 0);
      if (t.empty() || *stop || errno == ERANGE) return Fail("bad integer"), nullptr;
      return CFNumberCreate(nullptr, kCFNumberSInt64Type, &v);
    }
    if (n == "real")
    {
      std::string t = Trim(text);
      char* stop = nullptr;
      double v = std::strtod(t.c_str(), &stop);
      if (t.empty() || *stop) return Fail("bad real"), nullptr;
      return CFNumberCreate(nullptr, kCFNumberFloat64Type, &v);
    }
    if (n == "data")
    {
      std::vector<UInt8> bytes;
      if (!DecodeBase64(text, &bytes)) return nullptr;
      return CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
    }
    return Fail("unsupported element"), nullptr;
  }

  CFTypeRef ParseDict(bool empty)
  {
    Owned dict(CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                         &kCFTypeDictionaryValueCallBacks));
    if (empty) return dict.Take();
    for (;;)
    {
      Tag key;
      if (!SkipMisc() || !ReadTag(&key)) return nullptr;
      if (key.isEnd)
      {
        if (key.name != "dict") return Fail("mismatched end tag"), nullptr;
        return dict.Take();
      }
      if (key.name != "key") return Fail("<key> was expected"), nullptr;
      std::string keyText;
      if (!key.selfClosing && !ReadText("key", &keyText)) return nullptr;
      Owned keyString(qorvcf::NewString(keyText));
      if (!keyString.ref) return Fail("a key is not valid UTF-8"), nullptr;
      Tag valueTag;
      if (!SkipMisc() || !ReadTag(&valueTag)) return nullptr;
      Owned value(ParseValue(valueTag));
      if (!value.ref) return nullptr;
      CFDictionarySetValue(static_cast<CFMutableDictionaryRef>(const_cast<void*>(dict.ref)), keyString.ref,
                           value.ref);
    }
  }

  CFTypeRef ParseArray(bool empty)
  {
    Owned array(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    if (empty) return array.Take();
    for (;;)
    {
      Tag tag;
      if (!SkipMisc() || !ReadTag(&tag)) return nullptr;
      if (tag.isEnd)
      {
        if (tag.name != "array") return Fail("mismatched end tag"), nullptr;
        return array.Take();
      }
      Owned value(ParseValue(tag));
      if (!value.ref) return nullptr;
      CFArrayAppendValue(static_cast<CFMutableArrayRef>(const_cast<void*>(array.ref)), value.ref);
    }
  }

  const char* p;
  const char* end;
  int line = 1;
  int depth = 0;
  std::string error;
};

void Escape(const std::string& text, std::string* out)
{
  for (char c : text)
  {
    if (c == '&')
      *out += "&amp;";
    else if (c == '<')
      *out += "&lt;";
    else if (c == '>')
      *out += "&gt;";
    else
      out->push_back(c);
  }
}

std::string ShortestReal(double v)
{
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "+infinity" : "-infinity";
  char text[40];
  for (int precision = 1; precision <= 17; ++precision)
  {
    std::snprintf(text, sizeof text, "%.*g", precision, v);
    if (std::strtod(text, nullptr) == v) break;
  }
  return text;
}

bool Write(CFTypeRef value, int depth, std::string* out)
{
  if (depth > kMaxDepth) return false;
  std::string indent(static_cast<size_t>(depth), '\t');
  CFTypeID type = CFGetTypeID(value);
  if (type == CFStringGetTypeID())
  {
    *out += indent + "<string>";
    Escape(qorvcf::Utf8(value), out);
    *out += "</string>\n";
  }
  else if (type == CFBooleanGetTypeID())
    *out += indent + (CFBooleanGetValue(static_cast<CFBooleanRef>(value)) ? "<true/>\n" : "<false/>\n");
  else if (type == CFNumberGetTypeID())
  {
    auto n = static_cast<CFNumberRef>(value);
    if (CFNumberIsFloatType(n))
    {
      double d = 0;
      CFNumberGetValue(n, kCFNumberFloat64Type, &d);
      *out += indent + "<real>" + ShortestReal(d) + "</real>\n";
    }
    else
    {
      long long i = 0;
      CFNumberGetValue(n, kCFNumberSInt64Type, &i);
      *out += indent + "<integer>" + std::to_string(i) + "</integer>\n";
    }
  }
  else if (type == CFDataGetTypeID())
  {
    auto d = static_cast<CFDataRef>(value);
    const UInt8* bytes = CFDataGetBytePtr(d);
    CFIndex n = CFDataGetLength(d);
    std::string encoded;
    for (CFIndex i = 0; i < n; i += 3)
    {
      unsigned v = static_cast<unsigned>(bytes[i]) << 16;
      if (i + 1 < n) v |= static_cast<unsigned>(bytes[i + 1]) << 8;
      if (i + 2 < n) v |= bytes[i + 2];
      encoded += kBase64[(v >> 18) & 63];
      encoded += kBase64[(v >> 12) & 63];
      encoded += i + 1 < n ? kBase64[(v >> 6) & 63] : '=';
      encoded += i + 2 < n ? kBase64[v & 63] : '=';
    }
    *out += indent + "<data>\n";
    for (size_t i = 0; i < encoded.size(); i += 68)
      *out += indent + encoded.substr(i, 68) + "\n";
    *out += indent + "</data>\n";
  }
  else if (type == CFArrayGetTypeID())
  {
    auto a = static_cast<CFArrayRef>(value);
    CFIndex n = CFArrayGetCount(a);
    if (n == 0)
    {
      *out += indent + "<array/>\n";
      return true;
    }
    *out += indent + "<array>\n";
    for (CFIndex i = 0; i < n; ++i)
      if (!Write(CFArrayGetValueAtIndex(a, i), depth + 1, out)) return false;
    *out += indent + "</array>\n";
  }
  else if (type == CFDictionaryGetTypeID())
  {
    auto d = static_cast<CFDictionaryRef>(value);
    CFIndex n = CFDictionaryGetCount(d);
    if (n == 0)
    {
      *out += indent + "<dict/>\n";
      return true;
    }
    std::vector<const void*> keys(static_cast<size_t>(n)), values(static_cast<size_t>(n));
    CFDictionaryGetKeysAndValues(d, keys.data(), values.data());
    std::vector<size_t> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i)
    {
      if (CFGetTypeID(keys[i]) != CFStringGetTypeID()) return false;
      order[i] = i;
    }
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return qorvcf::Utf8(keys[a]) < qorvcf::Utf8(keys[b]); });
    *out += indent + "<dict>\n";
    for (size_t i : order)
    {
      *out += indent + "\t<key>";
      Escape(qorvcf::Utf8(keys[i]), out);
      *out += "</key>\n";
      if (!Write(values[i], depth + 1, out)) return false;
    }
    *out += indent + "</dict>\n";
  }
  else
    return false;
  return true;
}
} // namespace

CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef, CFDataRef data, CFOptionFlags,
                                               CFPropertyListFormat* format, CFErrorRef* error)
{
  if (error) *error = nullptr;
  if (CFGetTypeID(data) != CFDataGetTypeID())
  {
    if (error) *error = qorvcf::NewError(kCFErrorDomainCocoa, kCFPropertyListReadCorruptError, "no data");
    return nullptr;
  }
  const UInt8* bytes = CFDataGetBytePtr(data);
  Reader reader(reinterpret_cast<const char*>(bytes), static_cast<size_t>(CFDataGetLength(data)));
  CFPropertyListRef result = reader.Parse();
  if (!result)
  {
    if (error)
      *error = qorvcf::NewError(kCFErrorDomainCocoa, kCFPropertyListReadCorruptError, reader.Error());
    return nullptr;
  }
  if (format) *format = kCFPropertyListXMLFormat_v1_0;
  return result;
}

CFDataRef CFPropertyListCreateData(CFAllocatorRef, CFPropertyListRef propertyList,
                                   CFPropertyListFormat format, CFOptionFlags, CFErrorRef* error)
{
  if (error) *error = nullptr;
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                    "<plist version=\"1.0\">\n";
  if (format != kCFPropertyListXMLFormat_v1_0 || !propertyList || !Write(propertyList, 0, &out))
  {
    if (error)
      *error = qorvcf::NewError(kCFErrorDomainCocoa, kCFPropertyListWriteStreamError,
                                "not a property list in a supported format");
    return nullptr;
  }
  out += "</plist>\n";
  return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(out.data()), static_cast<CFIndex>(out.size()));
}
