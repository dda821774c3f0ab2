// The game services' lifetime, written once: the game's start-up builds them in this order and
// its shut-down deletes them in reverse; the test fixtures of every layer above use the same two
// calls. Each service's instance() is then an accessor to what start-up built (it still makes
// the service on first use, which only tests that build a single service rely on).
#pragma once

namespace Game::GameServices
{

// Builds every service not yet there, in order: options (the window's size and the volumes),
// profiles, medal times, level progress (which reads both), cheats, the sound groups, the sound
// effects, the intro loop and the music.
void startUp();

// Deletes every service there is, in the reverse order of startUp.
void shutDown();

}  // namespace Game::GameServices
