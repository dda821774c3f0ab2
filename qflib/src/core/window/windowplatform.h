// What the window core asks of the platform facade. Without a platform (headless tools, fuzz
// targets, benchmarks) each answer is the plain default: in the foreground, display ready,
// normal cursor, no platform tasks.
#pragma once

class TTaskList;

namespace windowplatform
{

bool IsForeground();
bool IsDisplayReady();
// A platform exists but has no platform object behind it.
bool LacksPlatformData();
int GetCursorMode();
// "overlaymouse" as an integer, 0 when unset.
int GetOverlayMouse();
// The platform's task list, or null.
TTaskList* GetTaskList();
// TPlatform::Exit; false when there is no platform.
bool Exit(int code);

}  // namespace windowplatform
