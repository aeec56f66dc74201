// Context lifecycle, state stack, transforms, scissor and composite operations.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/VGrecordingRenderer.h"

using namespace iplugin::igraphics;

namespace
{
struct Context
{
  VGrecordingRenderer* r = nullptr;
  VGcontext* ctx = VGrecordingRenderer::CreateContext(kVGAntialias, &r);
  ~Context() { vgDeleteContext(ctx); }
};

void ExpectXform(const float* t, std::vector<float> want)
{
  for (int i = 0; i < 6; i++)
    EXPECT_NEAR(t[i], want[i], 1e-5) << "component " << i;
}
} // namespace

TEST(Context, CreationMakesRendererAndFirstAtlasImage)
{
  VGrecordingRenderer* r = nullptr;
  VGcontext* ctx = VGrecordingRenderer::CreateContext(kVGAntialias, &r);
  ASSERT_NE(ctx, nullptr);
  auto log = r->log;
  EXPECT_EQ(ctx->params.edgeAntiAlias, 1);
  EXPECT_EQ(ctx->nstates, 1);
  EXPECT_EQ(ctx->tessTol, 0.25f);
  EXPECT_EQ(ctx->fringeWidth, 1.0f);
  EXPECT_EQ(ctx->ccommands, 256);
  EXPECT_EQ(ctx->cache->cpoints, 128);
  EXPECT_EQ(ctx->cache->cpaths, 16);
  EXPECT_EQ(ctx->cache->cverts, 256);
  ASSERT_NE(ctx->fontImages[0], 0);
  const VGrecordedTexture* atlas = r->FindTexture(ctx->fontImages[0]);
  ASSERT_NE(atlas, nullptr);
  EXPECT_EQ(atlas->type, kVGTextureAlpha);
  EXPECT_EQ(atlas->width, 512);
  EXPECT_EQ(atlas->height, 512);
  vgDeleteContext(ctx);
  EXPECT_EQ(*log, (std::vector<std::string>{"renderCreate", "renderCreateTexture", "renderDeleteTexture",
                                            "renderDelete"}));
}

TEST(Context, CreationFailsByResult)
{
  for (int which = 0; which < 2; which++)
  {
    VGrecordingRenderer* r = VGrecordingRenderer::Create(kVGAntialias);
    (which == 0 ? r->failCreate : r->failTextures) = true;
    auto log = r->log;
    VGrenderParams p = r->Params();
    EXPECT_EQ(vgCreateContext(&p), nullptr);
    // What was made is destroyed again, renderer included.
    EXPECT_EQ(log->back(), "renderDelete");
  }
  EXPECT_EQ(vgCreateContext(nullptr), nullptr);
  vgDeleteContext(nullptr);
}

TEST(Context, FrameSetsTolerancesFromPixelRatio)
{
  Context c;
  vgBeginFrame(c.ctx, 200, 100, 2.0f);
  EXPECT_FLOAT_EQ(c.ctx->tessTol, 0.125f);
  EXPECT_FLOAT_EQ(c.ctx->distTol, 0.005f);
  EXPECT_FLOAT_EQ(c.ctx->fringeWidth, 0.5f);
  EXPECT_EQ(c.r->viewportPixelWidth, 400u);
  EXPECT_EQ(c.r->viewportPixelHeight, 200u);
  vgEndFrame(c.ctx);
  EXPECT_EQ(c.r->flushCount, 1);
  vgBeginFrame(c.ctx, 200, 100, 1.0f);
  EXPECT_FLOAT_EQ(c.ctx->tessTol, 0.25f);
  EXPECT_FLOAT_EQ(c.ctx->distTol, 0.01f);
  EXPECT_FLOAT_EQ(c.ctx->fringeWidth, 1.0f);
  vgCancelFrame(c.ctx);
  EXPECT_EQ(c.r->cancelCount, 1);
}

TEST(Context, BeginFrameResetsTheStateStack)
{
  Context c;
  vgSave(c.ctx);
  vgStrokeWidth(c.ctx, 5);
  vgBeginFrame(c.ctx, 10, 10, 1);
  EXPECT_EQ(c.ctx->nstates, 1);
  EXPECT_EQ(vgGetState(c.ctx)->strokeWidth, 1.0f);
  vgEndFrame(c.ctx);
}

TEST(Context, ResetGivesDefaults)
{
  Context c;
  vgStrokeWidth(c.ctx, 3);
  vgReset(c.ctx);
  const VGstate* s = vgGetState(c.ctx);
  EXPECT_EQ(s->compositeOperation.srcRGB, kVGOne);
  EXPECT_EQ(s->compositeOperation.dstAlpha, kVGOneMinusSrcAlpha);
  EXPECT_EQ(s->shapeAntiAlias, 1);
  EXPECT_EQ(s->fill.innerColor.r, 1.0f);
  EXPECT_EQ(s->fill.feather, 1.0f);
  EXPECT_EQ(s->stroke.innerColor.r, 0.0f);
  EXPECT_EQ(s->stroke.innerColor.a, 1.0f);
  EXPECT_EQ(s->strokeWidth, 1.0f);
  EXPECT_EQ(s->miterLimit, 10.0f);
  EXPECT_EQ(s->lineJoin, kVGMiter);
  EXPECT_EQ(s->lineCap, kVGButt);
  EXPECT_EQ(s->alpha, 1.0f);
  EXPECT_EQ(s->scissor.extent[0], -1.0f);
  EXPECT_EQ(s->fontSize, 16.0f);
  EXPECT_EQ(s->lineHeight, 1.0f);
  EXPECT_EQ(s->textAlign, 0x41);
  EXPECT_EQ(s->fontId, 0);
}

TEST(Context, StateStackIgnoresOverflowAndUnderflow)
{
  Context c;
  vgRestore(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 1);
  for (int i = 0; i < 40; i++)
  {
    vgStrokeWidth(c.ctx, (float)i);
    vgSave(c.ctx);
  }
  EXPECT_EQ(c.ctx->nstates, 32);
  vgRestore(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 31);
  // Widths set after the stack filled went into the dropped top state.
  EXPECT_EQ(vgGetState(c.ctx)->strokeWidth, 30.0f);
}

TEST(Context, TransformsActInLocalCoordinates)
{
  Context c;
  vgScale(c.ctx, 2, 2);
  vgTranslate(c.ctx, 10, 0);
  float t[6];
  vgCurrentTransform(c.ctx, t);
  float x, y;
  vgTransformPoint(&x, &y, t, 0, 0);
  EXPECT_FLOAT_EQ(x, 20.0f);
  EXPECT_FLOAT_EQ(y, 0.0f);
  vgCurrentTransform(c.ctx, nullptr);

  vgResetTransform(c.ctx);
  vgTranslate(c.ctx, 5, 6);
  vgRotate(c.ctx, kVGPi / 2);
  vgCurrentTransform(c.ctx, t);
  ExpectXform(t, {0, 1, -1, 0, 5, 6});
  vgSkewX(c.ctx, 0);
  vgSkewY(c.ctx, 0);
  vgTransform(c.ctx, 1, 0, 0, 1, 0, 0);
  vgCurrentTransform(c.ctx, t);
  ExpectXform(t, {0, 1, -1, 0, 5, 6});
}

TEST(Transform, UtilitiesAndInverse)
{
  float t[6], s[6], inv[6];
  vgTransformSkewX(t, kVGPi / 4);
  ExpectXform(t, {1, 0, 1, 1, 0, 0});
  vgTransformSkewY(t, kVGPi / 4);
  ExpectXform(t, {1, 1, 0, 1, 0, 0});
  vgTransformScale(t, 2, 3);
  vgTransformTranslate(s, 10, 20);
  vgTransformMultiply(t, s); // scale, then translate
  ExpectXform(t, {2, 0, 0, 3, 10, 20});
  vgTransformScale(t, 2, 3);
  vgTransformPremultiply(t, s); // translate, then scale
  ExpectXform(t, {2, 0, 0, 3, 20, 60});
  EXPECT_EQ(vgTransformInverse(inv, t), 1);
  ExpectXform(inv, {0.5f, 0, 0, 1.0f / 3, -10, -20});
  float singular[6] = {1e-4f, 0, 0, 1e-3f, 5, 5};
  EXPECT_EQ(vgTransformInverse(inv, singular), 0);
  ExpectXform(inv, {1, 0, 0, 1, 0, 0});
  EXPECT_FLOAT_EQ(vgDegToRad(180), 3.1415927f);
  EXPECT_FLOAT_EQ(vgRadToDeg(3.1415927f), 180);
  float r[6] = {0, 2, -2, 0, 0, 0};
  EXPECT_FLOAT_EQ(vgTransformAverageScale(r), 2.0f);
}

struct ScissorCase
{
  float first[4];
  float second[4];
  float want[4]; // centre x, centre y, half width, half height
};

class ContextScissor : public testing::TestWithParam<ScissorCase>
{
};

TEST_P(ContextScissor, Intersection)
{
  Context c;
  const ScissorCase& k = GetParam();
  vgScissor(c.ctx, k.first[0], k.first[1], k.first[2], k.first[3]);
  vgIntersectScissor(c.ctx, k.second[0], k.second[1], k.second[2], k.second[3]);
  const VGscissor& s = vgGetState(c.ctx)->scissor;
  EXPECT_FLOAT_EQ(s.xform[4], k.want[0]);
  EXPECT_FLOAT_EQ(s.xform[5], k.want[1]);
  EXPECT_FLOAT_EQ(s.extent[0], k.want[2]);
  EXPECT_FLOAT_EQ(s.extent[1], k.want[3]);
}

INSTANTIATE_TEST_SUITE_P(Table, ContextScissor,
                         testing::Values(ScissorCase{{0, 0, 100, 100}, {50, 50, 100, 100}, {75, 75, 25, 25}},
                                         ScissorCase{{0, 0, 10, 10}, {20, 20, 5, 5}, {20, 20, 0, 0}},
                                         ScissorCase{{0, 0, 100, 50}, {10, -10, 20, 200}, {20, 25, 10, 25}}));

TEST(Context, ScissorClampsSizeAndFollowsTransform)
{
  Context c;
  vgScissor(c.ctx, 10, 10, -5, 4);
  EXPECT_EQ(vgGetState(c.ctx)->scissor.extent[0], 0.0f);
  EXPECT_EQ(vgGetState(c.ctx)->scissor.extent[1], 2.0f);
  vgResetScissor(c.ctx);
  EXPECT_EQ(vgGetState(c.ctx)->scissor.extent[0], -1.0f);
  // Without a scissor the intersection is the rectangle itself.
  vgTranslate(c.ctx, 100, 0);
  vgScale(c.ctx, 2, 2);
  vgIntersectScissor(c.ctx, 0, 0, 10, 20);
  const VGscissor& s = vgGetState(c.ctx)->scissor;
  ExpectXform(s.xform, {2, 0, 0, 2, 110, 20});
  // Intersecting again in the same local space keeps it.
  vgIntersectScissor(c.ctx, 0, 0, 100, 100);
  ExpectXform(s.xform, {2, 0, 0, 2, 110, 20});
  EXPECT_FLOAT_EQ(s.extent[0], 5);
  EXPECT_FLOAT_EQ(s.extent[1], 10);
}

TEST(Context, CompositeOperations)
{
  struct
  {
    int op, s, d;
  } table[] = {{kVGSourceOver, kVGOne, kVGOneMinusSrcAlpha},
               {kVGSourceIn, kVGDstAlpha, kVGZero},
               {kVGSourceOut, kVGOneMinusDstAlpha, kVGZero},
               {kVGAtop, kVGDstAlpha, kVGOneMinusSrcAlpha},
               {kVGDestinationOver, kVGOneMinusDstAlpha, kVGOne},
               {kVGDestinationIn, kVGZero, kVGSrcAlpha},
               {kVGDestinationOut, kVGZero, kVGOneMinusSrcAlpha},
               {kVGDestinationAtop, kVGOneMinusDstAlpha, kVGSrcAlpha},
               {kVGLighter, kVGOne, kVGOne},
               {kVGCopy, kVGOne, kVGZero},
               {kVGXor, kVGOneMinusDstAlpha, kVGOneMinusSrcAlpha},
               {11, kVGOne, kVGZero},
               {-1, kVGOne, kVGZero}};
  Context c;
  for (const auto& k : table)
  {
    vgGlobalCompositeOperation(c.ctx, k.op);
    const VGcompositeOperationState& o = vgGetState(c.ctx)->compositeOperation;
    EXPECT_EQ(o.srcRGB, k.s) << k.op;
    EXPECT_EQ(o.dstRGB, k.d) << k.op;
    EXPECT_EQ(o.srcAlpha, k.s) << k.op;
    EXPECT_EQ(o.dstAlpha, k.d) << k.op;
  }
  vgGlobalCompositeBlendFuncSeparate(c.ctx, 3, kVGOne, kVGZero, 4096);
  const VGcompositeOperationState& o = vgGetState(c.ctx)->compositeOperation;
  EXPECT_EQ(o.srcRGB, 3);
  EXPECT_EQ(o.dstAlpha, 4096);
  vgGlobalCompositeBlendFunc(c.ctx, kVGSrcAlpha, kVGOne);
  EXPECT_EQ(o.srcAlpha, kVGSrcAlpha);
  EXPECT_EQ(o.dstRGB, kVGOne);
}

TEST(Context, EndFrameCompactsAtlasImages)
{
  Context c;
  VGrenderParams& p = c.ctx->params;
  int small = c.ctx->fontImages[0];
  int wide = p.renderCreateTexture(p.userPtr, kVGTextureAlpha, 1024, 512, 0, nullptr);
  c.ctx->fontImages[1] = wide;
  c.ctx->fontImageIdx = 1;
  vgBeginFrame(c.ctx, 10, 10, 1);
  vgEndFrame(c.ctx);
  EXPECT_EQ(c.ctx->fontImages[0], wide);
  EXPECT_EQ(c.ctx->fontImages[1], 0);
  EXPECT_EQ(c.ctx->fontImages[2], 0);
  EXPECT_EQ(c.ctx->fontImages[3], 0);
  EXPECT_EQ(c.ctx->fontImageIdx, 0);
  EXPECT_EQ(c.r->FindTexture(small), nullptr);
}

TEST(Context, EndFrameKeepsAtlasImagesAsLargeAsTheCurrent)
{
  Context c;
  VGrenderParams& p = c.ctx->params;
  int big = p.renderCreateTexture(p.userPtr, kVGTextureAlpha, 1024, 1024, 0, nullptr);
  int current = p.renderCreateTexture(p.userPtr, kVGTextureAlpha, 1024, 512, 0, nullptr);
  int small = c.ctx->fontImages[0];
  c.ctx->fontImages[1] = big;
  c.ctx->fontImages[2] = current;
  c.ctx->fontImageIdx = 2;
  vgBeginFrame(c.ctx, 10, 10, 1);
  vgEndFrame(c.ctx);
  EXPECT_EQ(c.ctx->fontImages[0], current);
  EXPECT_EQ(c.ctx->fontImages[1], big);
  EXPECT_EQ(c.ctx->fontImages[2], 0);
  EXPECT_EQ(c.r->FindTexture(small), nullptr);
  EXPECT_NE(c.r->FindTexture(big), nullptr);
}
