#include "mixer/SendSlotTable.h"

namespace iplugin
{
SendSlot** CreateSendSlotTable()
{
  SendSlot** table = new SendSlot*[kNumSendSlots];
  for (int s = 0; s < kNumSendSlots; ++s)
    table[s] = new SendSlot();
  return table;
}

SendSlot* const* SendSlotTable::Slots()
{
  static SendSlot** const table = CreateSendSlotTable();
  return table;
}

SendSlot* SendSlotTable::Slot(int index)
{
  if (index < 0 || index >= kNumSendSlots) return nullptr;
  return Slots()[index];
}

void SendSlotTable::ResetAll()
{
  for (int s = 0; s < kNumSendSlots; ++s)
    Slots()[s]->Reset();
}

namespace
{
// Made at load time, so that no audio thread is the first to touch it.
[[maybe_unused]] SendSlot* const* const gSendSlotsAtLoad = SendSlotTable::Slots();
} // namespace
} // namespace iplugin
