// Stand-in for Metal's drawable protocol: something a command buffer can present once its work is done.
#pragma once

class MTLDrawable
{
public:
  virtual ~MTLDrawable() = default;
  // Shows the drawable's contents; called by a command buffer after it completed, or directly by the client.
  virtual void present() = 0;
};
