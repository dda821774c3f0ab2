// The three ways a level is played: casual (no time limit), timed (the time limit and the medal
// times) and endurance (the long levels of the endurance menu). In the game a mode is always this
// type; it becomes a number only where a file stores it: the progress file keeps one element per
// mode, written in the order of kLevelModes.
#pragma once

namespace Game
{

enum class LevelMode
{
    kCasual = 0,
    kTimed = 1,
    kEndurance = 2,
};

inline constexpr int kNumLevelModes = 3;
// Every mode, in the order of the progress file's elements.
inline constexpr LevelMode kLevelModes[kNumLevelModes] = {LevelMode::kCasual, LevelMode::kTimed,
                                                          LevelMode::kEndurance};

// The mode's place in per-mode tables and in kLevelModes: 0 casual, 1 timed, 2 endurance.
constexpr int levelModeIndex(LevelMode m)
{
    return static_cast<int>(m);
}

}  // namespace Game
