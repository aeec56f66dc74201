// Controls of the Metal and Core Animation stand-ins that have no macOS counterpart: the synchronous GPU
// mode, the shortcuts' switches, fault injection, counters for tests, and reading back what a layer shows.
#pragma once

#include <Metal/Metal.h>
#include <QorvPlatform/MetalOptions.h>
#include <QuartzCore/CAMetalLayer.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Synchronous mode (the default): commit runs the command buffer and its handlers on the calling thread.
// Otherwise each queue runs them on its own thread. Set it before making queues.
void QorvMetalSetSynchronous(bool synchronous);
bool QorvMetalIsSynchronous();

// Pixels of a pass's target that make one thread's share (512 x 512 by default): a target is drawn in as many
// bands of rows as it holds shares, each on a thread of its own (at most one a core), so one of fewer than
// two shares is drawn on the calling thread alone. Every band reads the vertices that the calling thread
// shades anew for each pass; moving them between cores costs more CPU time than a small band saves. Tests
// lower it to draw small targets in bands.
void QorvMetalSetPixelsPerBand(uint64_t pixels);
uint64_t QorvMetalPixelsPerBand();

// The shortcuts a device's draws take (see QorvGpuOptions), set for the draws encoded from now on.
void QorvMetalSetOptions(MTLDevice& device, const QorvGpuOptions& options);
QorvGpuOptions QorvMetalOptions(const MTLDevice& device);
// How many fragments took their texels as stored, and how many rectangle rows took theirs at once, for tests
// of those shortcuts.
uint64_t QorvMetalTexelsCopied();
uint64_t QorvMetalTexelRectRows();
// How many rows of sample columns the calling thread has worked out texel indices for, rather than found
// them kept from an earlier row, for tests of that memo.
uint64_t QorvMetalColumnRowsWorkedOut();

// While set, every newLibraryWithData fails as if the data were damaged.
void QorvMetalSetLibraryFailure(bool fail);

// Render pipeline states made so far by all devices.
uint64_t QorvMetalPipelineStatesMade();
// Draws skipped because their pipeline did not fit the pass (attachment formats), and other misuse.
uint64_t QorvMetalValidationErrors();

// The image the layer shows, as rows of RGBA bytes (not premultiplied conversion: bytes as stored, reordered
// to red first). Waits for committed GPU work first. False when nothing was presented yet.
bool QorvMetalLayerCopyPresentedImage(CAMetalLayer& layer, std::vector<uint8_t>& rgba, int& width,
                                      int& height);
// Where a window keeps its copy of what a layer shows, width x height pixels; the layer's top left corner
// goes to (x, y). Either rows of four bytes a pixel (blue, green, red, alpha), bytesPerRow apart, or, when
// putRow is set, a writer that takes each run of such pixels for the target's pixel (x, y) onwards and
// keeps them in a layout of its own (pixels and bytesPerRow unused).
struct QorvPixelTarget
{
  uint8_t* pixels;
  size_t bytesPerRow;
  int width, height;
  int x, y;
  void (*putRow)(void* context, const uint8_t* bgra, int x, int y, size_t count) = nullptr;
  void* context = nullptr;
};
// Copies into target what the layer shows where it changed since the last call (all of it when whole, or
// after a present whose changes are unknown or of another size), the drawable's bytes as they are; changed
// gets those parts in target's pixels, clipped to it. False, copying nothing, when nothing was presented
// since the last call and whole is not asked, or never. For the one window that shows the layer.
bool QorvMetalLayerCopyPresentedChanges(CAMetalLayer& layer, bool whole, const QorvPixelTarget& target,
                                        std::vector<MTLRegion>& changed);
// Number of drawables presented on the layer so far.
uint64_t QorvMetalLayerPresentCount(CAMetalLayer& layer);
