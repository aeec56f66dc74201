#include "framework/IParam.h"

#include "framework/BoundedCopy.h"

#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

namespace iplugin
{
namespace
{
bool IsWhole(double v)
{
  return std::fabs(v - std::round(v)) < 1e-9 * std::fmax(1.0, std::fabs(v));
}

int PrecisionForStep(double step)
{
  if (IsWhole(step)) return 0;
  double s = step;
  for (int p = 1; p <= 5; ++p)
  {
    s *= 10.0;
    if (IsWhole(s)) return p;
  }
  return 6;
}

const char* const kNoteNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ", "F#", "G ", "G#", "A ", "A#", "B "};
} // namespace

// Shapes --------------------------------------------------------------------------------------------

double IParam::ShapeLinear::FromNormalized(const IParam& param, double normalizedValue) const
{
  return param.mMin + normalizedValue * (param.mMax - param.mMin);
}

double IParam::ShapeLinear::ToNormalized(const IParam& param, double nonNormalizedValue) const
{
  return (nonNormalizedValue - param.mMin) / (param.mMax - param.mMin);
}

IParam::EDisplayType IParam::ShapePowCurve::GetDisplayType() const
{
  if (mShape > 2.5) return kDisplayCubeRoot;
  if (mShape > 1.5) return kDisplaySquareRoot;
  if (mShape < 0.4) return kDisplayCubed;
  if (mShape < 0.6666666666666666) return kDisplaySquared;
  return kDisplayLinear;
}

double IParam::ShapePowCurve::FromNormalized(const IParam& param, double normalizedValue) const
{
  return param.mMin + (param.mMax - param.mMin) * std::pow(normalizedValue, mShape);
}

double IParam::ShapePowCurve::ToNormalized(const IParam& param, double nonNormalizedValue) const
{
  return std::pow((nonNormalizedValue - param.mMin) / (param.mMax - param.mMin), 1.0 / mShape);
}

void IParam::ShapeExp::Init(const IParam& param)
{
  const double m = param.mMin > 0.0 ? param.mMin : 1e-8;
  mAdd = std::log(m);
  mMul = std::log(param.mMax / m);
}

double IParam::ShapeExp::FromNormalized(const IParam& param, double normalizedValue) const
{
  return std::exp(normalizedValue * mMul + mAdd);
}

double IParam::ShapeExp::ToNormalized(const IParam& param, double nonNormalizedValue) const
{
  return (std::log(nonNormalizedValue) - mAdd) / mMul;
}

// Construction and initialisers -----------------------------------------------------------------------

IParam::IParam() : mShape(std::make_unique<ShapeLinear>()) {}

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                        const char* label, int flags, const char* group, const Shape& shape, EParamUnit unit,
                        DisplayFunc displayFunc)
{
  if (mType == kTypeNone) mType = kTypeDouble;

  CopyBounded(mName, name);
  CopyBounded(mLabel, label);
  CopyBounded(mGroup, group);

  mMin = minVal;
  mMax = minVal + step > maxVal ? minVal + step : maxVal;
  mStep = step;
  mDefault = defaultVal;
  mUnit = unit;
  mFlags = flags;
  mDisplayFunction = std::move(displayFunc);

  Set(Constrain(defaultVal));

  mDisplayPrecision = PrecisionForStep(step);

  mShape.reset(shape.Clone());
  mShape->Init(*this);
}

void IParam::InitBool(const char* name, bool defaultValue, const char* label, int flags, const char* group,
                      const char* offText, const char* onText)
{
  if (mType == kTypeNone) mType = kTypeBool;
  InitDouble(name, defaultValue ? 1.0 : 0.0, 0.0, 1.0, 1.0, label, flags | kFlagStepped, group, ShapeLinear(),
             kUnitCustom);
  SetDisplayText(0.0, offText);
  SetDisplayText(1.0, onText);
}

void IParam::InitEnum(const char* name, int defaultValue, int nEnums, const char* label, int flags,
                      const char* group, const char* listItems, ...)
{
  if (mType == kTypeNone) mType = kTypeEnum;
  InitDouble(name, defaultValue, 0.0, nEnums - 1, 1.0, label, flags | kFlagStepped, group, ShapeLinear(),
             kUnitCustom);
  if (listItems)
  {
    SetDisplayText(0.0, listItems);
    va_list args;
    va_start(args, listItems);
    for (int i = 1; i < nEnums; ++i)
      SetDisplayText(i, va_arg(args, const char*));
    va_end(args);
  }
}

void IParam::InitEnumList(const char* name, int defaultValue, std::initializer_list<const char*> listItems,
                          int flags, const char* group)
{
  if (mType == kTypeNone) mType = kTypeEnum;
  InitDouble(name, defaultValue, 0.0, double(listItems.size()) - 1.0, 1.0, "", flags | kFlagStepped, group,
             ShapeLinear(), kUnitCustom);
  int i = 0;
  for (const char* item : listItems)
    SetDisplayText(i++, item);
}

void IParam::InitInt(const char* name, int defaultValue, int minVal, int maxVal, const char* label, int flags,
                     const char* group)
{
  if (mType == kTypeNone) mType = kTypeInt;
  InitDouble(name, defaultValue, minVal, maxVal, 1.0, label, flags | kFlagStepped, group, ShapeLinear(),
             kUnitCustom);
}

void IParam::InitFrequency(const char* name, double defaultVal, double minVal, double maxVal, double step,
                           int flags, const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "Hz", flags, group, ShapeExp(), kUnitFrequency);
}

void IParam::InitSeconds(const char* name, double defaultVal, double minVal, double maxVal, double step,
                         int flags, const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "Seconds", flags, group, ShapeLinear(), kUnitSeconds);
}

void IParam::InitMilliseconds(const char* name, double defaultVal, double minVal, double maxVal, int flags,
                              const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "ms", flags, group, ShapeLinear(), kUnitMilliseconds);
}

void IParam::InitGain(const char* name, double defaultVal, double minVal, double maxVal, double step,
                      int flags, const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "dB", flags, group, ShapeLinear(), kUnitDB);
}

void IParam::InitPercentage(const char* name, double defaultVal, double minVal, double maxVal, int flags,
                            const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "%", flags, group, ShapeLinear(), kUnitPercentage);
}

void IParam::InitAngle(const char* name, double defaultVal, double minVal, double maxVal, int flags,
                       const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "degrees", flags, group, ShapeLinear(), kUnitDegrees);
}

void IParam::InitPitch(const char* name, int defaultVal, int minVal, int maxVal, int flags, const char* group,
                       bool middleCisC4)
{
  if (mType == kTypeNone) mType = kTypeEnum;
  InitDouble(name, defaultVal, 0.0, double(maxVal) - minVal, 1.0, "", flags | kFlagStepped, group,
             ShapeLinear(), kUnitCustom);
  StringBuf text;
  for (int k = minVal; k <= maxVal; ++k)
  {
    // Floor division keeps notes below 0 on their own octave and name.
    const int octave = (k >= 0 ? k / 12 : -((11 - k) / 12)) - 2 + (middleCisC4 ? 1 : 0);
    text.SetFormatted(kTextLen, "%s%i", kNoteNames[((k % 12) + 12) % 12], octave);
    SetDisplayText(double(k) - minVal, text.Get());
  }
}

void IParam::InitFromParam(const IParam& p, const char* searchStr, const char* replaceStr,
                           const char* newGroup)
{
  if (mType == kTypeNone) mType = p.Type();

  std::string name = p.GetName();
  if (searchStr && *searchStr)
  {
    const size_t pos = name.find(searchStr);
    if (pos != std::string::npos) name.replace(pos, std::strlen(searchStr), replaceStr ? replaceStr : "");
  }
  const char* group = newGroup && *newGroup ? newGroup : p.GetGroup();

  InitDouble(name.c_str(), p.mDefault, p.mMin, p.mMax, p.mStep, p.mLabel, p.mFlags, group, *p.mShape, p.mUnit,
             p.mDisplayFunction);
  for (int i = 0; i < p.NDisplayTexts(); ++i)
  {
    double value = 0.0;
    const char* text = p.GetDisplayTextAtIdx(i, &value);
    SetDisplayText(value, text);
  }
}

// Values ----------------------------------------------------------------------------------------------

void IParam::Set(double value)
{
  mPreviousValue.store(mValue.exchange(value));
}

double IParam::Constrain(double value) const
{
  if (std::isnan(value)) return mMin;
  if (GetStepped() && mStep > 0.0) value = std::round(value / mStep) * mStep;
  if (value < mMin) return mMin;
  if (value > mMax) return mMax;
  return value;
}

double IParam::ToNormalized(double nonNormalizedValue) const
{
  return mShape->ToNormalized(*this, nonNormalizedValue);
}

double IParam::FromNormalized(double normalizedValue) const
{
  return mShape->FromNormalized(*this, normalizedValue);
}

double IParam::ToNormalizedClamped(double value) const
{
  const double n = ToNormalized(Constrain(value));
  return n < 0.0 ? 0.0 : (n > 1.0 ? 1.0 : n);
}

void IParam::SetNormalized(double normalizedValue)
{
  Set(Constrain(FromNormalized(normalizedValue)));
}

// Display texts ---------------------------------------------------------------------------------------

void IParam::SetDisplayText(double value, const char* text)
{
  const int n = mDisplayTexts.GetSize();
  DisplayText* entries = mDisplayTexts.Resize(n + 1);
  if (!entries || mDisplayTexts.GetSize() != n + 1) return;
  entries[n].mValue = value;
  CopyBounded(entries[n].mText, text);
}

int IParam::NDisplayTexts() const
{
  return mDisplayTexts.GetSize();
}

const char* IParam::GetDisplayText(double value) const
{
  const DisplayText* entries = mDisplayTexts.Get();
  for (int i = 0; i < NDisplayTexts(); ++i)
    if (entries[i].mValue == value) return entries[i].mText;
  return "";
}

const char* IParam::GetDisplayTextAtIdx(int idx, double* pValue) const
{
  if (idx < 0 || idx >= NDisplayTexts()) return nullptr;
  const DisplayText& entry = mDisplayTexts.Get()[idx];
  if (pValue) *pValue = entry.mValue;
  return entry.mText;
}

bool IParam::MapDisplayText(const char* text, double* pValue) const
{
  if (!text) return false;
  const DisplayText* entries = mDisplayTexts.Get();
  for (int i = 0; i < NDisplayTexts(); ++i)
  {
    if (std::strcmp(entries[i].mText, text) == 0)
    {
      if (pValue) *pValue = entries[i].mValue;
      return true;
    }
  }
  return false;
}

// Text conversion -------------------------------------------------------------------------------------

void IParam::GetDisplay(double value, bool normalized, StringBuf& display, bool withDisplayText) const
{
  if (normalized) value = Constrain(FromNormalized(value));

  if (mDisplayFunction)
  {
    mDisplayFunction(value, display);
    return;
  }

  if (withDisplayText)
  {
    const char* text = GetDisplayText(value);
    if (*text)
    {
      display.Set(text, kTextLen);
      return;
    }
  }

  if (GetNegateDisplay()) value = -value;
  if (value == 0.0) value = 0.0; // -0 prints without its sign

  if (mDisplayPrecision == 0)
  {
    display.SetFormatted(kTextLen, "%lld", std::llround(value));
    return;
  }

  if (GetSignDisplay() && value != 0.0)
  {
    char fmt[16];
    std::snprintf(fmt, sizeof fmt, "%%+.%df", mDisplayPrecision);
    display.SetFormatted(kTextLen, fmt, value);
    return;
  }

  if (mDisplayMapping == kMappingAffine)
    value = value * (mMappingB - mMappingA) + mMappingA;
  else if (mDisplayMapping == kMappingSplitScale)
  {
    value = value > 0.0 ? value * std::fabs(mMappingB) : value * std::fabs(mMappingA);
    if (value <= mMappingFloor)
    {
      display.Set("-inf ");
      return;
    }
  }

  display.SetFormatted(kTextLen, "%.*f", mDisplayPrecision, value);
}

double IParam::StringToValue(const char* text) const
{
  double v = 0.0;
  if (MapDisplayText(text, &v)) return v;
  if (mType == kTypeBool || mType == kTypeEnum) return 0.0;

  std::string s = text ? text : "";
  size_t k = s.find('k');
  if (k == std::string::npos) k = s.find('K');
  if (k != std::string::npos)
  {
    s[k] = '.';
    v = std::atof(s.c_str()) * 1000.0;
  }
  else
    v = std::atof(s.c_str());

  if (GetNegateDisplay()) v = -v;

  if (mDisplayMapping == kMappingAffine)
    v = (v - mMappingA) / (mMappingB - mMappingA);
  else if (mDisplayMapping == kMappingSplitScale)
  {
    const double divisor = v > 0.0 ? std::fabs(mMappingB) : std::fabs(mMappingA);
    v = divisor == 0.0 ? 0.0 : v / divisor;
  }

  return Constrain(v);
}

void IParam::GetJSON(StringBuf& json, int idx) const
{
  constexpr int kLimit = 8192;
  json.AppendFormatted(kLimit, "{");
  json.AppendFormatted(kLimit, "\"id\":%i, ", idx);
  json.AppendFormatted(kLimit, "\"name\":\"%s\", ", mName);
  static const char* const kTypeNames[] = {nullptr, "bool", "int", "enum", "float"};
  if (mType >= kTypeBool && mType <= kTypeDouble)
    json.AppendFormatted(kLimit, "\"type\":\"%s\", ", kTypeNames[mType]);
  json.AppendFormatted(kLimit, "\"min\":%f, ", mMin);
  json.AppendFormatted(kLimit, "\"max\":%f, ", mMax);
  json.AppendFormatted(kLimit, "\"default\":%f, ", mDefault);
  json.AppendFormatted(kLimit, "\"rate\":\"control\"");
  json.AppendFormatted(kLimit, "}");
}
} // namespace iplugin
