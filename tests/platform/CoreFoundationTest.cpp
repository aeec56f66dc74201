#include <CoreFoundation/CoreFoundation.h>
#include <QorvPlatform/CFLiveObjects.h>
#include <gtest/gtest.h>

#include <string>

namespace
{
class CoreFoundation : public ::testing::Test
{
protected:
  void SetUp() override { baseline = qorvplatform::LiveCFObjectCount(); }
  void TearDown() override { EXPECT_EQ(qorvplatform::LiveCFObjectCount(), baseline) << "leaked objects"; }
  long baseline = 0;
};

std::string Text(CFStringRef s)
{
  char buffer[512];
  return CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8) ? buffer : "<failed>";
}

TEST_F(CoreFoundation, StringsCountUtf16UnitsAndRefuseInvalidUtf8)
{
  CFStringRef s =
      CFStringCreateWithCString(nullptr, "A\xC3\xA9\xF0\x9F\x8E\xB5", kCFStringEncodingUTF8); // A é 🎵
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(CFStringGetLength(s), 4); // the note is a surrogate pair
  char small[4];
  EXPECT_FALSE(CFStringGetCString(s, small, sizeof small, kCFStringEncodingUTF8));
  EXPECT_STREQ(small, "");
  char exact[8];
  EXPECT_TRUE(CFStringGetCString(s, exact, sizeof exact, kCFStringEncodingUTF8));
  EXPECT_FALSE(CFStringGetCString(s, exact, sizeof exact, kCFStringEncodingASCII));
  CFRelease(s);
  for (const char* bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "ab\xFF"})
    EXPECT_EQ(CFStringCreateWithCString(nullptr, bad, kCFStringEncodingUTF8), nullptr) << bad;
  EXPECT_EQ(CFStringCreateWithCString(nullptr, nullptr, kCFStringEncodingUTF8), nullptr);
  CFStringRef latin = CFStringCreateWithCString(nullptr, "caf\xE9", kCFStringEncodingISOLatin1);
  EXPECT_EQ(Text(latin), "caf\xC3\xA9");
  CFRelease(latin);
}

TEST_F(CoreFoundation, FormatsTakeObjectDescriptionsAndPrintfConversions)
{
  CFStringRef name = CFSTR("Loud Room");
  CFStringRef s = CFStringCreateWithFormat(nullptr, nullptr,
                                           CFSTR("AUPreset:\npreset number = %d\npreset name = %@"), 7, name);
  EXPECT_EQ(Text(s), "AUPreset:\npreset number = 7\npreset name = Loud Room");
  CFRelease(s);
  int n = 42;
  CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt32Type, &n);
  s = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%@|%5.2f|%s|%ld|%%|%@"), number, 3.14159, "c", 9L,
                               nullptr);
  EXPECT_EQ(Text(s), "42| 3.14|c|9|%|(null)");
  CFRelease(s);
  s = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("[%*d|%-*.*f|%ls|%s]"), 4, 7, 6, 2, 1.5, L"wide",
                               "next");
  EXPECT_EQ(Text(s),
            "[   7|1.50  ||next]"); // starred widths take their arguments, so later ones stay in place
  CFRelease(s);
  CFRelease(number);
}

TEST_F(CoreFoundation, ConstantStringsAreSharedAndImmortal)
{
  CFStringRef a = CFSTR("version");
  EXPECT_EQ(a, CFSTR("version"));
  CFRelease(a);
  CFRelease(a);
  EXPECT_EQ(Text(a), "version");
  CFStringRef copy = CFStringCreateWithCString(nullptr, "version", kCFStringEncodingUTF8);
  EXPECT_TRUE(CFEqual(a, copy));
  EXPECT_EQ(CFHash(a), CFHash(copy));
  EXPECT_EQ(CFStringCompare(copy, CFSTR("VERSION"), kCFCompareCaseInsensitive), kCFCompareEqualTo);
  EXPECT_EQ(CFStringCompare(copy, CFSTR("vz"), 0), kCFCompareLessThan);
  CFRelease(copy);
}

struct NumberCase
{
  CFNumberType from;
  double stored;
  CFNumberType to;
  double expected;
  bool exact;
};

class NumberConversion : public CoreFoundation, public ::testing::WithParamInterface<NumberCase>
{
};

TEST_P(NumberConversion, ConvertsAndReportsExactness)
{
  const NumberCase& c = GetParam();
  long long i64 = static_cast<long long>(c.stored);
  int i32 = static_cast<int>(c.stored);
  float f = static_cast<float>(c.stored);
  double d = c.stored;
  const void* source = c.from == kCFNumberSInt64Type    ? static_cast<const void*>(&i64)
                       : c.from == kCFNumberSInt32Type  ? static_cast<const void*>(&i32)
                       : c.from == kCFNumberFloat32Type ? static_cast<const void*>(&f)
                                                        : static_cast<const void*>(&d);
  CFNumberRef n = CFNumberCreate(nullptr, c.from, source);
  ASSERT_NE(n, nullptr);
  double got = 0;
  Boolean exact = false;
  if (c.to == kCFNumberSInt32Type)
  {
    SInt32 v = 0;
    exact = CFNumberGetValue(n, c.to, &v);
    got = v;
  }
  else if (c.to == kCFNumberSInt16Type)
  {
    SInt16 v = 0;
    exact = CFNumberGetValue(n, c.to, &v);
    got = v;
  }
  else
  {
    Float64 v = 0;
    exact = CFNumberGetValue(n, c.to, &v);
    got = v;
  }
  EXPECT_DOUBLE_EQ(got, c.expected);
  EXPECT_EQ(static_cast<bool>(exact), c.exact);
  CFRelease(n);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NumberConversion,
    ::testing::Values(NumberCase{kCFNumberSInt32Type, 1280066914, kCFNumberSInt32Type, 1280066914, true},
                      NumberCase{kCFNumberSInt64Type, 70000, kCFNumberSInt16Type, 4464, false},
                      NumberCase{kCFNumberFloat64Type, 2.75, kCFNumberSInt32Type, 2, false},
                      NumberCase{kCFNumberFloat64Type, -3.0, kCFNumberSInt32Type, -3, true},
                      NumberCase{kCFNumberSInt32Type, -5, kCFNumberFloat64Type, -5, true},
                      NumberCase{kCFNumberFloat32Type, 0.5, kCFNumberFloat64Type, 0.5, true}));

TEST_F(CoreFoundation, NumbersOfDifferentTypesCompareByValue)
{
  int i = 3;
  double d = 3.0;
  CFNumberRef a = CFNumberCreate(nullptr, kCFNumberIntType, &i);
  CFNumberRef b = CFNumberCreate(nullptr, kCFNumberDoubleType, &d);
  EXPECT_TRUE(CFEqual(a, b));
  EXPECT_EQ(CFHash(a), CFHash(b));
  EXPECT_FALSE(CFEqual(a, CFSTR("3")));
  EXPECT_EQ(CFNumberCreate(nullptr, 99, &i), nullptr);
  EXPECT_EQ(CFNumberCreate(nullptr, kCFNumberIntType, nullptr), nullptr);
  CFRelease(a);
  CFRelease(b);
}

TEST_F(CoreFoundation, DataCopiesBytesAndRefusesBadSizes)
{
  const UInt8 bytes[] = {1, 2, 3, 4, 5};
  CFDataRef d = CFDataCreate(nullptr, bytes, 5);
  EXPECT_EQ(CFDataGetLength(d), 5);
  EXPECT_EQ(CFDataCreate(nullptr, nullptr, 3), nullptr);
  EXPECT_EQ(CFDataCreate(nullptr, bytes, -1), nullptr);
  CFDataRef empty = CFDataCreate(nullptr, nullptr, 0);
  EXPECT_EQ(CFDataGetBytePtr(empty), nullptr);
  CFRelease(empty);
  CFRelease(d);
}

// A reference-counted record of the kind that the factory preset list keeps.
struct Record
{
  int number;
  int refs;
};
int gReleased = 0;
const void* RecordRetain(CFAllocatorRef, const void* v)
{
  ++const_cast<Record*>(static_cast<const Record*>(v))->refs;
  return v;
}
void RecordRelease(CFAllocatorRef, const void* v)
{
  --const_cast<Record*>(static_cast<const Record*>(v))->refs;
  ++gReleased;
}
Boolean RecordEqual(const void* a, const void* b)
{
  return static_cast<const Record*>(a)->number == static_cast<const Record*>(b)->number;
}
CFStringRef RecordDescription(const void* v)
{
  return CFStringCreateWithFormat(nullptr, nullptr, CFSTR("record %d"),
                                  static_cast<const Record*>(v)->number);
}
const CFArrayCallBacks kRecordCallBacks = {0, RecordRetain, RecordRelease, RecordDescription, RecordEqual};

TEST_F(CoreFoundation, ArraysUseTheirCallbacksForEveryValue)
{
  gReleased = 0;
  Record a{1, 1}, b{2, 1};
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 1, &kRecordCallBacks);
  CFArrayAppendValue(array, &a);
  CFArrayAppendValue(array, &b); // beyond the capacity hint
  EXPECT_EQ(a.refs, 2);
  EXPECT_EQ(CFArrayGetCount(array), 2);
  EXPECT_EQ(CFArrayGetValueAtIndex(array, 2), nullptr);
  EXPECT_EQ(CFArrayGetValueAtIndex(array, -1), nullptr);
  CFStringRef description = CFCopyDescription(array);
  EXPECT_NE(Text(description).find("record 2"), std::string::npos);
  CFRelease(description);
  CFArrayRemoveValueAtIndex(array, 5); // ignored
  CFRelease(array);
  EXPECT_EQ(a.refs, 1);
  EXPECT_EQ(b.refs, 1);
  EXPECT_EQ(gReleased, 2);
}

TEST_F(CoreFoundation, TypeArraysRetainObjects)
{
  CFStringRef s = CFStringCreateWithCString(nullptr, "midiOut", kCFStringEncodingUTF8);
  const void* values[] = {s};
  CFArrayRef array = CFArrayCreate(nullptr, values, 1, &kCFTypeArrayCallBacks);
  EXPECT_EQ(CFGetRetainCount(s), 2);
  CFRelease(s);
  EXPECT_EQ(Text(static_cast<CFStringRef>(CFArrayGetValueAtIndex(array, 0))), "midiOut");
  CFRelease(array);
}

TEST_F(CoreFoundation, DictionariesKeepInsertionOrderAndReplaceOnSet)
{
  CFMutableDictionaryRef d =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  int one = 1, two = 2;
  CFNumberRef n1 = CFNumberCreate(nullptr, kCFNumberSInt32Type, &one);
  CFNumberRef n2 = CFNumberCreate(nullptr, kCFNumberSInt32Type, &two);
  CFStringRef key = CFStringCreateWithCString(nullptr, "type", kCFStringEncodingUTF8);
  CFDictionarySetValue(d, CFSTR("version"), n1);
  CFDictionarySetValue(d, key, n1);
  CFDictionarySetValue(d, CFSTR("name"), CFSTR("x"));
  EXPECT_TRUE(CFEqual(CFDictionaryGetValue(d, CFSTR("type")), n1));
  CFDictionarySetValue(d, CFSTR("type"), n2);
  EXPECT_TRUE(CFEqual(CFDictionaryGetValue(d, key), n2));
  const void* keys[3];
  CFDictionaryGetKeysAndValues(d, keys, nullptr);
  EXPECT_EQ(Text(static_cast<CFStringRef>(keys[0])), "version");
  EXPECT_EQ(Text(static_cast<CFStringRef>(keys[1])), "type");
  EXPECT_EQ(Text(static_cast<CFStringRef>(keys[2])), "name");
  EXPECT_FALSE(CFDictionaryGetValueIfPresent(d, CFSTR("data"), nullptr));
  EXPECT_EQ(CFDictionaryGetValue(nullptr, key), nullptr);
  CFMutableDictionaryRef copy = CFDictionaryCreateMutableCopy(nullptr, 0, d);
  EXPECT_TRUE(CFEqual(copy, d));
  CFDictionaryRemoveValue(copy, CFSTR("name"));
  EXPECT_FALSE(CFEqual(copy, d));
  CFRelease(copy);
  CFRelease(key);
  CFRelease(n1);
  CFRelease(n2);
  CFRelease(d);
}

TEST_F(CoreFoundation, WrongTypesAreAnsweredNotTrusted)
{
  int v = 5;
  CFNumberRef n = CFNumberCreate(nullptr, kCFNumberIntType, &v);
  char buffer[16];
  EXPECT_FALSE(
      CFStringGetCString(reinterpret_cast<CFStringRef>(n), buffer, sizeof buffer, kCFStringEncodingUTF8));
  EXPECT_EQ(CFDataGetLength(reinterpret_cast<CFDataRef>(n)), 0);
  EXPECT_EQ(CFDictionaryGetCount(reinterpret_cast<CFDictionaryRef>(n)), 0);
  EXPECT_EQ(CFArrayGetCount(reinterpret_cast<CFArrayRef>(n)), 0);
  SInt32 out = 0;
  EXPECT_FALSE(CFNumberGetValue(reinterpret_cast<CFNumberRef>(CFSTR("5")), kCFNumberSInt32Type, &out));
  CFRelease(nullptr);
  EXPECT_EQ(CFRetain(nullptr), nullptr);
  CFRelease(n);
}

TEST_F(CoreFoundation, AllocatorBlocksCountAsLive)
{
  void* block = CFAllocatorAllocate(kCFAllocatorDefault, 24, 0);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(qorvplatform::LiveCFObjectCount(), baseline + 1);
  CFAllocatorDeallocate(kCFAllocatorDefault, block);
}

TEST_F(CoreFoundation, FileUrlsCarryAbsolutePaths)
{
  CFURLRef url =
      CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp/My Bundle.component/"), kCFURLPOSIXPathStyle, true);
  UInt8 path[64];
  EXPECT_TRUE(CFURLGetFileSystemRepresentation(url, true, path, sizeof path));
  EXPECT_STREQ(reinterpret_cast<char*>(path), "/tmp/My Bundle.component");
  UInt8 tiny[4];
  EXPECT_FALSE(CFURLGetFileSystemRepresentation(url, true, tiny, sizeof tiny));
  CFRelease(url);
}
} // namespace
