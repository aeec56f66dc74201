// A message box waiting for the idle tick to show it.
#pragma once

#include "framework/StringBuf.h"

namespace iplugin
{
class ICMessageBox
{
public:
  void RequestMessageBox(const char* text, const char* title)
  {
    mMessageText.Set(text);
    mMessageTitle.Set(title);
    mMessagePending = true;
  }

  StringBuf mMessageText;
  StringBuf mMessageTitle;
  bool mMessagePending = false;
};
} // namespace iplugin
