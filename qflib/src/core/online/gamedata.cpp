// TQfGameData: the play-statistics data files.
#include "online/gamedata.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/platform.h"
#include "foundation/debug.h"
#include "foundation/savedstate.h"

namespace
{

TQfGameData::TTimerSource gTimerSource = nullptr;

const char kElapsedPrefix[] = "elapsed-time";
const size_t kElapsedPrefixLength = 12;

}  // namespace

void TQfGameData::SetTimerSource(TTimerSource source)
{
    gTimerSource = source;
}

unsigned int TQfGameData::Now()
{
    return gTimerSource ? gTimerSource() : TPlatform::Timer();
}

TQfGameData::TQfGameData() : mStartTime(Now())
{
}

void TQfGameData::SetPath(std::string folder)
{
    mDataPath = std::move(folder);
    mOutputPath = mDataPath + mOutputFile;
    mTimePath = mDataPath + "/time.dat";
}

void TQfGameData::SetOutputFile(std::string name)
{
    if (name.empty() || name[0] != '/')
        name.insert(name.begin(), '/');
    mOutputFile = name;
    mOutputPath = mDataPath + name;
}

namespace
{

// The time file is exactly its four bytes; any other length is a damaged one.
bool IsWholeTimeFile(const char*, size_t size)
{
    return size == 4;
}

}  // namespace

void TQfGameData::LoadElapsedTime()
{
    if (mTimePath.empty())
        return;
    const TSavedStateRead read = ReadSavedState(str(("::" + mTimePath).c_str()), IsWholeTimeFile);
    if (read.mBytes.size() != 4)
        return;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(read.mBytes.data());
    mStoredElapsed =
        uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

void TQfGameData::SaveElapsedTime()
{
    if (mTimePath.empty())
        return;
    const uint32_t total = ElapsedTime();
    const unsigned char bytes[4] = {static_cast<unsigned char>(total), static_cast<unsigned char>(total >> 8),
                                    static_cast<unsigned char>(total >> 16),
                                    static_cast<unsigned char>(total >> 24)};
    // The same atomic replace as every saved file: a temporary file of a unique name (two
    // running copies never share one), renamed over the old file, which stays as the backup.
    if (!WriteSavedState(str(("::" + mTimePath).c_str()), bytes, 4, IsWholeTimeFile))
        WriteDbg("Could not save the play time to %s", mTimePath.c_str());
}

uint32_t TQfGameData::ElapsedTime() const
{
    return Now() - mStartTime + mStoredElapsed;
}

std::string TQfGameData::GetTimeStamp()
{
    time_t now = time(nullptr);
    struct tm local;
    char text[64] = "";
    if (localtime_r(&now, &local))
        asctime_r(&local, text);
    return std::string("The current date/time is: ") + text;
}

std::string TQfGameData::FormatField(const std::string& value)
{
    std::string doubled;
    doubled.reserve(value.size() + 2);
    bool special = false;
    for (char c : value)
    {
        if (c == '"')
            doubled += '"';
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            special = true;
        doubled += c;
    }
    const bool quoted = special || value.empty() || value[0] < '0' || value[0] > '9';
    return quoted ? "\"" + doubled + "\"" : doubled;
}

void TQfGameData::Write(std::string name, std::vector<std::string> values)
{
    if (mOutputPath.empty())
        return;
    std::string record = name + "," + GetTimeStamp();
    for (const std::string& value : values)
    {
        record += ',';
        record += FormatField(value);
    }
    record += "\r\n";
    FILE* file = fopen(mOutputPath.c_str(), "ab");
    if (!file)
        return;
    if (fwrite(record.data(), 1, record.size(), file) != record.size())
        WriteDbg("Could not append a record to %s", mOutputPath.c_str());
    fclose(file);
}

int64_t TQfGameData::Reading(const TTimer& timer, uint32_t now)
{
    return timer.accumulated + (timer.running ? int64_t(uint32_t(now - timer.startedAt)) : 0);
}

std::string TQfGameData::TimerName(const char* key)
{
    const size_t length = strlen(key);
    return length > kElapsedPrefixLength + 1 ? std::string(key + kElapsedPrefixLength + 1) : std::string();
}

void TQfGameData::UpdateTime(const char* key, const char* value)
{
    if (!key)
        key = "";
    if (!value)
        value = "";
    const uint32_t now = Now();
    TTimer& timer = mTimers[key];
    if (strncmp(key, kElapsedPrefix, kElapsedPrefixLength) == 0)
    {
        TTimer& named = mTimers[TimerName(key)];
        named.accumulated = atoi(value);
        named.running = false;
        return;
    }
    if (strcmp(value, "0") == 0)
    {
        if (timer.running)
        {
            timer.accumulated = Reading(timer, now);
            timer.running = false;
        }
    }
    else if (strncmp(value, "restart", 7) == 0)
    {
        timer.accumulated = 0;
        timer.startedAt = now;
        timer.running = true;
    }
    else if (!timer.running)
    {
        timer.startedAt = now;
        timer.running = true;
    }
}

const char* TQfGameData::GetTime(const char* key, const char* value)
{
    if (!key || strncmp(key, kElapsedPrefix, kElapsedPrefixLength) != 0)
        return value;
    int64_t reading = Reading(mTimers[TimerName(key)], Now());
    if (reading > INT_MAX)
        reading = INT_MAX;
    if (reading < INT_MIN)
        reading = INT_MIN;
    static char buffer[32];
    snprintf(buffer, sizeof buffer, "%12d", int(reading));
    return buffer;
}

int64_t TQfGameData::TimerReading(const std::string& name) const
{
    auto it = mTimers.find(name);
    return it == mTimers.end() ? 0 : Reading(it->second, Now());
}

std::string TQfGameData::StateValue(const std::string& key) const
{
    auto it = mStates.find(key);
    return it == mStates.end() ? std::string() : it->second;
}
