// A vector context on a recording renderer, for geometry tests.
#pragma once

#include <vector>

#include "tests/support/VGrecordingRenderer.h"

namespace qorvtest
{
struct RecordingContext
{
  iplugin::igraphics::VGrecordingRenderer* r = nullptr;
  iplugin::igraphics::VGcontext* ctx;

  explicit RecordingContext(int flags = iplugin::igraphics::kVGAntialias, float ratio = 1.0f)
      : ctx(iplugin::igraphics::VGrecordingRenderer::CreateContext(flags, &r))
  {
    iplugin::igraphics::vgBeginFrame(ctx, 400, 300, ratio);
  }
  ~RecordingContext() { iplugin::igraphics::vgDeleteContext(ctx); }

  const iplugin::igraphics::VGpathCache& Cache() const { return *ctx->cache; }
  const iplugin::igraphics::VGpath& Path(int i) const { return ctx->cache->paths[i]; }
  std::vector<iplugin::igraphics::VGpoint> Points(int path) const
  {
    const iplugin::igraphics::VGpath& p = Path(path);
    return {ctx->cache->points + p.first, ctx->cache->points + p.first + p.count};
  }
  std::vector<float> Commands() const { return {ctx->commands, ctx->commands + ctx->ncommands}; }
  const iplugin::igraphics::MVGcall& Call(int i) const { return r->recording.calls[i]; }
  const iplugin::igraphics::MVGfragUniforms& CallUniforms(int i) const
  {
    return r->Uniforms(Call(i).uniformOffset);
  }
  std::vector<iplugin::igraphics::VGvertex> StrokeVerts(int path) const
  {
    const iplugin::igraphics::VGpath& p = Path(path);
    return {p.stroke, p.stroke + p.nstroke};
  }
  std::vector<iplugin::igraphics::VGvertex> FillVerts(int path) const
  {
    const iplugin::igraphics::VGpath& p = Path(path);
    return {p.fill, p.fill + p.nfill};
  }
};
} // namespace qorvtest
