#include <CoreMIDI/MIDIServices.h>

#include <cstddef>
#include <cstring>

namespace
{
// A packet that starts a system-exclusive message or continues one (starts with a data byte).
bool IsSysEx(const MIDIPacket* p)
{
  return p->length > 0 && (p->data[0] == 0xF0 || p->data[0] < 0x80);
}
} // namespace

MIDIPacket* MIDIPacketListInit(MIDIPacketList* pktlist)
{
  if (!pktlist) return nullptr;
  pktlist->numPackets = 0;
  return pktlist->packet;
}

MIDIPacket* MIDIPacketListAdd(MIDIPacketList* pktlist, ByteCount listSize, MIDIPacket* curPacket,
                              MIDITimeStamp time, ByteCount nData, const Byte* data)
{
  if (!pktlist || !curPacket || !data || nData == 0 || nData > 0xFFFF) return nullptr;
  const Byte* listStart = reinterpret_cast<const Byte*>(pktlist);
  const Byte* listEnd = listStart + listSize;
  const Byte* cur = reinterpret_cast<const Byte*>(curPacket);
  if (cur < listStart + offsetof(MIDIPacketList, packet) || cur >= listEnd) return nullptr;

  if (pktlist->numPackets > 0)
  {
    if (curPacket->timeStamp == time && !IsSysEx(curPacket) && data[0] != 0xF0 &&
        curPacket->length + nData <= 0xFFFF && &curPacket->data[curPacket->length] + nData <= listEnd)
    {
      std::memcpy(&curPacket->data[curPacket->length], data, nData);
      curPacket->length = static_cast<UInt16>(curPacket->length + nData);
      return curPacket;
    }
    curPacket = MIDIPacketNext(curPacket);
  }
  Byte* start = reinterpret_cast<Byte*>(curPacket);
  if (start < listStart || start > listEnd ||
      static_cast<ByteCount>(listEnd - start) < offsetof(MIDIPacket, data) + nData)
    return nullptr;
  curPacket->timeStamp = time;
  curPacket->length = static_cast<UInt16>(nData);
  std::memcpy(curPacket->data, data, nData);
  ++pktlist->numPackets;
  return curPacket;
}
