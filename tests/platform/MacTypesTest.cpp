#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

// Records handed across the host boundary depend on these widths matching the platform's.
TEST(MacTypes, WidthsMatchThePlatform)
{
  EXPECT_EQ(sizeof(UInt32), 4u);
  EXPECT_EQ(sizeof(SInt16), 2u);
  EXPECT_EQ(sizeof(Float64), 8u);
  EXPECT_EQ(sizeof(Boolean), 1u);
  EXPECT_EQ(sizeof(OSStatus), 4u);
  EXPECT_EQ(sizeof(CFIndex), 8u);
  CFRange r = CFRangeMake(3, 4);
  EXPECT_EQ(r.location + r.length, 7);
}
