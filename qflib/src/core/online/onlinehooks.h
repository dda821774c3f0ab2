// Connects the online services to the platform: once installed, start-up creates the game-state
// store and installs the play-statistics handler the configuration asks for; shut-down destroys
// the store (its handlers write their last records), uploads the statistics when "postmetrics"
// is set and ends the HTTP requests still running.
#pragma once

void InstallOnlineHooks();
