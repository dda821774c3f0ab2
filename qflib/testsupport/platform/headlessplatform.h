// A platform facade with no window system under it, for tests: scratch folders, the window
// hooks, a renderer on the recording display handler (a clipping rectangle of the display's
// size, 640 x 480 unless the options say otherwise) and a
// TPlatform over the fake backend, with the clock one second in. TearDown undoes all of it and
// leaves the process as it was. SetUp reports failures through GoogleTest: call it inside
// ASSERT_NO_FATAL_FAILURE.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/event.h"
#include "scratchfolders.h"

class FakeBackend;
class TPlatform;
class TPlatformData;
class TRecordingDisplayHandler;
class TWindowManager;

struct THeadlessOptions
{
    const char* prefix = "qftest";  // of the scratch folder's name
    bool userFolders = true;        // make <root>/user and <root>/common
    // Files put into <root>/res/assets before the platform scans it: name, text.
    std::vector<std::pair<std::string, std::string>> assetFiles;
    // Called after the window hooks are in, to install the factory of the window script the
    // platform attaches (none when null).
    void (*installScript)() = nullptr;
    int displayWidth = 640;  // the display's size
    int displayHeight = 480;
    bool displayOnHandler = true;  // tell the recording handler the display's size
    // Make the TPlatform here; when not, the test makes it (e.g. through QuillfireExec with
    // folders.MakeBackend()).
    bool makePlatform = true;
};

class THeadlessPlatform
{
public:
    void SetUp(const THeadlessOptions& options = THeadlessOptions());
    // Deletes the platform, shuts the renderer down, resets the hooks and the script factory
    // and removes the scratch folders.
    void TearDown();

    // One pass of the application's loop: the next event (or idle) from the platform's pump,
    // handed to the window manager. Returns the event.
    TEvent Pump();

    TScratchFolders folders;
    TRecordingDisplayHandler* handler = nullptr;
    FakeBackend* backend = nullptr;
    TPlatformData* data = nullptr;
    TPlatform* platform = nullptr;
    TWindowManager* manager = nullptr;
};
