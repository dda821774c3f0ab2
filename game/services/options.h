// The game's settings: display size, colour depth and windowed mode, mouse sensitivity, the
// joystick switch, and the music and sound-effect volumes. Read from "options.xml" in the user's
// preferences folder when first used; written back by the options screen and at exit.
#pragma once

#include "foundation/str.h"

namespace Game
{

class Options
{
public:
    static Options* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static Options* createInstance();
    static void deleteInstance();

    // A missing or damaged file keeps every default. Display rules: windowed play is always
    // 800 x 600; a full-screen size outside the valid range falls back to 800 x 600.
    void readXML();
    // Replaces the file atomically; 0 on success, non-zero when nothing was written.
    int writeXML();

    int getWidth() const { return width; }
    void setWidth(int w) { width = w; }
    int getHeight() const { return height; }
    void setHeight(int h) { height = h; }
    int getDepth() const { return depth; }
    void setDepth(int d) { depth = d; }
    bool getWindowed() const { return windowed; }
    void setWindowed(bool w) { windowed = w; }
    double getMouseSensitivity() const { return mouseSensitivity; }
    void setMouseSensitivity(double s) { mouseSensitivity = s; }
    double getMusicVolume() const { return musicVolume; }
    void setMusicVolume(double v) { musicVolume = v; }
    double getSoundEffectVolume() const { return soundEffectVolume; }
    void setSoundEffectVolume(double v) { soundEffectVolume = v; }
    bool isJoystickOn() const { return joystickOn; }
    void setJoystickOn(bool on) { joystickOn = on; }

    // The depth the display is opened with: -1 when windowed.
    int getUseDepth() const { return windowed ? -1 : depth; }
    // The string-table text "windowtitle".
    str getWindowTitle() const;
    // 800..1280 wide and 600..1024 high, bounds included.
    static bool validDisplayResolution(int width, int height);

    str getFilePath() const;

private:
    Options();
    ~Options() = default;

    str fileName = "options.xml";
    int width = 800;
    int height = 600;
    int depth = 16;
    bool windowed = false;
    double mouseSensitivity = 0.5;
    double musicVolume = 0.65;
    double soundEffectVolume = 0.95;
    bool joystickOn = false;

    static Options* sInstance;
};

}  // namespace Game
