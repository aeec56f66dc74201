// The X11 window's account of the pointer while the application warps it back to a lock point after
// every movement, against a model of the X server that carries out requests and user movements in a
// random order and reports each warp as a motion of its own.
#include "platform/src/AppKit/PointerWarps.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

using qorvplatform::detail::PointerWarps;
using Point = PointerWarps::Point;

namespace
{
struct ServerEvent
{
  unsigned long serial; // the application's last request carried out when the event was made
  Point at;
  bool motion;
};

// The server: one pointer, the application's warp requests in order, and the events it sends to it.
struct Server
{
  Point pointer;
  unsigned long done = 0; // the last request carried out
  std::deque<std::pair<unsigned long, Point>> requests;
  std::deque<ServerEvent> events;

  void UserMoves(int dx, int dy)
  {
    pointer = {pointer.x + dx, pointer.y + dy};
    events.push_back({done, pointer, true});
  }
  void CarryOutRequest()
  {
    const auto [serial, at] = requests.front();
    requests.pop_front();
    done = serial;
    pointer = at;
    events.push_back({done, pointer, true}); // also when it was there already
  }
};

// The application of a control that locks the cursor: every motion it is told of moves the control by
// its distance from the lock point, and the cursor is put back there.
struct LockingApp
{
  Point lock;
  int motions = 0;
  long movedX = 0, movedY = 0;

  void Handle(PointerWarps& warps, Server& server, unsigned long& nextSerial)
  {
    ServerEvent e = server.events.front();
    server.events.pop_front();
    if (!warps.Place(e.serial, e.at, e.motion) || !e.motion) return;
    ++motions;
    movedX += e.at.x - lock.x;
    movedY += e.at.y - lock.y;
    if (warps.Warp(lock, nextSerial)) server.requests.push_back({nextSerial++, lock});
  }
};
} // namespace

TEST(PointerWarps, WithoutWarpsEventsAreToldWhereTheyHappen)
{
  PointerWarps warps;
  for (Point p : {Point{5, 7}, Point{300, 2}, Point{300, 2}, Point{0, 0}})
  {
    Point at = p;
    EXPECT_TRUE(warps.Place(3, at, true));
    EXPECT_EQ(at, p);
  }
}

TEST(PointerWarps, EachUserMovementIsOneMotionMeasuredFromTheLockPoint)
{
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round)
  {
    PointerWarps warps;
    Server server;
    const Point lock{400 + round, 300};
    server.pointer = lock;
    server.events.push_back({0, lock, false}); // the press
    LockingApp app{lock};
    unsigned long nextSerial = 10;
    int moves = 0;
    long wantX = 0, wantY = 0;
    const int nMoves = 1 + int(random() % 30);
    // The user, the server and the application take turns at random.
    while (moves < nMoves || !server.requests.empty() || !server.events.empty())
    {
      const unsigned turn = random() % 3;
      if (turn == 0 && moves < nMoves)
      {
        const int dx = int(random() % 9) - 4, dy = int(random() % 9) - 4;
        if (dx == 0 && dy == 0) continue;
        server.UserMoves(dx, dy);
        wantX += dx;
        wantY += dy;
        ++moves;
      }
      else if (turn == 1 && !server.requests.empty())
        server.CarryOutRequest();
      else if (turn == 2 && !server.events.empty())
        app.Handle(warps, server, nextSerial);
      ASSERT_LT(server.events.size() + server.requests.size(), 100u) << "the warps feed themselves";
    }
    EXPECT_EQ(app.motions, nMoves) << round;
    EXPECT_EQ(app.movedX, wantX) << round;
    EXPECT_EQ(app.movedY, wantY) << round;
    EXPECT_EQ(server.pointer, lock) << round; // back where the drag began
  }
}

TEST(PointerWarps, AWarpToWhereThePointerIsOrWillBeIsNotSent)
{
  PointerWarps warps;
  Point at{50, 60};
  ASSERT_TRUE(warps.Place(1, at, false));
  EXPECT_FALSE(warps.Warp({50, 60}, 2));
  EXPECT_TRUE(warps.Warp({10, 10}, 3));
  EXPECT_FALSE(warps.Warp({10, 10}, 4)); // the first is still on its way
  // The server carried it out but made no motion of it: the next movement counts from there.
  Point moved{12, 10};
  EXPECT_TRUE(warps.Place(3, moved, true));
  EXPECT_EQ(moved, (Point{12, 10}));
}
