#include <CoreFoundation/CoreFoundation.h>
#include <QorvPlatform/CFLiveObjects.h>
#include <gtest/gtest.h>

#include <string>

namespace
{
CFDataRef Bytes(const std::string& text)
{
  return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                      static_cast<CFIndex>(text.size()));
}

std::string AsText(CFDataRef data)
{
  return std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                     static_cast<size_t>(CFDataGetLength(data)));
}

std::string Text(CFTypeRef s)
{
  const char* p = CFStringGetCStringPtr(static_cast<CFStringRef>(s), kCFStringEncodingUTF8);
  return p ? p : "<not a string>";
}

CFPropertyListRef Read(const std::string& text, CFErrorRef* error = nullptr)
{
  CFDataRef data = Bytes(text);
  CFPropertyListRef plist =
      CFPropertyListCreateWithData(nullptr, data, kCFPropertyListImmutable, nullptr, error);
  CFRelease(data);
  return plist;
}

class PropertyList : public ::testing::Test
{
protected:
  void SetUp() override { baseline = qorvplatform::LiveCFObjectCount(); }
  void TearDown() override { EXPECT_EQ(qorvplatform::LiveCFObjectCount(), baseline); }
  long baseline = 0;
};

// The state dictionary a host stores, as an .aupreset file holds it.
CFMutableDictionaryRef ClassInfo()
{
  CFMutableDictionaryRef d =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  SInt32 codes[] = {0x00020102, 0x61756678, 0x4C4B3534, 0x4C6D6B72};
  const char* keys[] = {"version", "type", "subtype", "manufacturer"};
  for (int i = 0; i < 4; ++i)
  {
    CFNumberRef n = CFNumberCreate(nullptr, kCFNumberSInt32Type, &codes[i]);
    CFStringRef k = CFStringCreateWithCString(nullptr, keys[i], kCFStringEncodingUTF8);
    CFDictionarySetValue(d, k, n);
    CFRelease(k);
    CFRelease(n);
  }
  CFStringRef name = CFStringCreateWithCString(nullptr, "Panel <A&B> \xC3\xA9", kCFStringEncodingUTF8);
  CFDictionarySetValue(d, CFSTR("name"), name);
  CFRelease(name);
  UInt8 chunk[200];
  for (int i = 0; i < 200; ++i)
    chunk[i] = static_cast<UInt8>(i * 37);
  CFDataRef data = CFDataCreate(nullptr, chunk, sizeof chunk);
  CFDictionarySetValue(d, CFSTR("data"), data);
  CFRelease(data);
  return d;
}

TEST_F(PropertyList, ClassInfoRoundTripsToEqualValuesAndIdenticalBytes)
{
  CFMutableDictionaryRef info = ClassInfo();
  CFDataRef first = CFPropertyListCreateData(nullptr, info, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
  ASSERT_NE(first, nullptr);
  std::string xml = AsText(first);
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u);
  EXPECT_NE(xml.find("\t<key>name</key>\n\t<string>Panel &lt;A&amp;B&gt; \xC3\xA9</string>\n"),
            std::string::npos);
  EXPECT_LT(xml.find("<key>data</key>"), xml.find("<key>version</key>")); // keys sorted
  CFPropertyListFormat format = 0;
  CFPropertyListRef back = CFPropertyListCreateWithData(nullptr, first, 0, &format, nullptr);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(format, kCFPropertyListXMLFormat_v1_0);
  EXPECT_TRUE(CFEqual(back, info));
  SInt32 subtype = 0;
  EXPECT_TRUE(CFNumberGetValue(
      static_cast<CFNumberRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(back), CFSTR("subtype"))),
      kCFNumberSInt32Type, &subtype));
  EXPECT_EQ(subtype, 0x4C4B3534);
  CFDataRef second = CFPropertyListCreateData(nullptr, back, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
  EXPECT_EQ(AsText(second), xml);
  CFRelease(second);
  CFRelease(back);
  CFRelease(first);
  CFRelease(info);
}

TEST_F(PropertyList, ReadsEveryValueKindWithEntitiesCommentsAndCdata)
{
  CFPropertyListRef plist = Read(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<!-- a comment -->
<dict>
  <key>CFBundleIdentifier</key><string>com.example.&#x51;orv&amp;Co</string>
  <key>raw</key><string><![CDATA[<not markup>]]></string>
  <key>empty</key><string/>
  <key>count</key><integer> -12 </integer>
  <key>rate</key><real>44100.5</real>
  <key>on</key><true/>
  <key>off</key><false/>
  <key>bytes</key><data>AAEC
    /w==</data>
  <key>list</key><array><integer>1</integer><dict/><array/></array>
</dict>
</plist>
)");
  ASSERT_NE(plist, nullptr);
  auto d = static_cast<CFDictionaryRef>(plist);
  EXPECT_EQ(Text(CFDictionaryGetValue(d, CFSTR("CFBundleIdentifier"))), "com.example.Qorv&Co");
  EXPECT_EQ(Text(CFDictionaryGetValue(d, CFSTR("raw"))), "<not markup>");
  EXPECT_EQ(Text(CFDictionaryGetValue(d, CFSTR("empty"))), "");
  SInt32 count = 0;
  CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(d, CFSTR("count"))), kCFNumberSInt32Type,
                   &count);
  EXPECT_EQ(count, -12);
  Float64 rate = 0;
  CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(d, CFSTR("rate"))), kCFNumberFloat64Type,
                   &rate);
  EXPECT_DOUBLE_EQ(rate, 44100.5);
  EXPECT_EQ(CFDictionaryGetValue(d, CFSTR("on")), kCFBooleanTrue);
  EXPECT_EQ(CFDictionaryGetValue(d, CFSTR("off")), kCFBooleanFalse);
  auto bytes = static_cast<CFDataRef>(CFDictionaryGetValue(d, CFSTR("bytes")));
  ASSERT_EQ(CFDataGetLength(bytes), 4);
  EXPECT_EQ(CFDataGetBytePtr(bytes)[3], 0xFF);
  auto list = static_cast<CFArrayRef>(CFDictionaryGetValue(d, CFSTR("list")));
  EXPECT_EQ(CFArrayGetCount(list), 3);
  EXPECT_EQ(CFGetTypeID(CFArrayGetValueAtIndex(list, 1)), CFDictionaryGetTypeID());
  CFRelease(plist);
}

class MalformedPropertyList : public PropertyList, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(MalformedPropertyList, IsRefusedWithAnErrorAndNothingLeaks)
{
  CFErrorRef error = nullptr;
  EXPECT_EQ(Read(GetParam(), &error), nullptr);
  ASSERT_NE(error, nullptr);
  CFRelease(error);
}

INSTANTIATE_TEST_SUITE_P(Table, MalformedPropertyList,
                         ::testing::Values("", "   ", "<plist>", "<dict><key>a</key></dict>",
                                           "<dict><key>a</key><string>x</string>",
                                           "<dict><string>no key</string></dict>", "<integer>12x</integer>",
                                           "<integer>99999999999999999999</integer>", "<real>one</real>",
                                           "<string>&bogus;</string>", "<string>&#0;</string>",
                                           "<string>a<b/></string>", "<data>@@@@</data>", "<date>2020</date>",
                                           "<string>\xC3</string>", "<array><string>x</string></dict>",
                                           "<true>yes</true>", "<string>a</string> trailing", "<!-- open",
                                           "<string>unterminated", "<plist><string>a</string>"));

TEST_F(PropertyList, DeepNestingIsRefusedNotRecursedWithoutBound)
{
  std::string deep;
  for (int i = 0; i < 5000; ++i)
    deep += "<array>";
  EXPECT_EQ(Read(deep), nullptr);
  std::string fine;
  for (int i = 0; i < 100; ++i)
    fine += "<array>";
  for (int i = 0; i < 100; ++i)
    fine += "</array>";
  CFPropertyListRef plist = Read(fine);
  EXPECT_NE(plist, nullptr);
  CFRelease(plist);
}

TEST_F(PropertyList, ValuesThatAreNoPropertyListsAreNotWritten)
{
  CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp"), kCFURLPOSIXPathStyle, true);
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFArrayAppendValue(array, url);
  CFErrorRef error = nullptr;
  EXPECT_EQ(CFPropertyListCreateData(nullptr, array, kCFPropertyListXMLFormat_v1_0, 0, &error), nullptr);
  EXPECT_NE(error, nullptr);
  CFRelease(error);
  EXPECT_EQ(CFPropertyListCreateData(nullptr, CFSTR("x"), kCFPropertyListBinaryFormat_v1_0, 0, nullptr),
            nullptr);
  CFArrayAppendValue(array, array); // contains itself: refused, not recursed forever
  EXPECT_EQ(CFPropertyListCreateData(nullptr, array, kCFPropertyListXMLFormat_v1_0, 0, nullptr), nullptr);
  CFArrayRemoveValueAtIndex(array, 1);
  CFRelease(array);
  CFRelease(url);
}

TEST_F(PropertyList, RealsAreWrittenShortestAndReadBackExactly)
{
  for (double v : {0.1, 44100.0, -1e-300, 1.0 / 3.0})
  {
    CFNumberRef n = CFNumberCreate(nullptr, kCFNumberFloat64Type, &v);
    CFDataRef data = CFPropertyListCreateData(nullptr, n, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
    CFPropertyListRef back = CFPropertyListCreateWithData(nullptr, data, 0, nullptr, nullptr);
    EXPECT_TRUE(CFEqual(back, n)) << AsText(data);
    CFRelease(back);
    CFRelease(data);
    CFRelease(n);
  }
}
} // namespace
