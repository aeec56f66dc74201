#include "platform/src/AppKit/PointerWarps.h"

namespace qorvplatform::detail
{
bool PointerWarps::Warp(Point p, unsigned long serial)
{
  mApp = p;
  const Point will = mPending.empty() ? mServer : mPending.back().at;
  if (mKnown && will == p) return false;
  mPending.push_back({serial, p});
  return true;
}

bool PointerWarps::Place(unsigned long serial, Point& at, bool motion)
{
  // Warps carried out before the event moved the server's pointer without the user.
  bool echo = false;
  while (!mPending.empty() && mPending.front().serial <= serial)
  {
    mServer = mPending.front().at;
    mKnown = true;
    echo = motion && mServer == at;
    mPending.pop_front();
  }
  if (!mKnown)
  {
    mServer = mApp = at;
    mKnown = true;
    return true;
  }
  if (echo) return false;
  mApp.x += at.x - mServer.x;
  mApp.y += at.y - mServer.y;
  mServer = at;
  at = mApp;
  return true;
}
} // namespace qorvplatform::detail
