// Program and bank files and the state formats of the plug-in base: any bytes are refused or read
// without touching memory outside the input.
#include "framework/IPluginBase.h"
#include "tests/fuzz/FuzzScratch.h"

#include <cstdio>
#include <string>

using namespace iplugin;

namespace
{
class Plugin : public IPluginBase
{
public:
  explicit Plugin(bool chunks) : IPluginBase(3, 2)
  {
    GetParam(0)->InitDouble("a", 0, -1, 1, 0.01);
    GetParam(1)->InitInt("b", 1, 0, 4);
    GetParam(2)->InitEnum("c", 0, 3, "", 0, "", "x", "y", "z");
    mUniqueID = 0x46757A7A; // Fuzz
    mStateChunks = chunks;
  }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static const std::string path = qorvfuzz::ScratchFolder() + "/preset.bin";
  if (FILE* f = std::fopen(path.c_str(), "wb"))
  {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  ByteChunk chunk;
  chunk.PutBytes(data, int(size));
  for (bool chunks : {false, true})
  {
    Plugin plugin(chunks);
    plugin.LoadPresetFromFXP(path.c_str());
    plugin.LoadBankFromFXB(path.c_str());
    plugin.UnserializePresets(chunk, 0);
    plugin.UnserializeParams(chunk, 0);
    plugin.UnserializeEditorSize(chunk, 0);
    StringBuf s;
    chunk.GetStr(s, 0);
  }
  return 0;
}
