// Input: the mouse and the logical keys.
#include "wgui_input.h"

#include "app/platform.h"
#include "foundation/singletons.h"
#include "wgui_manager.h"
#include "wgui_misc.h"
#include "wgui_window.h"

namespace WGUI
{

Input* Input::sInstance = nullptr;

Input* Input::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "Input");
        sInstance = new Input();
    }
    return sInstance;
}

Input* Input::instance()
{
    if (!sInstance)
        qfSingletonNotMade("Input");
    return createInstance();
}

void Input::deleteInstance()
{
    qfNoteLifetime("delete", "Input");
    delete sInstance;
    sInstance = nullptr;
}

Input::Input()
{
    for (int i = 0; i < kKeyCount; ++i)
        keyMap[i] = -1;
    keyMap[kLeft] = TEvent::kLeft;
    keyMap[kUp] = TEvent::kUp;
    keyMap[kDown] = TEvent::kDown;
    keyMap[kRight] = TEvent::kRight;
    keyMap[kSpace] = 32;
    keyMap[kEnter] = TEvent::kEnter;
    keyMap[kF2] = TEvent::kF2;
    keyMap[kTab] = TEvent::kTab;
    keyMap[kEscape] = TEvent::kEscape;
    for (int i = 0; i < 26; ++i)
        keyMap[kA + i] = 'A' + i;
}

void Input::messageMouseMove(int x, int y)
{
    if (useRelativeMouse)
    {
        // The platform may report several motions in one frame; the frame's motion is their
        // sum (update() starts the next frame from zero).
        if (!moved)
        {
            relX = 0;
            relY = 0;
        }
        relX += x;
        relY += y;
    }
    else
    {
        mouseX = x;
        mouseY = y;
        relX = 0;
        relY = 0;
    }
    moved = true;
}

void Input::messageKeyDown(int code)
{
    int key = keyFromSDK(code);
    if (key >= 0)
        keyDown[key] = true;
}

void Input::messageKeyUp(int code)
{
    int key = keyFromSDK(code);
    if (key >= 0)
        keyDown[key] = false;
}

int Input::keyFromSDK(int code) const
{
    for (int i = 0; i < kKeyCount; ++i)
        if (keyMap[i] != -1 && keyMap[i] == code)
            return i;
    return -1;
}

bool Input::isDown(int key) const
{
    return key >= 0 && key < kKeyCount && keyDown[key];
}

void Input::update()
{
    moved = false;
    leftPressedSinceUpdate = false;
}

void Input::hideSystemPointer()
{
    if (TPlatform* platform = TPlatform::GetInstance())
        platform->ShowCursor(false);
}

void Input::setUseRelativeMouse(bool relative)
{
    if (relative && !useRelativeMouse)
    {
        if (TPlatform* platform = TPlatform::GetInstance())
            platform->SetCursorMode(TPlatform::kCursorRelative);
        if (Manager::hasInstance() && Manager::instance()->getMouseCursor())
            Manager::instance()->getMouseCursor()->hide();
    }
    else if (!relative && useRelativeMouse)
    {
        if (TPlatform* platform = TPlatform::GetInstance())
            platform->SetCursorMode(TPlatform::kCursorNormal);
        mouseX = Window::getDefaultDisplayWidth() / 2;
        mouseY = Window::getDefaultDisplayHeight() / 2;
        if (Manager::hasInstance() && Manager::instance()->getMouseCursor())
            Manager::instance()->getMouseCursor()->show();
    }
    useRelativeMouse = relative;
}

namespace
{

const int kTableSize = 23;

struct Tables
{
    int toW[kTableSize];    // framework type -> WEvent type
    int fromW[kTableSize];  // WEvent type -> framework type
    Tables()
    {
        for (int i = 0; i < kTableSize; ++i)
            toW[i] = fromW[i] = -1;
        const int pairs[][2] = {{2, 0}, {8, 1}, {7, 2}, {5, 3}, {13, 4}, {11, 5}, {12, 6}};
        for (const auto& p : pairs)
        {
            toW[p[0]] = p[1];
            fromW[p[1]] = p[0];
        }
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

}  // namespace

int WEvent::typeFromFramework(int frameworkType, int param)
{
    if (frameworkType == TEvent::kMouseExtended)
    {
        switch (param)
        {
        case TEvent::kWheelVerticalUp: return kWheelUp;
        case TEvent::kWheelVerticalDown: return kWheelDown;
        case TEvent::kWheelHorizontalUp: return kWheelLeft;
        case TEvent::kWheelHorizontalDown: return kWheelRight;
        default: return kNone;
        }
    }
    if (frameworkType < 0 || frameworkType >= kTableSize)
        return kNone;
    return tables().toW[frameworkType];
}

WEvent::WEvent(const TEvent& event)
{
    type = typeFromFramework(event.mType, event.mParam);
    x = event.mX;
    y = event.mY;
    code = static_cast<char>(event.mParam & 0xFF);
    key = Input::instance()->keyFromSDK(event.mParam);
}

}  // namespace WGUI
