// The process-wide table of 32 send slots. It is made once when the code is loaded, before any instance
// exists, and never freed; closing instances leaves it as it is. Slot s belongs to "Send CH s+1".
#pragma once

#include "mixer/SendSlot.h"

namespace iplugin
{
constexpr int kNumSendSlots = 32;

// 32 new slots in a new array of pointers. The table below calls it once; it is never freed.
SendSlot** CreateSendSlotTable();

class SendSlotTable
{
public:
  // The table's 32 pointers (made on first use; the code's static initialiser makes that the load).
  static SendSlot* const* Slots();

  // The slot of index 0..31, or null outside that range.
  static SendSlot* Slot(int index);

  // Reset of all 32 slots (SendSlot::Reset). Any thread; no lock.
  static void ResetAll();
};
} // namespace iplugin
