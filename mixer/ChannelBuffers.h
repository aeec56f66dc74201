// Arrays of channel buffers (one array of doubles per channel) and block copies between them.
#pragma once

namespace iplugin
{
// A new array of `channels` pointers, each to a new, zeroed array of `frames` doubles; with channels < 1
// only the (empty) pointer array. Free with FreeChannelBuffers.
double** AllocateChannelBuffers(int frames, int channels);

// Deletes each non-null buffer, then the pointer array. Null is allowed.
void FreeChannelBuffers(double** buffers, int channels);

// Copies `frames` doubles from source to destination + offset; nothing when either pointer is null or
// frames is not positive. The caller guarantees the room.
void CopyChannelBlock(const double* source, double* destination, int frames, int offset);

// CopyChannelBlock for each source and destination pair, skipping pairs with a null pointer.
void CopyChannelBlocks(const double* const* sources, double* const* destinations, int frames, int channels,
                       int offset);

// Zeroes `frames` doubles in each non-null buffer.
void ClearChannelBuffers(double* const* buffers, int frames, int channels);
} // namespace iplugin
