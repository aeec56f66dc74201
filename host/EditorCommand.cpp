#include "host/EditorCommand.h"

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

int RunEditor(PluginEntryPoints& plugin, const SharedOptions& shared, const EditorOptions& o,
              std::ostream& out, std::ostream& err)
{
  std::string error;
  if (const int status = CheckOutputs({{{"--preset", shared.presetFile}, {"--script", o.script}},
                                       {{"--png", o.png}, {"--window-png", o.windowPng}},
                                       shared.plugin,
                                       ""},
                                      error))
  {
    err << error << "\n";
    return status;
  }
  if (!o.windowPng.empty() && !qorvplatform::DisplayAvailable())
  {
    err << "--window-png needs a display (DISPLAY set, QORV_HEADLESS unset)\n";
    return 2;
  }
  // The whole script is read and checked before the editor opens: a bad line anywhere runs nothing.
  std::vector<EditorScriptStep> script;
  if (!o.script.empty())
  {
    std::string text, why;
    if (ReadInputFile(o.script, InputKind::kScript, SIZE_MAX, text, why) != InputRead::kDone)
    {
      err << "cannot read " << o.script << " (" << why << ")\n";
      return 1;
    }
    // Some editors save a text with a UTF-8 byte-order mark before its first line.
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    std::istringstream in(text);
    double waited = 0;
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number)
    {
      script.emplace_back();
      if (!ReadEditorScriptLine(line, waited, script.back(), error))
      {
        err << o.script << ":" << number << ": " << error << "\n";
        return 1;
      }
    }
  }
  if (o.screenScale > 0) qorvplatform::SetScreenScale(o.screenScale);
  const bool windowed = qorvplatform::DisplayAvailable();
  if (windowed) qorvplatform::UseRealClock();

  std::unique_ptr<HostInstance> instance = HostInstance::Open(plugin, Door::kFactory, error);
  std::vector<ParamSetting> settings;
  if (!instance ||
      (!shared.presetFile.empty() && !ApplyPresetFile(instance->Unit(), shared.presetFile, error)) ||
      !ResolveSettings(instance->Unit(), shared.sets, settings, error))
  {
    err << error << "\n";
    return 1;
  }
  for (const ParamSetting& s : settings)
    AudioUnitSetParameter(instance->Unit(), s.id, kAudioUnitScope_Global, 0, s.value, 0);
  if (instance->Configure(48000, 2, 2, 512) != noErr || instance->Initialize() != noErr)
  {
    err << "the plug-in cannot be initialized\n";
    return 1;
  }
  const EditorReport report(instance->Unit());
  std::unique_ptr<EditorWindow> editor = EditorWindow::Open(instance->Unit(), plugin.name, error);
  if (!editor)
  {
    err << error << "\n";
    return 1;
  }
  NSView* view = &editor->View();
  NSWindow& window = editor->Window();
  const NSRect frame = view->frame();
  out << "editor " << frame.size.width << " x " << frame.size.height << " points, "
      << (window.nativeWindow() ? "in an X11 window" : "headless") << std::endl; // a script may wait for it
  if (!o.windowPng.empty() && !window.nativeWindow())
  {
    err << "--window-png: no window on the screen (" << HeadlessReason(window) << ")\n";
    return 1;
  }

  EditorScriptClock clock{CFAbsoluteTimeGetCurrent(), 0.0};
  qorvplatform::AdvanceClock(1.0 / 30.0); // the first frames
  for (size_t i = 0; i < script.size() && !StopSignal(); ++i)
    RunEditorScriptStep(script[i], window, clock);
  if (window.nativeWindow())
  {
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
  }
  else if (!StopSignal())
    qorvplatform::AdvanceClock(1.0 / 30.0);
  // Stopped by a signal: the editor closes as when its window does, and nothing more is written.
  if (StopSignal())
  {
    report.Print(out);
    return kExitStopped;
  }

  // Both pictures are made before either is written; then they are put in place together.
  std::vector<unsigned char> png, windowPng;
  iplugin::AtomicFile pngFile, windowPngFile;
  int status = 0;
  if ((!o.png.empty() && !EditorFramePng(*view, o.png, png, error)) ||
      (!o.windowPng.empty() && !EditorWindowPng(window, o.windowPng, windowPng, error)) ||
      !StageOutput(pngFile, o.png, png.data(), png.size(), error) ||
      !StageOutput(windowPngFile, o.windowPng, windowPng.data(), windowPng.size(), error))
    status = 1;
  else
    status = PlaceOutputs({{&pngFile, o.png}, {&windowPngFile, o.windowPng}}, error);
  if (status == 1) err << error << "\n";
  report.Print(out);
  return status;
}

} // namespace qorvhost
