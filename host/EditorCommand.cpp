#include "host/EditorCommand.h"

#include "host/CommandRun.h"
#include "host/EditorPictures.h"
#include "host/EditorReport.h"
#include "host/ExitStatus.h"
#include "host/HostInstance.h"
#include "host/InputFiles.h"
#include "host/MixCommand.h"
#include "host/OutputCheck.h"
#include "host/ParameterTable.h"
#include "host/SignalStop.h"
#include "host/StageOutputs.h"
#include "host/StateFiles.h"

#include <AppKit/NSEvent.h>
#include <AppKit/NSView.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/RunLoopClock.h>

#include <cctype>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace qorvhost
{
namespace
{
unsigned long Modifier(const std::string& word)
{
  if (word == "shift") return NSEventModifierFlagShift;
  if (word == "cmd") return NSEventModifierFlagCommand;
  if (word == "alt") return NSEventModifierFlagOption;
  if (word == "ctrl") return NSEventModifierFlagControl;
  return 0;
}

// A key: a name the platform knows, or a numeric code optionally followed by its characters.
bool ReadKey(std::istringstream& in, qorvplatform::InputEvent& e)
{
  std::string word;
  if (!(in >> word)) return false;
  if (qorvplatform::NamedKey(word, e.keyCode, e.characters)) return true;
  char* end = nullptr;
  const unsigned long code = std::strtoul(word.c_str(), &end, 10);
  if (word.empty() || *end || code > 0xFFFF || !std::isdigit(static_cast<unsigned char>(word[0])))
    return false;
  e.keyCode = static_cast<unsigned short>(code);
  const std::streampos rest = in.tellg();
  std::string chars;
  if (!(in >> chars)) return true;
  if (Modifier(chars))
    in.seekg(rest); // a modifier, read with the others
  else
    e.characters = chars;
  return true;
}

// A script line as a message shows it: bytes that a terminal would act on escaped as \xNN, and no more
// than kShownCharacters of it (then its length), so that a binary or huge file makes a short message.
std::string Shown(const std::string& line)
{
  constexpr size_t kShownCharacters = 80;
  std::string shown;
  for (const char c : line)
  {
    char piece[8] = {c, 0};
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) std::snprintf(piece, sizeof piece, "\\x%02X", unsigned(byte));
    if (shown.size() + std::strlen(piece) > kShownCharacters)
      return shown + "... (" + std::to_string(line.size()) + " bytes)";
    shown += piece;
  }
  return shown;
}
} // namespace

bool ReadEditorScriptLine(const std::string& line, double& waited, EditorScriptStep& step, std::string& error)
{
  step = EditorScriptStep();
  std::istringstream in(line.substr(0, line.find('#')));
  std::string verb;
  if (!(in >> verb)) return true;
  qorvplatform::InputEvent e;
  auto point = [&]() { return bool(in >> e.x >> e.y); };
  bool ok = true;
  if (verb == "move")
  {
    e.kind = qorvplatform::InputKind::Motion;
    ok = point();
  }
  else if (verb == "down" || verb == "up" || verb == "click")
  {
    e.kind = verb == "up" ? qorvplatform::InputKind::Release : qorvplatform::InputKind::Press;
    ok = point();
  }
  else if (verb == "wheel")
  {
    e.kind = qorvplatform::InputKind::Wheel;
    ok = point() && bool(in >> e.delta);
  }
  else if (verb == "key")
  {
    e.kind = qorvplatform::InputKind::KeyDown;
    ok = ReadKey(in, e);
  }
  else if (verb == "drop")
  {
    e.kind = qorvplatform::InputKind::Drop;
    std::string path;
    ok = point() && bool(in >> path);
    e.paths = {path};
  }
  else if (verb == "focus-out")
    e.kind = qorvplatform::InputKind::FocusLoss;
  else if (verb == "wait")
  {
    double seconds = 0;
    std::string extra;
    if (!(in >> seconds) || !(seconds >= 0) || in >> extra)
    {
      error = "bad script line: " + Shown(line);
      return false;
    }
    // The virtual clock runs every frame of the wait: a script may not run for longer than this.
    if (seconds > kMaxScriptSeconds - waited)
    {
      error = "the script would wait for more than " + std::to_string(int(kMaxScriptSeconds)) +
              " seconds in all: " + Shown(line);
      return false;
    }
    waited += seconds;
    step.wait = seconds;
    return true;
  }
  else
    ok = false;
  for (std::string word; ok && in >> word;)
  {
    if (word == "right")
      e.button = 3;
    else if (Modifier(word))
      e.modifiers |= Modifier(word);
    else
      ok = false;
  }
  if (!ok)
  {
    error = "bad script line: " + Shown(line);
    return false;
  }
  step.events.push_back(e);
  if (verb == "click")
  {
    e.kind = qorvplatform::InputKind::Release;
    step.events.push_back(e);
  }
  if (e.kind == qorvplatform::InputKind::KeyDown)
  {
    e.kind = qorvplatform::InputKind::KeyUp;
    step.events.push_back(e);
  }
  return true;
}

void RunEditorScriptStep(const EditorScriptStep& step, NSWindow& window, EditorScriptClock& clock)
{
  for (qorvplatform::InputEvent e : step.events)
  {
    e.time = clock.now;
    qorvplatform::PostEvent(window, e);
  }
  if (step.wait <= 0) return;
  // A second at a time, so that a stop signal ends a long wait.
  double left = step.wait;
  for (; left > 1.0 && !StopSignal(); left -= 1.0)
    qorvplatform::AdvanceClock(1.0);
  if (!StopSignal()) qorvplatform::AdvanceClock(left);
  clock.now += step.wait;
  clock.waited += step.wait;
}

bool RunEditorScriptLine(const std::string& line, NSWindow& window, EditorScriptClock& clock,
                         std::string& error)
{
  EditorScriptStep step;
  double waited = clock.waited;
  if (!ReadEditorScriptLine(line, waited, step, error)) return false;
  RunEditorScriptStep(step, window, clock);
  return true;
}

namespace
{
// One run of the command, step by step (CommandRun.h).
class EditorRun : public CommandRun<EditorOptions>
{
public:
  using CommandRun::CommandRun;

  int Run()
  {
    const int status = RunSteps<EditorRun>(
        {&EditorRun::CheckOptions, &EditorRun::ReadScript, &EditorRun::ChooseClock, &EditorRun::OpenInstance,
         &EditorRun::OpenEditor, &EditorRun::PlayScript, &EditorRun::KeepOpen, &EditorRun::WritePictures});
    // The editor closes as when its window does, also when a stop signal ended the run: what it changed is
    // told.
    if (mEditor) mReport->Print(mOut);
    return status;
  }

private:
  int CheckOptions();
  int ReadScript();
  int ChooseClock();
  int OpenInstance();
  int OpenEditor();
  int PlayScript();
  int KeepOpen();
  int WritePictures();

  // Headless, the editor shows nobody anything: it is there to write its frame or to play a script.
  bool NothingToDoHeadless() const { return o.png.empty() && o.script.empty(); }
  static std::string NothingToDoHeadlessMessage(const std::string& reason)
  {
    return "no window for the editor (" + reason +
           "): headless, it needs --png OUT.png to write its frame or --script FILE to replay events";
  }

  std::vector<EditorScriptStep> mScript;
  std::unique_ptr<HostInstance> mInstance;
  std::unique_ptr<EditorReport> mReport;
  std::unique_ptr<EditorWindow> mEditor;
};

int EditorRun::CheckOptions()
{
  if (const int status = CheckFiles({{{"--preset", f.presetFile}, {"--script", o.script}},
                                     {{"--png", o.png}, {"--window-png", o.windowPng}},
                                     f.plugin,
                                     ""});
      status != kExitDone)
    return status;
  if (!o.windowPng.empty() && !qorvplatform::DisplayAvailable())
  {
    mError = "--window-png needs a display (DISPLAY set, QORV_HEADLESS unset)";
    return Fail(kExitUsage);
  }
  if (!qorvplatform::DisplayAvailable() && NothingToDoHeadless())
  {
    mError = NothingToDoHeadlessMessage(NoDisplayReason());
    return Fail(kExitUsage);
  }
  return kExitDone;
}

// The whole script is read and checked before the editor opens: a bad line anywhere runs nothing.
int EditorRun::ReadScript()
{
  if (o.script.empty()) return kExitDone;
  std::string text, why;
  if (ReadInputFile(o.script, InputKind::kScript, SIZE_MAX, text, why) != InputRead::kDone)
  {
    mError = o.script + ": cannot read (" + why + ")";
    return Fail(kExitFailed);
  }
  // Some editors save a text with a UTF-8 byte-order mark before its first line.
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  std::istringstream in(text);
  double waited = 0;
  std::string line;
  for (size_t number = 1; std::getline(in, line); ++number)
  {
    mScript.emplace_back();
    if (!ReadEditorScriptLine(line, waited, mScript.back(), mError))
    {
      mError = o.script + ":" + std::to_string(number) + ": " + mError;
      return Fail(kExitFailed);
    }
  }
  return kExitDone;
}

// The screen's scale before any window opens; a window's timers run on the system clock.
int EditorRun::ChooseClock()
{
  if (o.screenScale > 0) qorvplatform::SetScreenScale(o.screenScale);
  if (qorvplatform::DisplayAvailable()) qorvplatform::UseRealClock();
  return kExitDone;
}

// The instance with the preset file loaded and the settings set, initialised as a host does before it
// opens the editor.
int EditorRun::OpenInstance()
{
  mInstance = HostInstance::Open(mPlugin, Door::kFactory, mError);
  if (!mInstance || (!f.presetFile.empty() && !ApplyPresetFile(mInstance->Unit(), f.presetFile, mError)))
    return Fail(kExitFailed);
  // A --set that names no parameter or value is a usage error, as in mix.
  std::vector<ParamSetting> settings;
  if (!ResolveSettings(mInstance->Unit(), f.sets, settings, mError)) return Fail(kExitUsage);
  for (const ParamSetting& s : settings)
    AudioUnitSetParameter(mInstance->Unit(), s.id, kAudioUnitScope_Global, 0, s.value, 0);
  if (mInstance->Configure(48000, 2, 2, 512) == noErr && mInstance->Initialize() == noErr) return kExitDone;
  mError = "the plug-in cannot be initialized";
  return Fail(kExitFailed);
}

// The editor in a window of the host; what it changes from here on is told at the end.
int EditorRun::OpenEditor()
{
  mReport = std::make_unique<EditorReport>(mInstance->Unit());
  mEditor = EditorWindow::Open(mInstance->Unit(), mPlugin.name, mError);
  if (!mEditor) return Fail(kExitFailed);
  NSWindow& window = mEditor->Window();
  const NSRect frame = mEditor->View().frame();
  mOut << "editor " << frame.size.width << " x " << frame.size.height << " points, "
       << (window.nativeWindow() ? "in an X11 window" : "headless") << std::endl; // a script may wait for it
  if (window.nativeWindow()) return kExitDone;
  if (!o.windowPng.empty())
    mError = "--window-png: no window on the screen (" + HeadlessReason(window) + ")";
  else if (NothingToDoHeadless())
    mError = NothingToDoHeadlessMessage(HeadlessReason(window));
  else
  {
    // A display that is there but shows no window is told; without one, headless is what was asked for.
    if (qorvplatform::DisplayAvailable())
      mErr << "no window for the editor (" << HeadlessReason(window) << "): it runs headless\n";
    return kExitDone;
  }
  return Fail(kExitFailed);
}

// The script's events and waits, after the first frames.
int EditorRun::PlayScript()
{
  EditorScriptClock clock{CFAbsoluteTimeGetCurrent(), 0.0};
  qorvplatform::AdvanceClock(1.0 / 30.0);
  for (size_t i = 0; i < mScript.size() && !StopSignal(); ++i)
    RunEditorScriptStep(mScript[i], mEditor->Window(), clock);
  return kExitDone;
}

// In a window until it is closed (or for the seconds asked); headless, for one more frame.
int EditorRun::KeepOpen()
{
  NSWindow& window = mEditor->Window();
  if (!window.nativeWindow())
  {
    qorvplatform::AdvanceClock(1.0 / 30.0);
    return kExitDone;
  }
  // A stop signal wakes the loop at once.
  const int wake = qorvplatform::AddRunLoopDescriptor(StopDescriptor(), [] {});
  const auto start = std::chrono::steady_clock::now();
  while (!qorvplatform::WindowCloseRequested(window) && !StopSignal())
  {
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.05, false);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (o.seconds > 0 && elapsed.count() >= o.seconds) break;
  }
  qorvplatform::RemoveRunLoopDescriptor(wake);
  return kExitDone;
}

// Both pictures are made before either is written; then they are put in place together.
int EditorRun::WritePictures()
{
  std::vector<unsigned char> png, windowPng;
  iplugin::AtomicFile pngFile, windowPngFile;
  if ((!o.png.empty() && !EditorFramePng(mEditor->View(), o.png, png, mError)) ||
      (!o.windowPng.empty() && !EditorWindowPng(mEditor->Window(), o.windowPng, windowPng, mError)) ||
      !StageOutput(pngFile, o.png, png.data(), png.size(), mError) ||
      !StageOutput(windowPngFile, o.windowPng, windowPng.data(), windowPng.size(), mError))
    return Fail(kExitFailed);
  return Place({{&pngFile, o.png}, {&windowPngFile, o.windowPng}});
}
} // namespace

int RunEditor(PluginEntryPoints& plugin, const SharedOptions& shared, const EditorOptions& options,
              std::ostream& out, std::ostream& err)
{
  return EditorRun(plugin, shared, options, out, err).Run();
}

} // namespace qorvhost
