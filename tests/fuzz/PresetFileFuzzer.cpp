// Arbitrary bytes as a preset file: refused with nothing changed, or applied, never a crash.
#include "tests/fuzz/FuzzScratch.h"
#include "tests/mixer/PresetTestPlugin.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace iplugin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static mixtest::PresetTestPlugin* plug = new mixtest::PresetTestPlugin;
  static const std::string path = qorvfuzz::ScratchFolder() + "/preset.qxs";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  const auto before = plug->Values();
  StringBuf name;
  const bool loaded = plug->mXml.LoadPresetFileAndApply(*plug, path.c_str(), &name);
  if (!loaded && plug->Values() != before) std::abort(); // a refused file changed values
  std::vector<double> values(size_t(plug->NParams()), 0.0);
  if (plug->mXml.ReadPresetFile(*plug, path.c_str(), values.data()) != loaded) std::abort();
  plug->handled.clear();
  return 0;
}
