// A serial chain of interchangeable audio stages: each active element processes the result of the one
// before it. Buffers are arrays of pointers to doubles, one per channel.
#pragma once

#include "framework/CursorList.h"
#include "framework/TypedBuf.h"

namespace iplugin
{
class ChainElement
{
public:
  virtual ~ChainElement() = default;

  // Processes nFrames from inputs into outputs (both channel-count entries).
  virtual void ProcessBlock(double** inputs, double** outputs, int nFrames) = 0;
  virtual void SetChannelCount(int nChannels) {}
  virtual void SetIntSetting(int value) {}
  virtual void SetDoubleSetting(double value) {}
  // Inactive elements are skipped by the chain.
  virtual bool IsActive() const { return true; }
};

class ProcessorChain
{
public:
  ProcessorChain() = default;
  ProcessorChain(const ProcessorChain&) = delete;
  ProcessorChain& operator=(const ProcessorChain&) = delete;

  // Appends an element, which the chain owns from then on; returns the element count.
  int Add(ChainElement* element) { return m_elements.Add(element); }
  CursorList<ChainElement>& Elements() { return m_elements; }

  // Stores the three settings, then hands them to every element in list order. A negative channel count
  // counts as 0.
  void SetSettings(int nChannels, int intSetting, double doubleSetting);
  int NChannels() const { return m_nChannels; }
  int IntSetting() const { return m_intSetting; }
  double DoubleSetting() const { return m_doubleSetting; }

  // Runs the active elements in list order, each from the previous result (the inputs for the first)
  // into outputs. With no elements the non-null inputs are copied to their outputs; when every element
  // is inactive the outputs are not written. A null input reads as silence. Working buffers are kept
  // between calls and grow only when a block needs more; a block that cannot get them is not processed.
  void ProcessBlock(const double* const* inputs, double* const* outputs, int nFrames);

private:
  bool PrepareScratch(int nFrames);

  int m_nChannels = 0;
  int m_intSetting = 0;
  double m_doubleSetting = 0.0;
  CursorList<ChainElement> m_elements;
  TypedBuf<double> m_scratch;
  TypedBuf<double*> m_scratchChannels;
};
} // namespace iplugin
