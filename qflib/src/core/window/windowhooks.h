// Connects the window manager to the platform facade: the platform creates and deletes the
// manager, attaches the window script, forwards close requests and redraw requests, and makes
// the screen window on the first display set-up through these hooks.
#pragma once

class TWindowScript;

// Installs the window hooks into the platform (before QuillfireExec or a TPlatform is made).
void InstallWindowHooks();

// Makes the window script the platform attaches at start-up; null (the default) attaches none.
// The script bridge installs its factory here.
typedef TWindowScript* (*TWindowScriptFactory)();
void SetWindowScriptFactory(TWindowScriptFactory factory);
