#include "framework/IEditorDelegate.h"

namespace iplugin
{
IEditorDelegate::IEditorDelegate(int nParams)
{
  for (int i = 0; i < nParams; ++i)
    mParams.AddOwned(new IParam);
}

IEditorDelegate::~IEditorDelegate()
{
  mParams.Empty(true);
}

void* IEditorDelegate::OpenWindow(void* pParent)
{
  OnEditorOpened();
  return nullptr;
}

void IEditorDelegate::HandleParamReset(EParamSource source)
{
  for (int i = 0; i < NParams(); ++i)
  {
    HandleParamChange(i, source, -1);
    HandleParamChangeUI(i, source);
  }
}

void IEditorDelegate::SendAllParameterValues()
{
  for (int i = 0; i < NParams(); ++i)
    SendParameterValueFromDelegate(i, GetParam(i)->GetNormalized(), true);
}
} // namespace iplugin
