#include "controls/ParamDisplay.h"

#include "framework/IParam.h"

namespace iplugin::igraphics
{
void DisplayWithLabel(const IParam& param, StringBuf& out, bool withLabel)
{
  param.GetDisplay(out, true);
  const char* label = param.GetLabel();
  if (withLabel && label && *label)
  {
    out.Append(" ");
    out.Append(label);
  }
}
} // namespace iplugin::igraphics
