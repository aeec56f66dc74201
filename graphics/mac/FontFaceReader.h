// The small TrueType reader behind platform fonts: finds one face in a font file or collection and
// reads its table offsets, family and style names (name IDs 1 and 2) and metrics from "head" and
// "hhea". Every read is checked against the byte count: a face whose directory, tables or names do
// not fit gives no face (a null data pointer).
#pragma once

#include "framework/StringBuf.h"

#include <QorvPlatform/LargeBlocks.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace iplugin::igraphics
{
struct FontFaceRecord
{
  const uint8_t* mData = nullptr; // start of the face's bytes while it is read; null for no face
  uint32_t mHeadOffset = 0;
  uint32_t mNameOffset = 0;
  uint32_t mHheaOffset = 0;
  uint32_t mFdscOffset = 0;
  StringBuf mFamily;
  StringBuf mStyle;
  uint16_t mMacStyle = 0;
  uint16_t mUnitsPerEm = 0;
  int16_t mAscender = 0;
  int16_t mDescender = 0;
  int16_t mLineGap = 0;
  qorvplatform::LargeVector<uint8_t> mBytes;
  int mFaceIdx = -1;

  bool IsValid() const { return mData && mHeadOffset && mNameOffset && mHheaOffset; }
  // Units per em over ascender minus descender; 1 when that difference is 0 or less.
  double EmRatio() const;
};

// Reads face faceIdx of the bytes into record (not its byte copy).
void ReadFontFace(const uint8_t* bytes, size_t size, int faceIdx, FontFaceRecord& record);
// The first face whose style name equals style (any non-empty style name when style is empty); -1
// when a face that cannot be read comes first.
int FindFontFaceIndex(const uint8_t* bytes, size_t size, const char* style);
} // namespace iplugin::igraphics
