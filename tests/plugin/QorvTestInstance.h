// A Qorv instance whose data folder lives in a scratch folder, recording what it tells host and editor.
#pragma once

#include "editor/plugin/Qorv.h"
#include "tests/support/TestPaths.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace mixtest
{
// Points the user's Application Support folder at a fresh scratch folder for one test.
class ScopedDataHome
{
public:
  explicit ScopedDataHome(const std::string& name) : mRoot(qorvtest::ScratchDir(name))
  {
    const char* old = std::getenv("XDG_DATA_HOME");
    mHadOld = old != nullptr;
    if (old) mOld = old;
    setenv("XDG_DATA_HOME", mRoot.c_str(), 1);
  }
  ~ScopedDataHome()
  {
    if (mHadOld)
      setenv("XDG_DATA_HOME", mOld.c_str(), 1);
    else
      unsetenv("XDG_DATA_HOME");
  }
  const std::string& Root() const { return mRoot; }
  std::string QorvFolder() const { return mRoot + "/Qorv"; }

private:
  std::string mRoot, mOld;
  bool mHadOld = false;
};

class RecordingQorv : public iplugin::Qorv
{
public:
  RecordingQorv() : Qorv(iplugin::InstanceInfo{}) {}

  void NotifyHostParamValue(int paramIdx, double normalizedValue) override
  {
    hostValues.push_back({paramIdx, normalizedValue});
    Qorv::NotifyHostParamValue(paramIdx, normalizedValue);
  }
  void NotifyHostGestureBegin(int paramIdx) override { gesturesBegun.push_back(paramIdx); }
  void NotifyHostGestureEnd(int paramIdx) override { gesturesEnded.push_back(paramIdx); }
  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override
  {
    editorValues.push_back({paramIdx, value, normalized});
    Qorv::SendParameterValueFromDelegate(paramIdx, value, normalized);
  }
  void SetLatency(int samples) override
  {
    latencies.push_back(samples);
    Qorv::SetLatency(samples);
  }

  // Sets a parameter as the given source would, then runs the handler.
  void Change(int paramIdx, double value, iplugin::EParamSource source = iplugin::kUI)
  {
    GetParam(paramIdx)->Set(GetParam(paramIdx)->Constrain(value));
    HandleParamChange(paramIdx, source, -1);
  }
  void Identify(const char* hostName) { SetHost(hostName, 0x10000); }

  struct HostValue
  {
    int paramIdx;
    double normalized;
  };
  struct EditorValue
  {
    int paramIdx;
    double value;
    bool normalized;
  };
  std::vector<HostValue> hostValues;
  std::vector<EditorValue> editorValues;
  std::vector<int> gesturesBegun, gesturesEnded, latencies;
};

// Runs the engine over six connected inputs, one stereo pair per channel, in blocks of 512: a tone on
// channel 0, half of it on channel 1, silence on channel 2.
inline void MixTone(iplugin::Qorv& plug, double seconds)
{
  constexpr int kFrames = 512;
  std::vector<std::vector<double>> in(6, std::vector<double>(kFrames, 0.0)),
      out(2, std::vector<double>(kFrames));
  const double* inputs[6];
  double* outputs[2] = {out[0].data(), out[1].data()};
  for (int c = 0; c < 6; ++c)
    inputs[c] = in[size_t(c)].data();
  const int blocks = int(seconds * 44100.0 / kFrames);
  for (int b = 0, t = 0; b < blocks; ++b)
  {
    for (int i = 0; i < kFrames; ++i, ++t)
    {
      const double s = 0.3 * std::sin(2.0 * M_PI * 300.0 * t / 44100.0);
      in[0][size_t(i)] = in[1][size_t(i)] = s;
      in[2][size_t(i)] = in[3][size_t(i)] = 0.5 * s;
    }
    plug.Engine().ProcessBlock(inputs, outputs, kFrames, 6, 2, true);
  }
}
} // namespace mixtest
