// The game services' lifetime, written once: the game's start-up builds them in this order and
// its shut-down deletes them in reverse; the test fixtures of every layer above use the same two
// calls. Each service's instance() is then an accessor to what start-up built: a look-up before
// it stops the program (tests that build a single service have it made on first look-up, see
// foundation/singletons.h).
#pragma once

namespace Game::GameServices
{

// Builds every service not yet there, in order: options (the window's size and the volumes),
// profiles, medal times, level progress (which reads both), the sound groups, the sound effects,
// the cheats (which take their sounds from the effects), the intro loop and the music.
void startUp();

// Deletes every service there is, in the reverse order of startUp.
void shutDown();

}  // namespace Game::GameServices
