// The pointer as the X server moves it and as the application is told of it while the application
// warps it (private to the platform). On the platform, moving the cursor makes no event, and each event
// is where the cursor was put plus the user's own movement since. The server instead reports a warp as
// a motion of its own, and may report movements that the user made before a warp was carried out after
// it was asked for. Events are placed here in the server's order (by request serial numbers): a warp's
// own motion is dropped, and every other event is told at the application's pointer moved by the
// user's movement since the event before.
#pragma once

#include <deque>

namespace qorvplatform::detail
{
class PointerWarps
{
public:
  struct Point
  {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
  };

  // The application moves the pointer to p; serial is the request a warp would be. False when the
  // server's pointer is (or will be, once the warps sent are carried out) at p already: send nothing.
  bool Warp(Point p, unsigned long serial);
  // An event at the server's pointer position `at`, made after the request `serial` was carried out.
  // False for a warp's own motion (drop it); otherwise `at` becomes where to tell the event.
  bool Place(unsigned long serial, Point& at, bool motion);

private:
  struct Pending
  {
    unsigned long serial;
    Point at;
  };
  std::deque<Pending> mPending; // warps sent whose effect no event has shown yet, oldest first
  Point mServer, mApp;
  bool mKnown = false; // false until the first event
};
} // namespace qorvplatform::detail
