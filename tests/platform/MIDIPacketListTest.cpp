#include <CoreMIDI/CoreMIDI.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace
{
struct Packet
{
  MIDITimeStamp time;
  std::vector<Byte> bytes;
  bool operator==(const Packet& o) const { return time == o.time && bytes == o.bytes; }
};

std::vector<Packet> Packets(const MIDIPacketList* list)
{
  std::vector<Packet> out;
  const MIDIPacket* p = list->packet;
  for (UInt32 i = 0; i < list->numPackets; ++i)
  {
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 4, 0u) << "packet " << i << " is not 4-byte aligned";
    out.push_back({p->timeStamp, std::vector<Byte>(p->data, p->data + p->length)});
    p = MIDIPacketNext(p);
  }
  return out;
}

// The list buffer, aligned as the platform's allocations are.
struct Buffer
{
  explicit Buffer(size_t bytes) : words((bytes + 7) / 8), size(bytes) {}
  MIDIPacketList* List() { return reinterpret_cast<MIDIPacketList*>(words.data()); }
  std::vector<uint64_t> words;
  size_t size;
};

TEST(MIDIPacketList, OneByteAdditionsWithOneTimeStampJoinIntoOnePacket)
{
  Buffer buffer(sizeof(MIDIPacketList) + 3 * sizeof(MIDIPacket));
  MIDIPacket* cur = MIDIPacketListInit(buffer.List());
  const Byte messages[3][3] = {{0x90, 60, 100}, {0x80, 60, 0}, {0xB0, 7, 99}};
  const MIDITimeStamp times[3] = {5, 5, 9};
  for (int m = 0; m < 3; ++m)
    for (int b = 0; b < 3; ++b)
    {
      cur = MIDIPacketListAdd(buffer.List(), buffer.size, cur, times[m], 1, &messages[m][b]);
      ASSERT_NE(cur, nullptr);
    }
  EXPECT_EQ(Packets(buffer.List()),
            (std::vector<Packet>{{5, {0x90, 60, 100, 0x80, 60, 0}}, {9, {0xB0, 7, 99}}}));
}

TEST(MIDIPacketList, SystemExclusiveChunksStayPacketsOfTheirOwn)
{
  std::vector<Byte> sysex(300, 0x11);
  sysex.front() = 0xF0;
  sysex.back() = 0xF7;
  Buffer buffer(sizeof(MIDIPacketList) + 2 * sizeof(MIDIPacket) + 300);
  MIDIPacket* cur = MIDIPacketListInit(buffer.List());
  cur = MIDIPacketListAdd(buffer.List(), buffer.size, cur, 0, 256, sysex.data());
  ASSERT_NE(cur, nullptr);
  cur = MIDIPacketListAdd(buffer.List(), buffer.size, cur, 0, 44, sysex.data() + 256);
  ASSERT_NE(cur, nullptr);
  const Byte note[3] = {0x90, 1, 2};
  cur = MIDIPacketListAdd(buffer.List(), buffer.size, cur, 0, 3, note); // not joined to a continuation
  ASSERT_NE(cur, nullptr);
  std::vector<Packet> packets = Packets(buffer.List());
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(packets[0].bytes.size(), 256u);
  EXPECT_EQ(packets[1].bytes.size(), 44u);
  EXPECT_EQ(packets[1].bytes.back(), 0xF7);
  EXPECT_EQ(packets[2].bytes.size(), 3u);
}

TEST(MIDIPacketList, AListTooSmallRefusesTheAdditionAndKeepsWhatItHolds)
{
  const Byte note[3] = {0x90, 1, 2};
  const size_t header = offsetof(MIDIPacketList, packet) + offsetof(MIDIPacket, data);
  Buffer buffer(header + 4);
  MIDIPacket* cur = MIDIPacketListInit(buffer.List());
  cur = MIDIPacketListAdd(buffer.List(), buffer.size, cur, 1, 3, note);
  ASSERT_NE(cur, nullptr);
  EXPECT_EQ(MIDIPacketListAdd(buffer.List(), buffer.size, cur, 1, 3, note), nullptr); // would not fit joined
  EXPECT_EQ(MIDIPacketListAdd(buffer.List(), buffer.size, cur, 2, 1, note), nullptr); // nor as a new packet
  EXPECT_EQ(Packets(buffer.List()), (std::vector<Packet>{{1, {0x90, 1, 2}}}));
  EXPECT_EQ(MIDIPacketListAdd(buffer.List(), buffer.size, cur, 1, 0, note), nullptr);
  EXPECT_EQ(MIDIPacketListAdd(buffer.List(), buffer.size, nullptr, 1, 3, note), nullptr);
  EXPECT_EQ(MIDIPacketListAdd(buffer.List(), buffer.size, cur, 1, 70000, note), nullptr);
}
} // namespace
