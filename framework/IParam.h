// One host parameter: kind, unit, range, step, default, value, names and display rules.
// The value and the previous value are atomic: host automation, the audio thread and the editor
// read and write them. Everything else is written while the plug-in is constructed.
#pragma once

#include "framework/StringBuf.h"
#include "framework/TypedBuf.h"

#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>

namespace iplugin
{
class IParam
{
public:
  enum EParamType
  {
    kTypeNone = 0,
    kTypeBool,
    kTypeInt,
    kTypeEnum,
    kTypeDouble
  };

  enum EParamUnit
  {
    kUnitPercentage = 0,
    kUnitSeconds,
    kUnitMilliseconds,
    kUnitSamples,
    kUnitDB,
    kUnitLinearGain,
    kUnitPan,
    kUnitPhase,
    kUnitDegrees,
    kUnitMeters,
    kUnitRate,
    kUnitRatio,
    kUnitFrequency,
    kUnitOctaves,
    kUnitCents,
    kUnitAbsCents,
    kUnitSemitones,
    kUnitMIDINote,
    kUnitMIDICC,
    kUnitBPM,
    kUnitBeats,
    kUnitCustom
  };

  enum EDisplayType
  {
    kDisplayLinear = 0,
    kDisplayLog,
    kDisplayExp,
    kDisplaySquared,
    kDisplaySquareRoot,
    kDisplayCubed,
    kDisplayCubeRoot
  };

  enum EFlags
  {
    kFlagsNone = 0,
    kFlagCannotAutomate = 0x1,
    kFlagStepped = 0x2,
    kFlagNegateDisplay = 0x4,
    kFlagSignDisplay = 0x8,
    kFlagMeta = 0x10
  };

  enum EDisplayMapping
  {
    kMappingNone = 0,
    kMappingSplitScale,
    kMappingAffine
  };

  static constexpr int kTextLen = 32;

  using DisplayFunc = std::function<void(double, StringBuf&)>;

  // Maps between the real value and the normalised value (0..1). No shape clamps.
  struct Shape
  {
    virtual ~Shape() = default;
    virtual Shape* Clone() const = 0;
    virtual void Init(const IParam& param) {}
    virtual EDisplayType GetDisplayType() const = 0;
    virtual double FromNormalized(const IParam& param, double normalizedValue) const = 0;
    virtual double ToNormalized(const IParam& param, double nonNormalizedValue) const = 0;
  };

  struct ShapeLinear : public Shape
  {
    Shape* Clone() const override { return new ShapeLinear(*this); }
    EDisplayType GetDisplayType() const override { return kDisplayLinear; }
    double FromNormalized(const IParam& param, double normalizedValue) const override;
    double ToNormalized(const IParam& param, double nonNormalizedValue) const override;
  };

  struct ShapePowCurve : public Shape
  {
    explicit ShapePowCurve(double shape) : mShape(shape) {}
    Shape* Clone() const override { return new ShapePowCurve(*this); }
    EDisplayType GetDisplayType() const override;
    double FromNormalized(const IParam& param, double normalizedValue) const override;
    double ToNormalized(const IParam& param, double nonNormalizedValue) const override;

    double mShape;
  };

  struct ShapeExp : public Shape
  {
    Shape* Clone() const override { return new ShapeExp(*this); }
    void Init(const IParam& param) override;
    EDisplayType GetDisplayType() const override { return kDisplayLog; }
    double FromNormalized(const IParam& param, double normalizedValue) const override;
    double ToNormalized(const IParam& param, double nonNormalizedValue) const override;

    double mMul = 1.0;
    double mAdd = 1.0;
  };

  IParam();
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // Initialisers; each runs once while the plug-in is constructed.
  void InitBool(const char* name, bool defaultValue, const char* label = "", int flags = 0,
                const char* group = "", const char* offText = "off", const char* onText = "on");
  // n display texts follow as const char* arguments when the first is not null.
  void InitEnum(const char* name, int defaultValue, int nEnums, const char* label = "", int flags = 0,
                const char* group = "", const char* listItems = nullptr, ...);
  void InitEnumList(const char* name, int defaultValue, std::initializer_list<const char*> listItems,
                    int flags = 0, const char* group = "");
  void InitInt(const char* name, int defaultValue, int minVal, int maxVal, const char* label = "",
               int flags = 0, const char* group = "");
  void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                  const char* label = "", int flags = 0, const char* group = "",
                  const Shape& shape = ShapeLinear(), EParamUnit unit = kUnitCustom,
                  DisplayFunc displayFunc = nullptr);
  void InitFrequency(const char* name, double defaultVal = 1000., double minVal = 0.1, double maxVal = 10000.,
                     double step = 0.1, int flags = 0, const char* group = "");
  void InitSeconds(const char* name, double defaultVal = 1., double minVal = 0., double maxVal = 10.,
                   double step = 0.1, int flags = 0, const char* group = "");
  void InitMilliseconds(const char* name, double defaultVal = 1., double minVal = 0., double maxVal = 100.,
                        int flags = 0, const char* group = "");
  void InitGain(const char* name, double defaultVal = 0., double minVal = -70., double maxVal = 24.,
                double step = 0.5, int flags = 0, const char* group = "");
  void InitPercentage(const char* name, double defaultVal = 0., double minVal = 0., double maxVal = 100.,
                      int flags = 0, const char* group = "");
  void InitAngle(const char* name, double defaultVal = 0., double minVal = 0., double maxVal = 360.,
                 int flags = 0, const char* group = "");
  void InitPitch(const char* name, int defaultVal = 60, int minVal = 0, int maxVal = 128, int flags = 0,
                 const char* group = "", bool middleCisC4 = false);
  void InitFromParam(const IParam& p, const char* searchStr = "", const char* replaceStr = "",
                     const char* newGroup = "");

  // Value operations.
  double Value() const { return mValue.load(); }
  double PreviousValue() const { return mPreviousValue.load(); }
  bool Bool() const { return Value() >= 0.5; }
  int Int() const { return static_cast<int>(Value()); }
  void Set(double value);
  double Constrain(double value) const;
  double ToNormalized(double nonNormalizedValue) const;
  double FromNormalized(double normalizedValue) const;
  double GetNormalized() const { return ToNormalizedClamped(Value()); }
  // A real value stepped and clamped to the range, then normalised and clamped to [0, 1].
  double ToNormalizedClamped(double value) const;
  void SetNormalized(double normalizedValue);
  void SetToDefault() { Set(Constrain(mDefault)); }

  // Display texts: exact values shown as texts.
  void SetDisplayText(double value, const char* text);
  void SetDisplayPrecision(int precision) { mDisplayPrecision = precision; }
  // Optional mapping of the displayed number: split scale (a below zero, b above, "-inf " at or
  // below the floor) or affine (v x (b - a) + a).
  void SetDisplayMapping(EDisplayMapping mode, double a, double b, double floor = -1.0)
  {
    mDisplayMapping = mode;
    mMappingA = a;
    mMappingB = b;
    mMappingFloor = floor;
  }
  int NDisplayTexts() const;
  const char* GetDisplayText(double value) const;
  const char* GetDisplayTextAtIdx(int idx, double* pValue = nullptr) const;
  bool MapDisplayText(const char* text, double* pValue) const;
  // Bytes held for the display texts: in the order of what they hold (an enum of three texts takes a few
  // hundred bytes, not a page), since a session holds hundreds of these parameters per instance.
  int DisplayTextBytes() const { return mDisplayTexts.GetAllocatedBytes(); }

  void GetDisplay(StringBuf& display, bool withDisplayText = true) const
  {
    GetDisplay(Value(), false, display, withDisplayText);
  }
  void GetDisplay(double value, bool normalized, StringBuf& display, bool withDisplayText = true) const;
  double StringToValue(const char* text) const;
  void GetJSON(StringBuf& json, int idx) const;

  // Accessors.
  const char* GetName() const { return mName; }
  const char* GetLabel() const { return mLabel; }
  const char* GetGroup() const { return mGroup; }
  double GetDefault(bool normalized = false) const { return normalized ? ToNormalized(mDefault) : mDefault; }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  void GetBounds(double& lo, double& hi) const
  {
    lo = mMin;
    hi = mMax;
  }
  double GetRange() const { return mMax - mMin; }
  double GetStep() const { return mStep; }
  int GetDisplayPrecision() const { return mDisplayPrecision; }
  EParamType Type() const { return mType; }
  EParamUnit Unit() const { return mUnit; }
  int GetFlags() const { return mFlags; }
  bool GetStepped() const { return (mFlags & kFlagStepped) != 0; }
  bool GetCanAutomate() const { return (mFlags & kFlagCannotAutomate) == 0; }
  bool GetNegateDisplay() const { return (mFlags & kFlagNegateDisplay) != 0; }
  bool GetSignDisplay() const { return (mFlags & kFlagSignDisplay) != 0; }
  bool GetMeta() const { return (mFlags & kFlagMeta) != 0; }
  EDisplayType GetDisplayType() const { return mShape->GetDisplayType(); }
  const Shape* GetShape() const { return mShape.get(); }

private:
  struct DisplayText
  {
    double mValue;
    char mText[kTextLen];
  };

  EParamType mType = kTypeNone;
  EParamUnit mUnit = kUnitCustom;
  std::atomic<double> mValue{0.0};
  std::atomic<double> mPreviousValue{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  int mFlags = 0;
  EDisplayMapping mDisplayMapping = kMappingNone;
  double mMappingA = 0.0;
  double mMappingB = 1.0;
  double mMappingFloor = -1.0;
  char mName[kTextLen] = {};
  char mLabel[kTextLen] = {};
  char mGroup[kTextLen] = {};
  std::unique_ptr<Shape> mShape;
  DisplayFunc mDisplayFunction;
  // Grown one entry at a time at least (half the size at most), so the storage follows the count: most
  // parameters hold two or a few texts, and a session holds hundreds of parameters per instance.
  TypedBuf<DisplayText> mDisplayTexts{int(sizeof(DisplayText))};
};
} // namespace iplugin
