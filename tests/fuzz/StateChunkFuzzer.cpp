// Arbitrary bytes as a host's saved state: refused with nothing changed, or read whole, never a crash.
#include "tests/mixer/PresetTestPlugin.h"

#include <cstdint>
#include <cstdlib>

using namespace iplugin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static mixtest::PresetTestPlugin* plug = new mixtest::PresetTestPlugin;
  if (size > (1u << 20)) return 0;
  ByteChunk chunk;
  chunk.PutBytes(data, int(size));
  const auto before = plug->Values();
  const int pos = plug->UnserializeState(chunk, 0);
  if (pos < 0 && plug->Values() != before) std::abort(); // a refused state changed values
  if (pos > chunk.Size()) std::abort();
  for (int i = 0; i < plug->NParams(); ++i)
  {
    const IParam* p = plug->GetParam(i);
    if (!(p->Value() >= p->GetMin() && p->Value() <= p->GetMax())) std::abort();
  }
  plug->handled.clear();
  return 0;
}
