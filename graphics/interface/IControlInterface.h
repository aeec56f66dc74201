// An editor control as the framework and the plug-in's idle tick reach it. The framework is linked below
// the graphics library, so it uses controls only through this interface, which IControl implements.
#pragma once

namespace iplugin
{
// The framework's MIDI record; these interfaces sit below the framework, so they only name it.
struct IMidiMsg;
} // namespace iplugin

namespace iplugin::igraphics
{
class IControlInterface
{
public:
  virtual ~IControlInterface() = default;

  // A message from the plug-in addressed to this control's tag.
  virtual void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData) {}
  // MIDI from the plug-in; only controls that want MIDI get it.
  virtual void OnMidi(const IMidiMsg& msg) {}
  // A normalised value from the plug-in for value entry valIdx.
  virtual void SetValueFromDelegate(double value, int valIdx = 0) = 0;

  // The number of {parameter index, value} entries, fixed at construction.
  virtual int NVals() const = 0;
  // The parameter bound to entry valIdx; -1 when unbound.
  virtual int GetParamIdx(int valIdx = 0) const = 0;
  virtual bool GetWantsMidi() const = 0;

  // The normalised value of entry valIdx.
  virtual double GetValue(int valIdx = 0) const = 0;
  // Stores a value into entry valIdx; no clamping, nothing redrawn.
  virtual void SetValue(double value, int valIdx = 0) = 0;
  // Marks the control for redrawing; with triggerAction the values go to their parameters and the
  // action function runs. valIdx -1: all entries.
  virtual void SetDirty(bool triggerAction = true, int valIdx = -1) = 0;
};
} // namespace iplugin::igraphics
