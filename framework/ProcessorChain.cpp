#include "framework/ProcessorChain.h"

#include <climits>
#include <cstring>

namespace iplugin
{
void ProcessorChain::SetSettings(int nChannels, int intSetting, double doubleSetting)
{
  m_nChannels = nChannels > 0 ? nChannels : 0;
  m_intSetting = intSetting;
  m_doubleSetting = doubleSetting;
  for (int i = 0; i < m_elements.Count(); ++i)
  {
    ChainElement* e = m_elements.Get(i);
    if (!e) continue;
    e->SetChannelCount(m_nChannels);
    e->SetIntSetting(m_intSetting);
    e->SetDoubleSetting(m_doubleSetting);
  }
}

bool ProcessorChain::PrepareScratch(int nFrames)
{
  const long long total = static_cast<long long>(nFrames) * m_nChannels;
  if (total > INT_MAX) return false;
  if (m_scratch.GetSize() < total)
  {
    m_scratch.Resize(static_cast<int>(total));
    if (m_scratch.GetSize() < total) return false;
  }
  if (m_scratchChannels.GetSize() < m_nChannels)
  {
    m_scratchChannels.Resize(m_nChannels);
    if (m_scratchChannels.GetSize() < m_nChannels) return false;
  }
  double** channels = m_scratchChannels.Get();
  for (int c = 0; c < m_nChannels; ++c)
    channels[c] = m_scratch.Get() + static_cast<long long>(c) * nFrames;
  return true;
}

void ProcessorChain::ProcessBlock(const double* const* inputs, double* const* outputs, int nFrames)
{
  if (nFrames <= 0 || m_nChannels <= 0 || !outputs) return;
  const size_t bytes = sizeof(double) * static_cast<size_t>(nFrames);
  const int nElements = m_elements.Count();
  if (nElements == 0)
  {
    for (int c = 0; c < m_nChannels; ++c)
      if (inputs && inputs[c] && outputs[c]) std::memmove(outputs[c], inputs[c], bytes);
    return;
  }
  if (!PrepareScratch(nFrames)) return;
  double** scratch = m_scratchChannels.Get();
  for (int c = 0; c < m_nChannels; ++c)
  {
    if (inputs && inputs[c])
      std::memcpy(scratch[c], inputs[c], bytes);
    else
      std::memset(scratch[c], 0, bytes);
  }
  for (int i = 0; i < nElements; ++i)
  {
    ChainElement* e = m_elements.Get(i);
    if (!e || !e->IsActive()) continue;
    e->ProcessBlock(scratch, const_cast<double**>(outputs), nFrames);
    for (int c = 0; c < m_nChannels; ++c)
      if (outputs[c]) std::memcpy(scratch[c], outputs[c], bytes);
  }
}
} // namespace iplugin
