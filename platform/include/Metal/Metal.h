// Stand-in umbrella header of Metal.
#pragma once

#include <Metal/MTLTypes.h>
#include <Metal/MTLResource.h>
#include <Metal/MTLLibrary.h>
#include <Metal/MTLVertexDescriptor.h>
#include <Metal/MTLRenderPipeline.h>
#include <Metal/MTLDepthStencil.h>
#include <Metal/MTLRenderPass.h>
#include <Metal/MTLDrawable.h>
#include <Metal/MTLCommandBuffer.h>
#include <Metal/MTLCommandEncoder.h>
#include <Metal/MTLDevice.h>
