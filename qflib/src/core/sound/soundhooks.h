// Connects the sound layer to the platform: once installed, the platform creates the sound
// manager at start-up, runs its main-thread notification pass whenever it waits for events,
// tells it about activation changes and deletes it at shut-down.
#pragma once

void InstallSoundHooks();
