// The game proper: start-up of the game's services and screens, the main loop and shut-down.
#pragma once

void WGUImain();
