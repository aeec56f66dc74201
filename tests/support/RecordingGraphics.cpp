#include "tests/support/RecordingGraphics.h"

#include <cctype>
#include <cstdio>
#include <cstring>

// The decoder stays private to this file so that it never meets the renderer's copy.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include <stb_image.h>

namespace qorvtest
{
using namespace iplugin;
using namespace iplugin::igraphics;

namespace
{
std::string Num(double v)
{
  char text[32];
  std::snprintf(text, sizeof(text), "%g", v);
  return text;
}

std::string Nums(std::initializer_list<double> values)
{
  std::string out;
  for (double v : values)
    out.append(1, ' ').append(Num(v));
  return out;
}

// A logged call: its name and its numbers. Appended, not a literal added to a temporary, which gcc 12
// misreads as an overlapping copy once inlined (-Wrestrict).
std::string Call(const char* name, std::initializer_list<double> values)
{
  return std::string(name).append(Nums(values));
}

std::string Color(const IColor& c)
{
  return std::string("#").append(Num(c.A)) + "," + Num(c.R) + "," + Num(c.G) + "," + Num(c.B);
}

std::string Pattern(const IPattern& p)
{
  if (p.mType == kSolidPattern) return Color(p.mStops[0].mColor);
  std::string out = (p.mType == kLinearPattern ? "linear" : "radial") + std::string(" e") + Num(p.mExtend);
  for (int i = 0; i < p.mNStops; ++i)
    out.append(1, ' ').append(Color(p.mStops[i].mColor)).append(1, '@').append(Num(p.mStops[i].mOffset));
  return out;
}

std::string Blend(const IBlend* pBlend)
{
  return pBlend ? " b" + Num(pBlend->mMethod) + "," + Num(pBlend->mWeight) : std::string();
}

class RecordingFont : public PlatformFont
{
};
} // namespace

RecordingBitmap::RecordingBitmap(int id, int width, int height, float scale, float drawScale, std::string name)
    : APIBitmap(id, width, height, scale, drawScale), mPixels(size_t(width) * size_t(height) * 4, 0),
      mName(std::move(name))
{
}

RecordingDelegate::RecordingDelegate(int nParams) : IGEditorDelegate(nParams)
{
  SetSizeConstraints(100, 1000, 50, 1000);
}

RecordingGraphics& RecordingDelegate::Open(int w, int h, float scale)
{
  mMakeGraphicsFunc = [this, w, h, scale]() { return new RecordingGraphics(*this, w, h, 60, scale); };
  OpenWindow(nullptr);
  return *static_cast<RecordingGraphics*>(GetUI());
}

RecordingGraphics::RecordingGraphics(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
    : IGraphics(dlg, w, h, fps, scale)
{
}

RecordingGraphics::~RecordingGraphics()
{
  RemoveAllControls();
}

void* RecordingGraphics::OpenWindow(void* pParent)
{
  mWindowOpen = true;
  mDelegate->SetEditorOpen(true);
  return this;
}

std::vector<std::string> RecordingGraphics::TakeLog()
{
  std::vector<std::string> log;
  log.swap(mLog);
  return log;
}

std::vector<std::string> RecordingGraphics::TakeLog(std::initializer_list<const char*> prefixes)
{
  std::vector<std::string> kept;
  for (std::string& line : TakeLog())
    for (const char* prefix : prefixes)
      if (line.rfind(prefix, 0) == 0)
      {
        kept.push_back(std::move(line));
        break;
      }
  return kept;
}

void RecordingGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int srcX, int srcY,
                                   const IBlend* pBlend)
{
  const auto* pBitmap = static_cast<const RecordingBitmap*>(bitmap.GetAPIBitmap());
  Log(std::string("bitmap ") + (pBitmap ? pBitmap->mName : std::string("?")) + Nums({bounds.L, bounds.T, bounds.R, bounds.B}) +
      Nums({double(srcX), double(srcY)}) + Blend(pBlend));
}

bool RecordingGraphics::BitmapExtSupported(const char* ext)
{
  std::string lower = ext ? ext : "";
  for (char& c : lower)
    c = char(std::tolower(static_cast<unsigned char>(c)));
  return lower.find("png") != std::string::npos || lower.find("jpg") != std::string::npos ||
         lower.find("jpeg") != std::string::npos;
}

RecordingBitmap* RecordingGraphics::Pixels(const ILayerPtr& layer)
{
  return layer ? const_cast<RecordingBitmap*>(static_cast<const RecordingBitmap*>(layer->GetAPIBitmap())) : nullptr;
}

void RecordingGraphics::GetLayerBitmapData(const ILayerPtr& layer, TypedBuf<uint8_t>& data)
{
  const RecordingBitmap* pBitmap = Pixels(layer);
  if (!pBitmap) return;
  const int size = int(pBitmap->mPixels.size()) - mLayerDataShortBy;
  if (size <= 0 || !data.Resize(size)) return;
  std::memcpy(data.Get(), pBitmap->mPixels.data(), size_t(size));
}

void RecordingGraphics::ApplyShadow(const ILayerPtr& layer, const TypedBuf<uint8_t>& mask, const IDropShadow& shadow)
{
  Log("shadow");
  mLastShadowMask.assign(mask.Get(), mask.Get() + mask.GetSize());
}

void RecordingGraphics::ApplyLayerBitmapData(const ILayerPtr& layer, const TypedBuf<uint8_t>& data)
{
  RecordingBitmap* pBitmap = Pixels(layer);
  if (!pBitmap || data.GetSize() != int(pBitmap->mPixels.size())) return;
  std::memcpy(pBitmap->mPixels.data(), data.Get(), pBitmap->mPixels.size());
}

void RecordingGraphics::PathArc(float cx, float cy, float r, float a1, float a2, int winding)
{
  Log(Call("A", {cx, cy, r, a1, a2, double(winding)}));
}

void RecordingGraphics::PathMoveTo(float x, float y)
{
  Log(Call("M", {x, y}));
}

void RecordingGraphics::PathLineTo(float x, float y)
{
  Log(Call("L", {x, y}));
}

void RecordingGraphics::PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2)
{
  Log(Call("C", {c1x, c1y, c2x, c2y, x2, y2}));
}

void RecordingGraphics::PathQuadraticBezierTo(float cx, float cy, float x2, float y2)
{
  Log(Call("Q", {cx, cy, x2, y2}));
}

void RecordingGraphics::PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options,
                                   const IBlend* pBlend)
{
  std::string line = "stroke " + Pattern(pattern) + " t" + Num(thickness);
  if (options.mPreserve) line += " preserve";
  if (options.mMiterLimit != 10.f) line += " miter" + Num(options.mMiterLimit);
  if (options.mCapOption) line += " cap" + Num(options.mCapOption);
  if (options.mJoinOption) line += " join" + Num(options.mJoinOption);
  if (options.mDash.mCount) line += " dashes" + Num(options.mDash.mCount);
  Log(line + Blend(pBlend));
}

void RecordingGraphics::PathFill(const IPattern& pattern, const IFillOptions& options, const IBlend* pBlend)
{
  std::string line = "fill " + Pattern(pattern);
  if (options.mFillRule == kFillEvenOdd) line += " evenodd";
  if (options.mPreserve) line += " preserve";
  if (options.mKeepDirections) line += " as-drawn";
  Log(line + Blend(pBlend));
}

void RecordingGraphics::PathTransformSetMatrix(const IMatrix& m)
{
  Log(Call("xform", {m.mXX, m.mYX, m.mXY, m.mYY, m.mTX, m.mTY}));
}

void RecordingGraphics::SetClipRegion(const IRECT& r)
{
  Log(Call("clip", {r.L, r.T, r.R, r.B}));
}

PlatformFontPtr RecordingGraphics::LoadPlatformFont(const char* fontID, const char* fileNameOrResID)
{
  return mPlatformFontAvailable ? std::make_unique<RecordingFont>() : nullptr;
}

PlatformFontPtr RecordingGraphics::LoadPlatformFontFromMemory(const char* fontID, const void* pData, int dataSize)
{
  return mPlatformFontAvailable && pData && dataSize > 0 ? std::make_unique<RecordingFont>() : nullptr;
}

PlatformFontPtr RecordingGraphics::LoadPlatformFontFromSystem(const char* fontID, const char* fontName, int style)
{
  return mPlatformFontAvailable ? std::make_unique<RecordingFont>() : nullptr;
}

void RecordingGraphics::CachePlatformFont(const char* fontID, const PlatformFontPtr& font)
{
  Log(std::string("cachefont ") + (fontID ? fontID : ""));
}

bool RecordingGraphics::LoadAPIFont(const char* fontID, const PlatformFontPtr& font)
{
  return mAPIFontLoads && font;
}

RecordingBitmap* RecordingGraphics::NewBitmap(int width, int height, float scale, float drawScale, std::string name)
{
  ++mBitmapsMade;
  return new RecordingBitmap(mNextBitmapId++, width, height, scale, drawScale, std::move(name));
}

APIBitmap* RecordingGraphics::LoadAPIBitmapFromFile(const char* fileNameOrResID, int scale, int location,
                                                    const char* ext)
{
  int w = 0, h = 0, channels = 0;
  stbi_uc* pixels = stbi_load(fileNameOrResID, &w, &h, &channels, 4);
  if (!pixels) return nullptr;
  const char* slash = std::strrchr(fileNameOrResID, '/');
  RecordingBitmap* pBitmap = NewBitmap(w, h, float(scale), 1.f, slash ? slash + 1 : fileNameOrResID);
  std::memcpy(pBitmap->mPixels.data(), pixels, pBitmap->mPixels.size());
  stbi_image_free(pixels);
  return pBitmap;
}

APIBitmap* RecordingGraphics::LoadAPIBitmapFromData(const char* name, const uint8_t* pData, int dataSize, int scale)
{
  int w = 0, h = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(pData, dataSize, &w, &h, &channels, 4);
  if (!pixels) return nullptr;
  RecordingBitmap* pBitmap = NewBitmap(w, h, float(scale), 1.f, name ? name : "");
  std::memcpy(pBitmap->mPixels.data(), pixels, pBitmap->mPixels.size());
  stbi_image_free(pixels);
  return pBitmap;
}

APIBitmap* RecordingGraphics::CreateAPIBitmap(int width, int height, float scale, double drawScale, bool cacheable)
{
  return NewBitmap(width, height, scale, float(drawScale), "layer" + std::to_string(mNextBitmapId));
}

float RecordingGraphics::DoMeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  // Half the size per byte: enough to see that measuring reached the back end.
  const float width = float(std::strlen(str)) * text.mSize * 0.5f;
  bounds = IRECT(bounds.L, bounds.T, bounds.L + width, bounds.T + text.mSize);
  return width;
}

void RecordingGraphics::DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend)
{
  Log(std::string("text ") + str + Nums({bounds.L, bounds.T, bounds.R, bounds.B}) + Blend(pBlend));
}

bool RecordingGraphics::PromptForColor(IColor& color, const char* str, IColorPickerHandlerFunc func)
{
  Log(std::string("colorprompt ") + (str ? str : "") + " " + Color(color));
  if (mColorAnswers.empty()) return false;
  color = mColorAnswers.front();
  mColorAnswers.erase(mColorAnswers.begin());
  if (func) func(color);
  return true;
}

void RecordingGraphics::PromptUserInput(IControl& control, const IRECT& bounds, int valIdx)
{
  Log(Call("prompt", {bounds.L, bounds.T, bounds.R, bounds.B, double(valIdx)}));
  IGraphics::PromptUserInput(control, bounds, valIdx);
}

void RecordingGraphics::CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                                const char* str)
{
  Log(Call("textentry", {double(paramIdx), bounds.L, bounds.T, bounds.R, bounds.B, double(length)}) + " " + str);
}

IPopupMenu* RecordingGraphics::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync)
{
  isAsync = mMenuAsync;
  int chosen = -1;
  if (!isAsync && !mMenuAnswers.empty())
  {
    chosen = mMenuAnswers.front();
    mMenuAnswers.erase(mMenuAnswers.begin());
  }
  Log(Call("menu", {bounds.L, bounds.T, bounds.R, bounds.B, double(menu.NItems()), double(chosen)}));
  if (chosen < 0 || chosen >= menu.NItems()) return nullptr;
  menu.SetChosenItemIdx(chosen);
  return &menu;
}
} // namespace qorvtest
