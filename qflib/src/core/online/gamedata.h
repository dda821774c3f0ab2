// TQfGameData: the data side of the play-statistics handler. It knows the data folder, appends
// records to the metrics file, carries the total play time from run to run in the time file,
// keeps named stopwatch timers and the last value of every plain game-state key. The
// TGameStateValue family are the values a status block lists, turned into text when written.
//
// Metrics record: name "," "The current date/time is: " asctime-text (ends with "\n"), then
// "," field per value, then "\r\n". A field has every quotation mark doubled and is quoted when
// it is empty, holds a comma, quotation mark, CR or LF, or does not begin with a digit.
// Time file: 4 bytes, the total play time in milliseconds, unsigned little-endian.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TQfGameData
{
public:
    // The millisecond clock the timers run on (TPlatform::Timer unless a test replaces it).
    typedef unsigned int (*TTimerSource)();
    static void SetTimerSource(TTimerSource source);  // null restores TPlatform::Timer
    static unsigned int Now();

    TQfGameData();

    void SetPath(std::string folder);
    void SetOutputFile(std::string name);
    void LoadElapsedTime();
    void SaveElapsedTime();
    // Play time of every run so far, this one included (ms, wrapping at 2^32).
    uint32_t ElapsedTime() const;
    uint32_t StoredElapsed() const { return mStoredElapsed; }
    static std::string GetTimeStamp();
    // Appends one record to the output file; nothing without an output path.
    void Write(std::string name, std::vector<std::string> values);
    // Field text of one value (quoting and doubled quotation marks).
    static std::string FormatField(const std::string& value);

    // Timer commands: "elapsed-time?name" sets a stopped timer to atoi(value); otherwise the
    // value "0" stops, "restart..." restarts from zero, anything else starts or resumes.
    void UpdateTime(const char* key, const char* value);
    // For "elapsed-time?name" the timer's reading as "%12d" (in a static buffer the next call
    // overwrites); for any other key the value itself.
    const char* GetTime(const char* key, const char* value);

    // The timer's reading in ms (0 for an unknown timer; nothing is inserted).
    int64_t TimerReading(const std::string& name) const;
    // The last value stored under a plain key ("" when none; nothing is inserted).
    std::string StateValue(const std::string& key) const;
    void SetStateValue(const std::string& key, const std::string& value) { mStates[key] = value; }

    const std::string& GetOutputPath() const { return mOutputPath; }
    const std::string& GetTimePath() const { return mTimePath; }

private:
    // A stopwatch: accumulated time plus, while running, the time since it last started.
    struct TTimer
    {
        int64_t accumulated = 0;
        uint32_t startedAt = 0;
        bool running = false;
    };
    static int64_t Reading(const TTimer& timer, uint32_t now);
    // The timer name of an "elapsed-time" key: its text from the 14th character on ("" when
    // shorter).
    static std::string TimerName(const char* key);

    std::map<std::string, std::string> mStates;
    std::map<std::string, TTimer> mTimers;
    uint32_t mStartTime;
    uint32_t mStoredElapsed = 0;
    std::string mDataPath;
    std::string mOutputFile = "/metrics.txt";
    std::string mOutputPath;
    std::string mTimePath;
};

class TGameStateValue
{
public:
    virtual ~TGameStateValue() {}
    virtual std::string GetValue(const TQfGameData& data) const = 0;
};

// The last value of a plain key.
class TStatusValue : public TGameStateValue
{
public:
    explicit TStatusValue(std::string name) : mName(std::move(name)) {}
    std::string GetValue(const TQfGameData& data) const override { return data.StateValue(mName); }

private:
    std::string mName;
};

// A timer's reading in ms, plain decimal.
class TElapsedTimeValue : public TGameStateValue
{
public:
    explicit TElapsedTimeValue(std::string name) : mName(std::move(name)) {}
    std::string GetValue(const TQfGameData& data) const override
    {
        return std::to_string(data.TimerReading(mName));
    }

private:
    std::string mName;
};

// A fixed text.
class TConstValue : public TGameStateValue
{
public:
    explicit TConstValue(std::string text) : mName(std::move(text)) {}
    std::string GetValue(const TQfGameData&) const override { return mName; }

private:
    std::string mName;
};
