// A Qorv instance whose data folder lives in a scratch folder, recording what it tells host and editor.
#pragma once

#include "mixer/Qorv.h"
#include "tests/support/TestPaths.h"

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
} // namespace mixtest
