// A strip's frame is drawn only over its rows near visible texels: the picture is the one the whole frame
// gives, at any place (whole, half and odd fractions of a point), screen scale and bitmap scale, with
// translucent texels and transparent ones of any colour.
#include "tests/vector/VectorGraphicsTestContext.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

using namespace iplugin::igraphics;

namespace
{
constexpr int kFrames = 5, kFrameW = 7, kFrameH = 40;

// A horizontal strip of frames at the bitmap scale, each a few bands of visible rows over transparent ones
// (whose colour bytes need not be zero), the bands touching the frame's edges now and then.
std::vector<unsigned char> Strip(std::mt19937& rng, int scale)
{
  const int w = kFrames * kFrameW * scale, h = kFrameH * scale;
  std::vector<unsigned char> rgba(size_t(w) * h * 4);
  for (size_t i = 0; i < rgba.size(); i += 4)
    rgba[i] = (unsigned char)(rng() % 256), rgba[i + 1] = (unsigned char)(rng() % 256),
    rgba[i + 2] = (unsigned char)(rng() % 256), rgba[i + 3] = 0;
  for (int f = 0; f < kFrames; ++f)
    for (int band = (int)(rng() % 3); band > 0; --band)
    {
      const int y0 = (int)(rng() % h), y1 = std::min(h, y0 + 1 + (int)(rng() % 4));
      for (int y = y0; y < y1; ++y)
        for (int x = f * kFrameW * scale; x < (f + 1) * kFrameW * scale; ++x)
          if (rng() % 4 != 0) rgba[(size_t(y) * w + x) * 4 + 3] = (unsigned char)(1 + rng() % 255);
    }
  return rgba;
}
} // namespace

TEST(StripRows, TrimmedFramesDrawTheWholeFramesPicture)
{
  std::mt19937 rng(4141);
  for (float screen : {1.f, 2.f})
    for (int bitmapScale : {1, 2})
    {
      qorvtest::RecordingDelegate dlg;
      qorvtest::VectorGraphics g(dlg, 60, 60);
      g.Open(screen);
      for (int round = 0; round < 12; ++round)
      {
        const std::vector<unsigned char> pixels = Strip(rng, bitmapScale);
        auto* api = new IGraphicsVector::Bitmap(g.VG(), kFrames * kFrameW * bitmapScale,
                                                kFrameH * bitmapScale, pixels.data(), bitmapScale, 1.f);
        const IBitmap strip(api, kFrames, true);
        const float fractions[] = {0.f, 0.5f, 0.25f, 0.3f};
        const float x = 3.f + (float)(rng() % 40) + fractions[rng() % 4];
        const float y = 2.f + (float)(rng() % 10) + fractions[rng() % 4];
        auto draw = [&](bool trimmed)
        {
          VGoptions options;
          options.stripRowsTrimmed = trimmed;
          vgSetOptions(g.VG(), options);
          g.Begin();
          g.FillRect(IColor(255, 40, 60, 80), g.GetBounds());
          for (int f = 0; f < kFrames; ++f)
            g.DrawBitmap(strip, IRECT(x, y + (float)f, x + kFrameW, y + (float)f + kFrameH), f * kFrameW, 0);
          g.End();
          return g.MainFrame();
        };
        const qorvtest::RgbaImage trimmed = draw(true), whole = draw(false);
        ASSERT_EQ(trimmed.rgba, whole.rgba)
            << "screen " << screen << " bitmap scale " << bitmapScale << " at " << x << ", " << y;
        delete api;
      }
    }
}

// A frame whose source lies wholly above or below the image (a source offset past either end) has no rows
// to look at: it is drawn without reading outside the image's rows.
TEST(StripRows, SourcesOutsideTheImageReadNothingOutsideIt)
{
  std::mt19937 rng(4242);
  qorvtest::RecordingDelegate dlg;
  qorvtest::VectorGraphics g(dlg, 60, 60);
  g.Open(1.f);
  const std::vector<unsigned char> pixels = Strip(rng, 1);
  auto* api = new IGraphicsVector::Bitmap(g.VG(), kFrames * kFrameW, kFrameH, pixels.data(), 1, 1.f);
  const IBitmap strip(api, kFrames, true);
  for (int srcY : {-3 * kFrameH, -kFrameH - 9, kFrameH + 9, 3 * kFrameH})
  {
    g.Begin();
    g.DrawBitmap(strip, IRECT(5.f, 5.f, 5.f + kFrameW, 5.f + kFrameH), kFrameW, srcY);
    g.End();
    EXPECT_EQ(g.MainFrame().width, 60) << "source row " << srcY;
  }
  delete api;
}

// The rows' answers, from the row bounds kept after the first read, are those a scan of every texel in the
// question gives: over strips of any width (across whole words and not), sparse texels and bands, and
// questions reaching past every side of the image, those wholly above or below it answered false.
TEST(StripRows, VisibleRowsAnswerAsAScanOfTheTexels)
{
  std::mt19937 rng(4343);
  qorvtest::RecordingDelegate dlg;
  qorvtest::VectorGraphics g(dlg, 60, 60);
  g.Open(1.f);
  for (int round = 0; round < 60; ++round)
  {
    const int w = 1 + int(rng() % 150), h = 1 + int(rng() % 60);
    std::vector<unsigned char> rgba(size_t(w) * h * 4, 0);
    const int density = int(rng() % 4);
    for (int y = 0; y < h; ++y)
    {
      const bool band = rng() % 5 == 0;
      for (int x = 0; x < w; ++x)
      {
        rgba[(size_t(y) * w + x) * 4] = (unsigned char)(rng() % 256);
        const bool on = band ? rng() % 2 == 0 : density > 0 && rng() % (40 * density) == 0;
        if (on) rgba[(size_t(y) * w + x) * 4 + 3] = (unsigned char)(1 + rng() % 255);
      }
    }
    auto scan = [&](int x0, int x1, int y0, int y1, int& first, int& last)
    {
      first = last = -1;
      for (int y = std::max(y0, 0); y < std::min(y1, h); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, w); ++x)
          if (rgba[(size_t(y) * w + x) * 4 + 3] != 0)
          {
            if (first < 0) first = y;
            last = y;
          }
      return first >= 0;
    };
    IGraphicsVector::Bitmap bitmap(g.VG(), w, h, rgba.data(), 1, 1.f);
    ASSERT_TRUE(bitmap.Unchanging());
    // Every other question is one asked before, answered from what was kept.
    std::vector<std::array<int, 4>> asked;
    for (int q = 0; q < 300; ++q)
    {
      if (q % 2 == 0 || asked.empty())
      {
        const int x0 = int(rng() % (w + 20)) - 10, y0 = int(rng() % (3 * h + 20)) - h - 10;
        asked.push_back({x0, x0 + int(rng() % (w + 10)), y0, y0 + int(rng() % (h + 10))});
      }
      const auto [x0, x1, y0, y1] = q % 2 == 0 ? asked.back() : asked[rng() % asked.size()];
      int first = -7, last = -7, wantFirst = 0, wantLast = 0;
      const bool want = scan(x0, x1, y0, y1, wantFirst, wantLast);
      ASSERT_EQ(bitmap.VisibleRows(x0, x1, y0, y1, first, last), want)
          << w << "x" << h << " columns " << x0 << ".." << x1 << " rows " << y0 << ".." << y1;
      if (want)
      {
        ASSERT_EQ(std::make_pair(first, last), std::make_pair(wantFirst, wantLast));
      }
    }
  }
}
