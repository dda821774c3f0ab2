// The game services' lifetime, written once: the game's start-up builds them and its shut-down
// deletes them, each in its own fixed order; the test fixtures of every layer above use the same
// calls. Each service's instance() is then an accessor to what start-up built: a look-up before
// it stops the program (tests that build a single service have it made on first look-up, see
// foundation/singletons.h).
#pragma once

#include <functional>

namespace Game::GameServices
{

// Builds every service not yet there, in order: options (the window's size and the volumes),
// profiles, medal times, level progress (which reads both), the sound groups, the sound effects,
// the cheats (which take their sounds from the effects), the intro loop and the music. The game
// makes the options on their own first and the GUI manager next, then calls this for the rest.
void startUp();

// The shut-down of every singleton the game has, each one that exists deleted once, in this
// order: the profiles, the options, the cheats, the medal times, the level progress, the
// gameplay's own (deleteGameplay, when given), the music, the intro loop, the sound effects,
// then the GUI manager, whose destructor takes the GUI's own singletons with it and, among them,
// the sound groups (through the game's manager services). Without a manager (a test that made
// only some pieces) the GUI's own and the sound groups go in that same order.
void shutDown(const std::function<void()>& deleteGameplay = nullptr);

}  // namespace Game::GameServices
