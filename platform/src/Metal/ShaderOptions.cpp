#include "platform/src/Metal/ShaderOptions.h"
#include "platform/src/Metal/SourceOver.h"

#include <QorvPlatform/MetalShaders.h>

namespace
{
const QorvGpuOptions kDefaultShaderOptions;
thread_local const QorvGpuOptions* tShaderOptions = nullptr;
} // namespace

const QorvGpuOptions& QorvShaderOptions()
{
  const QorvGpuOptions* in = tShaderOptions;
  return in ? *in : kDefaultShaderOptions;
}
QorvOptionsScope::QorvOptionsScope(const QorvGpuOptions& options) : mOuter(tShaderOptions)
{
  tShaderOptions = &options;
}
QorvOptionsScope::~QorvOptionsScope()
{
  tShaderOptions = mOuter;
}
bool QorvShaderSimd()
{
  return QorvSimdOn(QorvShaderOptions());
}
