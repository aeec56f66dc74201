// A name's extension picks its reader: the text after the last dot, the whole name without one.
#include "framework/FileExtension.h"

#include <gtest/gtest.h>

using iplugin::ExtensionOf;

TEST(FileExtension, IsTheTextAfterTheLastDot)
{
  const struct
  {
    const char* name;
    const char* extension;
  } cases[] = {{"knob.png", "png"},
               {"knob@2x.png", "png"},
               {"a.b.svg", "svg"},
               {"font", "font"},
               {".hidden", "hidden"},
               {"trailing.", ""},
               {"", ""}};
  for (const auto& c : cases)
    EXPECT_EQ(ExtensionOf(c.name), c.extension) << c.name;
}
