// Connects the text layer to the platform layer: the legacy line-wrap switch of the
// configuration, the renderer's debug overlay text, and the screen invalidation that the
// rasteriser asks for when a run of draws ends. The game installs them once before the
// framework starts, beside the render hooks.
#pragma once

void InstallTextHooks();
// Removes them again (tests).
void UninstallTextHooks();
