#include "framework/Avx2Build.h"

namespace iplugin
{
bool ProcessorHasAvx2()
{
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}
} // namespace iplugin
