// A font as the platform hands it over for loading: the platform layer derives from this, the drawing
// back end takes its data. Released by whoever loaded it.
#pragma once

#include <QorvPlatform/LargeBlocks.h>

#include <memory>
#include <vector>

namespace iplugin::igraphics
{
// A font file's bytes: a large block, given back whole when the font goes.
using FontBytes = qorvplatform::LargeVector<unsigned char>;

// A font file's bytes and the face to use in it. Owned by the font-data storage once a back end has
// loaded it, else by whoever asked the platform font for it.
class FontData
{
public:
  FontData() = default;
  FontData(FontBytes bytes, int faceIdx) : mBytes(std::move(bytes)), mFaceIdx(faceIdx) {}
  FontData(const std::vector<unsigned char>& bytes, int faceIdx)
      : mBytes(bytes.begin(), bytes.end()), mFaceIdx(faceIdx)
  {
  }

  // Bytes present, a face index of 0 or more, and a font directory holding the tables a font reader
  // looks for (character map, header, horizontal metrics).
  bool IsValid() const;
  unsigned char* Get() { return mBytes.empty() ? nullptr : mBytes.data(); }
  int GetSize() const { return int(mBytes.size()); }
  int GetFaceIdx() const { return mFaceIdx; }

private:
  FontBytes mBytes;
  int mFaceIdx = 0;
};

using FontDataPtr = std::unique_ptr<FontData>;

class PlatformFont
{
public:
  virtual ~PlatformFont() = default;
  // The font's file bytes; null when the platform cannot give them.
  virtual FontDataPtr GetFontData() const { return nullptr; }
};

using PlatformFontPtr = std::unique_ptr<PlatformFont>;
} // namespace iplugin::igraphics
