// Message box kinds and the answers a message box returns.
#pragma once

#include <functional>

namespace iplugin::igraphics
{
enum EMsgBoxType
{
  kMB_OK = 0,
  kMB_OKCANCEL = 1,
  kMB_ABORTRETRYIGNORE = 2, // no panel: answered kCANCEL at once
  kMB_YESNOCANCEL = 3,
  kMB_YESNO = 4,
  kMB_RETRYCANCEL = 5
};

enum EMsgBoxResult
{
  kNoResult = 0,
  kOK = 1,
  kCANCEL = 2,
  kABORT = 3,
  kRETRY = 4,
  kIGNORE = 5,
  kYES = 6,
  kNO = 7
};

// Called with the answer once the box closes.
using IMsgBoxCompletionHandlerFunc = std::function<void(EMsgBoxResult)>;
} // namespace iplugin::igraphics
