#include "mixer/LaneIsa.h"

namespace iplugin
{
namespace
{
ELaneIsa FindBestIsa()
{
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl")) return kLaneIsaAvx512;
  return ProcessorHasAvx2() ? kLaneIsaAvx2 : kLaneIsaSse2;
}

const ELaneIsa kBestIsa = FindBestIsa();
} // namespace

bool LaneIsaSupported(ELaneIsa isa)
{
  return isa == kLaneIsaBest || isa <= kBestIsa;
}

ELaneIsa ResolveLaneIsa(ELaneIsa isa)
{
  return isa == kLaneIsaBest || !LaneIsaSupported(isa) ? kBestIsa : isa;
}
} // namespace iplugin
