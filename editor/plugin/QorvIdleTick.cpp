// The plug-in's idle tick: the main-thread half of what the audio thread and the editor request.
#include "framework/Hosts.h"
#include "framework/StringBuf.h"
#include "graphics/interface/IControlInterface.h"
#include "graphics/interface/IGraphicsInterface.h"
#include "editor/EditorLayout.h"
#include "mixer/Decibels.h"
#include "mixer/HostDisplayNames.h"
#include "editor/plugin/Qorv.h"
#include "mixer/UpdatePage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace iplugin
{
namespace
{
bool HostWantsGesturePerValue(int host)
{
  return host == kHostSonar || host == kHostLogic || host == kHostGarageBand || host == kHostBitwig;
}
} // namespace

void Qorv::OnIdleTick()
{
  // Pro Tools learns a changed latency from the audio thread; every other host here.
  if (GetHost() != kHostProTools && GetLatency() != int(mPDCLatency))
    UpdateHostLatency(*this, int(mPDCLatency));

  // Gains are published here only, never on the audio thread: informing the host takes locks and may
  // allocate.
  if (mEngine->mAutomationDue.Load() && mEngine->mWriteAutomation.Load() == 1)
  {
    mEngine->mAutomationDue = uint8_t{0};
    PublishGainParameters();
  }

  igraphics::IGraphicsInterface* ui = GetUI();
  if (!mEditorOpenFlag || !ui) return;

  if (mGuiRescaleRequested.Load() && !ui->IsPopupMenuShowing())
  {
    mGuiRescaleRequested = uint8_t{0};
    ui->Resize(kEditorWidth, kEditorHeight, float(mEngine->mGuiScale.Load()), true);
  }
  if (mAboutRequested.Load())
  {
    mAboutRequested = uint8_t{0};
    mEngine->mInternalBufferCount = 0u;
    ShowAboutBox();
  }
  if (mUpdatePageRequested.Load())
  {
    mUpdatePageRequested = uint8_t{0};
    OpenUpdatePage("Qorv", kQorvVersionText, kUpdatePageAddressFormat);
  }
  if (mVisibilityRequested.Load())
  {
    mVisibilityRequested = uint8_t{0};
    UpdateControlVisibility();
  }
  const int updateIdx = mEditorControlIndices[kIdxUpdateIcon];
  if (igraphics::IControlInterface* button =
          updateIdx >= 0 && updateIdx < ui->NControls() ? ui->GetControl(updateIdx) : nullptr)
  {
    if (button->GetValue() == 1.0)
    {
      button->SetValue(0.0);
      button->SetDirty(true, -1);
    }
  }
  if (mMessagePending)
  {
    mMessagePending = false;
    ui->ShowMessageBox(mMessageText.Get(), mMessageTitle.Get(), igraphics::kMB_OK);
  }
  if (mEngine->mMetersDue.Load())
  {
    mEngine->mMetersDue = uint8_t{0};
    UpdateMeters();
  }
}

double Qorv::GainToPublishedDb(double gain)
{
  return GainToDb(gain);
}

void Qorv::PublishGainParameters()
{
  if (!mEngine->IsMixerMode()) return;
  const int n = mEngine->ChannelsInUse();
  const bool gestures = HostWantsGesturePerValue(GetHost());
  for (int c = 0; c < n; ++c)
  {
    const int idx = kParamFirstOutput + c;
    const double db = GainToPublishedDb(mEngine->MixGain(c));
    if (gestures) NotifyHostGestureBegin(idx);
    // Snapped to the step, clamped to the range and normalised.
    SetParamNormalizedFromUI(idx, GetParam(idx)->ToNormalizedClamped(db));
    if (gestures) NotifyHostGestureEnd(idx);
  }
}

void Qorv::BuildAboutText(StringBuf& text) const
{
  std::string t;
  auto line = [&t](const std::string& s) { t += s + "\n"; };
  char buf[128];

  line(std::string("Plugin name: ") + "Qorv");
  line(std::string("Version: ") + kQorvVersionText);
  line(std::string("Build date: ") + __DATE__);
  line(std::string("Build time: ") + __TIME__);
  line("");
  line(std::string("Format: ") + GetAPIStr() + " " + GetArchStr() + " (INTEL, VECTOR, METAL)");
  line(std::string("Host: ") + HostDisplayName(GetHost()));
  std::snprintf(buf, sizeof buf, "%d-%d (%d-%d)", NChannelsConnected(ERoute::kInput),
                NChannelsConnected(ERoute::kOutput), MaxNChannels(ERoute::kInput),
                MaxNChannels(ERoute::kOutput));
  line(std::string("Channels: ") + buf);
  const double rate = GetSampleRate();
  std::snprintf(buf, sizeof buf, "%d smp (%.1lf ms)", GetLatency(),
                rate > 0.0 ? GetLatency() * 1000.0 / rate : 0.0);
  line(std::string("Plugin delay: ") + buf);
  std::snprintf(buf, sizeof buf, "%.2lf Hz", rate);
  line(std::string("Sample Rate: ") + buf);
  std::snprintf(buf, sizeof buf, "%d smp", GetBlockSize());
  line(std::string("Block Size: ") + buf);
  line("");
  text.Set(t.c_str());
}

void Qorv::ShowAboutBox()
{
  StringBuf text;
  BuildAboutText(text);
  if (igraphics::IGraphicsInterface* ui = GetUI()) ui->ShowMessageBox(text.Get(), "About", igraphics::kMB_OK);
}

void Qorv::UpdatePageAddress(const char* product, const char* version, const char* addressFormat,
                             StringBuf& address)
{
  std::string name = product ? product : "";
  constexpr const char kCut[] = "nogpu";
  constexpr size_t kCutLen = sizeof kCut - 1;
  if (name.size() >= kCutLen && name.compare(name.size() - kCutLen, kCutLen, kCut) == 0)
    name.resize(name.size() - kCutLen);

  // The format is ours (kUpdatePageAddressFormat): two %s, product then version.
  char buf[kUpdatePageAddressMax + 1];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  std::snprintf(buf, sizeof buf, addressFormat ? addressFormat : "", name.c_str(), version ? version : "");
#pragma GCC diagnostic pop
  address.Set(buf);
}

bool Qorv::OpenUpdatePage(const char* product, const char* version, const char* addressFormat)
{
  StringBuf address;
  UpdatePageAddress(product, version, addressFormat, address);
  if (igraphics::IGraphicsInterface* ui = GetUI())
  {
    ui->OpenURL(address.Get());
    // The browser takes the button's mouse-up away.
    ui->ReleaseMouseCapture();
  }
  return false;
}
} // namespace iplugin
