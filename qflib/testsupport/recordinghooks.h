// Platform hooks for tests: every call is appended as one line to a shared log, so start-up and
// shut-down order can be compared with an expected list. The window hooks hand out a dummy
// window manager pointer and the sound hooks a dummy sound manager pointer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/seams.h"

struct RecordingHooks
{
    std::vector<std::string> log;
    bool soundInitResult = true;
    unsigned displayWidth = 0, displayHeight = 0;
    bool displayFullscreen = false;
    bool cursorLocked = false;
    unsigned windowIdleQuietMs = 0;  // the window manager's answer to IdleQuietMs
    // The one picture LoadPicture can read: pictureName's pixels (any other name fails).
    std::string pictureName;
    std::vector<uint32_t> picture;
    unsigned pictureWidth = 0, pictureHeight = 0;

    // Installs recording hooks for every seam; Uninstall (or the destructor) puts the defaults
    // back.
    void Install();
    void Uninstall();
    ~RecordingHooks() { Uninstall(); }

    size_t Count(const std::string& line) const;
    // Index of the first line equal to line, or -1.
    int IndexOf(const std::string& line) const;
};

TWindowManager* FakeWindowManagerPointer();
TSoundManager* FakeSoundManagerPointer();
