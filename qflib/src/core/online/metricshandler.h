// The play-statistics handler: the game-state handler that scripts drive with block commands.
// "begin-status" / "begin-session" / "begin-elapsed?<minutes>" open a named block, "add-state",
// "add-timer" and "add-value" add values to it and any key beginning with "end-" closes it.
// Status blocks are written when they end, elapsed blocks once the total play time reaches
// their minute mark, session blocks at shut-down. Plain keys run timers and record values;
// "userdatadir" and "outputfile" name where the records go.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "online/gamedata.h"
#include "online/gamestate.h"

class TStatusBlock
{
public:
    explicit TStatusBlock(std::string name = std::string()) : mName(std::move(name)) {}
    virtual ~TStatusBlock() {}

    void SetName(const std::string& name) { mName = name; }
    const std::string& GetName() const { return mName; }
    void AddValue(std::shared_ptr<TGameStateValue> value) { mValues.push_back(std::move(value)); }
    void CollectGameStateValues(const TQfGameData& data, std::vector<std::string>& out) const;

private:
    std::string mName;
    std::vector<std::shared_ptr<TGameStateValue>> mValues;  // copies of a block share them
};

class TMetricsGameStateHandler : public TGameStateHandler
{
public:
    enum EBlockState
    {
        kNoBlock = 0,
        kSessionBlock = 1,
        kStatusBlock = 2,
        kElapsedBlock = 3,
        kIgnoredBlock = 4
    };

    TMetricsGameStateHandler();
    ~TMetricsGameStateHandler() override;

    bool SetState(const char* key, const char* value) override;
    const char* GetState(const char* key, const char* value) override;
    bool QueryRestartMode() override;
    bool QueryJumpToMenu() override;
    bool QueryMuteGame() override;
    bool QueryPauseGame() override;
    void ShutdownHandler() override;
    virtual void WriteStatusBlock(TStatusBlock& block, TQfGameData& data) = 0;

    // The key left over ("" when the key was a command of the current state).
    std::string ProcessCommands(const char* key, const char* value);
    void WriteError(std::string message);
    void CheckElapsedTime();

    int GetBlockState() const { return mBlockState; }
    TQfGameData& GetGameData() { return mGameData; }
    size_t PendingElapsedBlocks() const { return mElapsedBlocks.size(); }

protected:
    // Writes the blocks whose minute marks the total play time has reached; with write false
    // they are only dropped (used where the record writer is already gone).
    void CheckElapsedTime(bool write);

private:
    std::string ProcessNoBlock(const char* key, const char* value);
    std::string ProcessBlock(const char* key, const char* value);
    std::string ProcessNullBlock(const char* key, const char* value);
    void DestroyStatusBlock();

    TQfGameData mGameData;
    int mBlockState = kNoBlock;
    bool mDataReady = false;
    TStatusBlock* mCurrentBlock = nullptr;               // owned only in the status state
    std::map<std::string, TStatusBlock> mSessionBlocks;  // byte order
    std::map<uint32_t, TStatusBlock> mElapsedBlocks;
    TStatusBlock mIgnoredBlock;  // pointed at, never written
};

class TGlimmoraHandler : public TMetricsGameStateHandler
{
public:
    ~TGlimmoraHandler() override;
    void WriteStatusBlock(TStatusBlock& block, TQfGameData& data) override;
};

// The same handler, installed under "postmetrics"; its records are uploaded at exit.
class TPostMetricsHandler : public TGlimmoraHandler
{
};
