// Comparing pictures: one comparator for the golden images (a picture against tests/data/<area>/<name>.png)
// and for pictures checked against another renderer's. UPDATE_GOLDEN=1 rewrites the references and fails;
// a failing comparison writes <name>-diff.png, <name>-actual.png and <name>-expected.png into its folder
// (for golden images the build's scratch folder "golden-<area>").
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qorvtest
{
struct RgbaImage
{
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba; // rows top to bottom, four bytes a pixel

  const uint8_t* At(int x, int y) const { return &rgba[((size_t)y * width + x) * 4]; }
};

bool ReadPng(const std::string& path, RgbaImage& image);
bool WritePng(const std::string& path, const RgbaImage& image);

struct ImageTolerance
{
  int interior = 2;        // largest channel difference where the neighbourhood is flat
  int edge = 48;           // largest channel difference next to a change in the reference
  double outliers = 0.002; // share of pixels allowed beyond these
  // A pixel beyond these still passes when, in each picture, a pixel at most this far away is within
  // `interior` of it (renderers that place anti-aliased edges differently); 0 turns this off.
  int nearRadius = 0;
};

// Whether references are to be rewritten (UPDATE_GOLDEN=1).
bool UpdateGolden();

// Compares premultiplied or straight pixels alike, channel by channel. On a mismatch the difference, the
// actual and the expected picture are written into diffFolder, unless it is empty.
testing::AssertionResult ImagesMatch(const RgbaImage& expected, const RgbaImage& actual,
                                     const ImageTolerance& tol, const std::string& diffFolder,
                                     const std::string& name);
// picturesOnMismatch false: a mismatch that is expected (a deliberately wrong picture) writes nothing.
testing::AssertionResult MatchesGolden(const RgbaImage& actual, const std::string& area,
                                       const std::string& name, const ImageTolerance& tol = ImageTolerance(),
                                       bool picturesOnMismatch = true);
} // namespace qorvtest
