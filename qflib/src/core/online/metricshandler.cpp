// The play-statistics handler driven by scripts' block commands.
#include "online/metricshandler.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

void TStatusBlock::CollectGameStateValues(const TQfGameData& data, std::vector<std::string>& out) const
{
    for (const std::shared_ptr<TGameStateValue>& value : mValues)
        out.push_back(value ? value->GetValue(data) : std::string());
}

TMetricsGameStateHandler::TMetricsGameStateHandler() : mIgnoredBlock("")
{
}

TMetricsGameStateHandler::~TMetricsGameStateHandler()
{
    // The record writer (a derived class) is already gone: only save the play time.
    CheckElapsedTime(false);
    mGameData.SaveElapsedTime();
    DestroyStatusBlock();
}

void TMetricsGameStateHandler::DestroyStatusBlock()
{
    if (mBlockState == kStatusBlock)
        delete mCurrentBlock;
    mCurrentBlock = nullptr;
}

namespace
{

bool StartsWith(const char* text, const char* prefix)
{
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

}  // namespace

std::string TMetricsGameStateHandler::ProcessCommands(const char* key, const char* value)
{
    if (!key)
        key = "";
    if (!value)
        value = "";
    switch (mBlockState)
    {
    case kNoBlock: return ProcessNoBlock(key, value);
    case kIgnoredBlock: return ProcessNullBlock(key, value);
    default: return ProcessBlock(key, value);
    }
}

std::string TMetricsGameStateHandler::ProcessNoBlock(const char* key, const char* value)
{
    if (strcmp(key, "begin-status") == 0)
    {
        mCurrentBlock = new TStatusBlock(value);
        mBlockState = kStatusBlock;
        return std::string();
    }
    if (strcmp(key, "begin-session") == 0)
    {
        TStatusBlock& block = mSessionBlocks[value];
        block.SetName(value);
        mCurrentBlock = &block;
        mBlockState = kSessionBlock;
        return std::string();
    }
    if (StartsWith(key, "begin-elapsed"))
    {
        // The minute mark follows one separator character: "begin-elapsed-60".
        const size_t length = strlen(key);
        long mark = length > 14 ? atol(key + 14) : 0;
        if (mark > long(UINT32_MAX))
            mark = long(UINT32_MAX);
        if (mark <= 0)
        {
            WriteError(std::string("Incorrect time value in: ") + key);
            // Until its "end-" the block is ignored, so its "add-" commands reach no block.
            mBlockState = kIgnoredBlock;
            mCurrentBlock = &mIgnoredBlock;
            return std::string();
        }
        if (mGameData.StoredElapsed() / 60000u < uint32_t(mark))
        {
            TStatusBlock& block = mElapsedBlocks[uint32_t(mark)];
            block.SetName(value);
            mCurrentBlock = &block;
            mBlockState = kElapsedBlock;
        }
        else
        {
            mBlockState = kIgnoredBlock;
            mCurrentBlock = &mIgnoredBlock;
        }
        return std::string();
    }
    return key;
}

std::string TMetricsGameStateHandler::ProcessBlock(const char* key, const char* value)
{
    if (StartsWith(key, "end-"))
    {
        if (mBlockState == kStatusBlock && mCurrentBlock)
            WriteStatusBlock(*mCurrentBlock, mGameData);
        DestroyStatusBlock();
        mBlockState = kNoBlock;
        return std::string();
    }
    if (!mCurrentBlock)
        return key;
    if (strcmp(key, "add-state") == 0)
    {
        mCurrentBlock->AddValue(std::make_shared<TStatusValue>(value));
        return std::string();
    }
    if (strcmp(key, "add-timer") == 0)
    {
        mCurrentBlock->AddValue(std::make_shared<TElapsedTimeValue>(value));
        return std::string();
    }
    if (strcmp(key, "add-value") == 0)
    {
        mCurrentBlock->AddValue(std::make_shared<TConstValue>(value));
        return std::string();
    }
    return key;
}

std::string TMetricsGameStateHandler::ProcessNullBlock(const char* key, const char* /*value*/)
{
    if (StartsWith(key, "end-"))
    {
        mCurrentBlock = nullptr;
        mBlockState = kNoBlock;
        return std::string();
    }
    return key;
}

void TMetricsGameStateHandler::WriteError(std::string message)
{
    mGameData.Write("TGlimmoraHandlerError", std::vector<std::string>{std::move(message)});
}

void TMetricsGameStateHandler::CheckElapsedTime()
{
    CheckElapsedTime(true);
}

void TMetricsGameStateHandler::CheckElapsedTime(bool write)
{
    while (mDataReady && !mElapsedBlocks.empty())
    {
        auto first = mElapsedBlocks.begin();
        if (mGameData.ElapsedTime() / 60000u < first->first)
            return;
        // A block still open (being added to) is written with what it has so far.
        if (mCurrentBlock == &first->second)
        {
            mCurrentBlock = nullptr;
        }
        if (write)
            WriteStatusBlock(first->second, mGameData);
        mElapsedBlocks.erase(first);
    }
}

bool TMetricsGameStateHandler::SetState(const char* key, const char* value)
{
    if (!key)
        key = "";
    if (!value)
        value = "";
    CheckElapsedTime();
    if (ProcessCommands(key, value).empty())
        return true;
    if (strcmp(key, "commondatadir") == 0)
        return false;
    if (strcmp(key, "userdatadir") == 0)
    {
        mGameData.SetPath(value);
        mGameData.LoadElapsedTime();
        mDataReady = true;
        return false;
    }
    if (strcmp(key, "outputfile") == 0)
    {
        mGameData.SetOutputFile(value);
        mGameData.LoadElapsedTime();
        mDataReady = true;
        return false;
    }
    mGameData.UpdateTime(key, value);
    mGameData.SetStateValue(key, value);
    return false;
}

const char* TMetricsGameStateHandler::GetState(const char* key, const char* value)
{
    CheckElapsedTime();
    return mGameData.GetTime(key, value);
}

bool TMetricsGameStateHandler::QueryRestartMode()
{
    CheckElapsedTime();
    return false;
}

bool TMetricsGameStateHandler::QueryJumpToMenu()
{
    CheckElapsedTime();
    return false;
}

bool TMetricsGameStateHandler::QueryMuteGame()
{
    CheckElapsedTime();
    return false;
}

bool TMetricsGameStateHandler::QueryPauseGame()
{
    CheckElapsedTime();
    return false;
}

void TMetricsGameStateHandler::ShutdownHandler()
{
    for (auto& entry : mSessionBlocks)
        WriteStatusBlock(entry.second, mGameData);
    mShutDown = true;
}

TGlimmoraHandler::~TGlimmoraHandler()
{
    CheckElapsedTime();
    GetGameData().SaveElapsedTime();
}

void TGlimmoraHandler::WriteStatusBlock(TStatusBlock& block, TQfGameData& data)
{
    if (data.GetOutputPath().empty())
        return;
    std::vector<std::string> values;
    block.CollectGameStateValues(data, values);
    data.Write(block.GetName(), values);
}

TGameStateHandler* GlimmoraHandlerFactory()
{
    return new TGlimmoraHandler;
}
TGameStateHandler* PostMetricsHandlerFactory()
{
    return new TPostMetricsHandler;
}
