// What the window core asks of the platform facade.
#include "window/windowplatform.h"

#include "app/platform.h"

namespace windowplatform
{

bool IsForeground()
{
    TPlatform* platform = TPlatform::GetInstance();
    return !platform || !platform->GetData() || platform->IsForeground();
}

bool IsDisplayReady()
{
    TPlatform* platform = TPlatform::GetInstance();
    return !platform || platform->GetDisplayReady();
}

bool LacksPlatformData()
{
    TPlatform* platform = TPlatform::GetInstance();
    return platform && !platform->GetData();
}

int GetCursorMode()
{
    TPlatform* platform = TPlatform::GetInstance();
    return platform && platform->GetData() ? int(platform->GetCursorMode()) : 0;
}

int GetOverlayMouse()
{
    return TPlatform::GetConfig(str(TPlatform::kOverlayWindowMouseEvents)).to_int();
}

TTaskList* GetTaskList()
{
    TPlatform* platform = TPlatform::GetInstance();
    return platform && platform->GetData() ? platform->GetTaskList() : nullptr;
}

bool Exit(int code)
{
    TPlatform* platform = TPlatform::GetInstance();
    if (!platform || !platform->GetData())
        return false;
    platform->Exit(code);
    return true;
}

}  // namespace windowplatform
