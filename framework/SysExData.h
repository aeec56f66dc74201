// System-exclusive messages: SysExData is the fixed record that travels through the queues;
// SysExView is how a message is handed to and from the plug-in (bytes not owned).
#pragma once

#include <cstdint>

namespace iplugin
{
struct SysExData
{
  static constexpr int kMaxBytes = 512;

  int mOffset = 0;
  int mSize = 0;
  uint8_t mData[kMaxBytes] = {};
};

struct SysExView
{
  int mOffset = 0;
  int mSize = 0;
  const uint8_t* mData = nullptr;

  SysExView() = default;
  SysExView(int offset, const uint8_t* data, int size) : mOffset(offset), mSize(size), mData(data) {}
  explicit SysExView(const SysExData& d) : mOffset(d.mOffset), mSize(d.mSize), mData(d.mData) {}
};
} // namespace iplugin
