// Connects the renderer to the platform layer, both ways: the platform's render hooks (display
// set-up, frame bracket, clipping, cursor, HUD, shut-down) reach the renderer and its display
// handler, and the renderer's host reaches the platform (timer, drawing context, buffer swap,
// mouse). The game installs them once before the framework starts.
#pragma once

void InstallRenderHooks();
// Removes both (tests).
void UninstallRenderHooks();
