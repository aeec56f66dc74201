// Stand-in for Core MIDI packet lists. Packets follow one another, each starting on a 4-byte boundary;
// a packet's data may be longer than its declared 256 bytes.
#pragma once

#include <MacTypes.h>

#include <cstdint>

typedef UInt64 MIDITimeStamp;

#pragma pack(push, 4)
struct MIDIPacket
{
  MIDITimeStamp timeStamp;
  UInt16 length;
  Byte data[256];
};

struct MIDIPacketList
{
  UInt32 numPackets;
  MIDIPacket packet[1];
};
#pragma pack(pop)

inline MIDIPacket* MIDIPacketNext(const MIDIPacket* pkt)
{
  auto end = reinterpret_cast<uintptr_t>(&pkt->data[pkt->length]);
  return reinterpret_cast<MIDIPacket*>((end + 3) & ~static_cast<uintptr_t>(3));
}

// Empties the list; returns its first packet, to hand to MIDIPacketListAdd.
MIDIPacket* MIDIPacketListInit(MIDIPacketList* pktlist);
// Adds the bytes to the current packet when it has the same time stamp and neither it nor the new bytes
// belong to a system-exclusive message (a packet that starts with 0xF0 or with a data byte, new bytes that
// start with 0xF0); else starts a new packet. Returns the packet that holds the bytes, or null when
// listSize bytes (counted from the list's start) cannot hold them, when nData is 0 or above 65535, or when
// curPacket is null.
MIDIPacket* MIDIPacketListAdd(MIDIPacketList* pktlist, ByteCount listSize, MIDIPacket* curPacket,
                              MIDITimeStamp time, ByteCount nData, const Byte* data);
