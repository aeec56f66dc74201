// The visual windows are made with, chosen from what a screen offers: its default where that is TrueColor,
// else the TrueColor visual of the most bits of colour and then the fewest planes besides, and none where
// every visual is colormapped or gray. The choice does not depend on the order the server lists them in.
#include "platform/src/AppKit/X11Visual.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace windowvisualtest
{
using qorvplatform::detail::x11::ChooseVisual;

// A visual as a server lists it, known by its id.
XVisualInfo Offered(VisualID id, int c_class, int depth, unsigned long red, unsigned long green,
                    unsigned long blue)
{
  XVisualInfo v{};
  v.visualid = id;
  v.c_class = c_class;
  v.depth = depth;
  v.red_mask = red;
  v.green_mask = green;
  v.blue_mask = blue;
  return v;
}

// The common layouts: 8-8-8 at depth 24 and 32 (with 8 bits of alpha), 5-6-5, 3-3-2, 10-10-10.
XVisualInfo True24(VisualID id)
{
  return Offered(id, TrueColor, 24, 0xFF0000, 0xFF00, 0xFF);
}
XVisualInfo Argb32(VisualID id)
{
  return Offered(id, TrueColor, 32, 0xFF0000, 0xFF00, 0xFF);
}
XVisualInfo True16(VisualID id)
{
  return Offered(id, TrueColor, 16, 0xF800, 0x07E0, 0x1F);
}
XVisualInfo True8(VisualID id)
{
  return Offered(id, TrueColor, 8, 0x7, 0x38, 0xC0);
}
XVisualInfo Deep30(VisualID id)
{
  return Offered(id, TrueColor, 30, 0x3FF00000, 0xFFC00, 0x3FF);
}
XVisualInfo Mapped(VisualID id, int c_class, int depth)
{
  return Offered(id, c_class, depth, 0, 0, 0);
}
XVisualInfo Direct24(VisualID id)
{
  return Offered(id, DirectColor, 24, 0xFF0000, 0xFF00, 0xFF);
}

struct Case
{
  std::string name;
  std::vector<XVisualInfo> offered;
  VisualID defaultVisual;
  VisualID chosen; // 0: none
};

TEST(WindowVisual, TheTrueColorVisualOfMostColourIsChosen)
{
  const Case cases[] = {
      {"a TrueColor default wins over a deeper one", {True16(0x21), True24(0x22), Deep30(0x23)}, 0x21, 0x21},
      {"a TrueColor default of 24 planes", {True24(0x21), Argb32(0x22), Direct24(0x23)}, 0x21, 0x21},
      {"an 8-bit colormapped screen",
       {Mapped(0x21, PseudoColor, 8), Mapped(0x22, GrayScale, 8),
        Offered(0x23, StaticColor, 8, 0x7, 0x38, 0xC0), True8(0x24),
        Offered(0x25, DirectColor, 8, 0x7, 0x38, 0xC0)},
       0x21,
       0x24},
      {"24 bits of colour over 16 and 8",
       {Mapped(0x21, PseudoColor, 8), True8(0x22), True16(0x23), True24(0x24)},
       0x21,
       0x24},
      {"24 planes over 32 with alpha",
       {Mapped(0x21, PseudoColor, 8), Argb32(0x22), True24(0x23)},
       0x21,
       0x23},
      {"32 planes with alpha where it is all", {Mapped(0x21, PseudoColor, 8), Argb32(0x22)}, 0x21, 0x22},
      {"30 bits of colour over 24", {Mapped(0x21, PseudoColor, 8), True24(0x22), Deep30(0x23)}, 0x21, 0x23},
      {"a DirectColor default", {Direct24(0x21), True16(0x22), True24(0x23)}, 0x21, 0x23},
      {"only colormapped and gray visuals",
       {Mapped(0x21, PseudoColor, 8), Mapped(0x22, GrayScale, 8),
        Offered(0x23, StaticColor, 8, 0x7, 0x38, 0xC0), Mapped(0x24, StaticGray, 8), Direct24(0x25)},
       0x21,
       0},
      {"a monochrome screen", {Mapped(0x21, StaticGray, 1)}, 0x21, 0},
      {"nothing offered", {}, 0x21, 0},
  };
  std::mt19937 random(65);
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    std::vector<XVisualInfo> offered = c.offered;
    // In the order listed and in shuffled ones.
    for (int round = 0; round < 12; ++round)
    {
      const int i = ChooseVisual(offered.data(), int(offered.size()), c.defaultVisual);
      if (c.chosen == 0)
        EXPECT_EQ(i, -1);
      else
      {
        ASSERT_GE(i, 0);
        ASSERT_LT(i, int(offered.size()));
        EXPECT_EQ(offered[size_t(i)].visualid, c.chosen) << "round " << round;
      }
      std::shuffle(offered.begin(), offered.end(), random);
    }
  }
}
} // namespace windowvisualtest
