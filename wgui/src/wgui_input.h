// Input: the mouse and the logical keys, fed from the platform's events by the manager's loop
// and polled by the game. WEvent: the keyboard, character and wheel message handed down the
// window tree.
#pragma once

#include "app/event.h"

namespace WGUI
{

class Input
{
public:
    static const int kKeyCount = 101;
    // Logical keys.
    static const int kLeft = 0;
    static const int kUp = 1;
    static const int kDown = 2;
    static const int kRight = 3;
    static const int kSpace = 4;
    static const int kEnter = 7;
    static const int kF2 = 11;
    static const int kTab = 23;
    static const int kEscape = 24;
    static const int kA = 25;  // kA + n is the letter n ("A" to "Z")

    static Input* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static Input* createInstance();
    static void deleteInstance();

    void messageMouseMove(int x, int y);
    void messageMouseLeave() {}
    void messageLeftMouseDown()
    {
        leftButtonDown = true;
        leftPressedSinceUpdate = true;
    }
    void messageLeftMouseUp() { leftButtonDown = false; }
    void messageKeyDown(int code);
    void messageKeyUp(int code);

    // The first logical key bound to a framework key code, or -1.
    int keyFromSDK(int code) const;
    bool isDown(int key) const;
    bool isLeftMouseButtonDown() const { return leftButtonDown; }
    // True when the left button went down since the last update(), even if it is up again: a
    // click shorter than a frame still counts as one frame pressed.
    bool wasLeftMousePressedSinceUpdate() const { return leftPressedSinceUpdate; }
    int getMouseX() const { return mouseX; }
    int getMouseY() const { return mouseY; }
    // The motion of this frame in relative mode; 0 when nothing moved since the last update.
    int getRelMouseX() const { return moved ? relX : 0; }
    int getRelMouseY() const { return moved ? relY : 0; }
    bool getUseRelativeMouse() const { return useRelativeMouse; }

    // End of frame: clears the moved flag (and the relative motion gathered in the frame).
    void update();
    void hideSystemPointer();
    void setUseRelativeMouse(bool relative);

    bool enableJoystick(int) { return false; }
    void disableJoystick(int) {}
    int joyX(int) const { return 32767; }
    int joyY(int) const { return 32767; }

private:
    Input();

    int mouseX = 0, mouseY = 0;
    int relX = 0, relY = 0;
    bool useRelativeMouse = false;
    bool moved = true;
    bool leftButtonDown = false;
    bool leftPressedSinceUpdate = false;
    bool keyDown[kKeyCount] = {};
    int keyMap[kKeyCount];

    static Input* sInstance;
};

class WEvent
{
public:
    // Message types.
    enum
    {
        kNone = -1,
        kPlatform = 0,  // framework type 2
        kMouseMove = 1,
        kMouseUp = 2,
        kMouseDown = 3,
        kChar = 4,
        kKeyDown = 5,
        kKeyUp = 6,
        kWheelUp = 8,
        kWheelDown = 9,
        kWheelLeft = 10,
        kWheelRight = 11,
    };

    WEvent() = default;
    explicit WEvent(const TEvent& event);

    // Type of a framework event type (0..22), or -1.
    static int typeFromFramework(int frameworkType, int param);

    int type = kNone;
    int x = 0;
    int y = 0;
    char code = 0;  // low byte of the parameter; cast to unsigned char for a byte value
    int key = -1;   // logical key of the parameter, or -1
};

}  // namespace WGUI
