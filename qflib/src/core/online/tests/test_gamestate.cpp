#include <climits>

#include "bridge/script.h"
#include "online/gamestate.h"
#include "online_fixture.h"

using onlinetest::OnlineFixture;

namespace
{

class FakeVolume : public TGameStateVolume
{
public:
    float GetMasterVolume() override { return volume; }
    void SetMasterVolume(float v) override
    {
        volume = v;
        ++sets;
    }
    float volume = 0.8f;
    int sets = 0;
};

// Records what the store offers it; answers as configured.
class RecordingHandler : public TGameStateHandler
{
public:
    RecordingHandler(std::vector<std::string>* log, std::string tag) : mLog(log), mTag(std::move(tag)) {}
    ~RecordingHandler() override { mLog->push_back(mTag + ":deleted"); }
    bool SetState(const char* key, const char* value) override
    {
        mLog->push_back(mTag + ":set " + key + "=" + value);
        return consume == key;
    }
    const char* GetState(const char* key, const char* value) override
    {
        if (answerFor != key)
            return value;
        mAnswer = std::string(value) + suffix;
        return mAnswer.c_str();
    }
    bool QueryRestartMode() override { return restart; }
    bool QueryJumpToMenu() override { return jump; }
    bool QueryMuteGame() override { return mute; }
    void ShutdownHandler() override
    {
        mLog->push_back(mTag + ":shutdown");
        TGameStateHandler::ShutdownHandler();
    }

    std::string consume, answerFor, suffix;
    bool restart = false, jump = false, mute = false;

private:
    std::vector<std::string>* mLog;
    std::string mTag;
    std::string mAnswer;
};

class GameStateTest : public OnlineFixture
{
protected:
    std::vector<std::string> log;
};

// Looking the store up never makes it: only CreateInstance does, once.
TEST_F(GameStateTest, NoStoreUntilItIsCreated)
{
    EXPECT_EQ(TGameState::GetInstance(), nullptr);
    SetState(str("a"), str("1"));  // nothing to set it in
    EXPECT_EQ(TGameState::GetInstance(), nullptr);
    TGameState* store = TGameState::CreateInstance(nullptr);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(TGameState::GetInstance(), store);
    EXPECT_EQ(TGameState::CreateInstance(nullptr), store);
    EXPECT_EQ(store->GetState(str("a")), str(""));
    SetState(str("a"), str("1"));
    EXPECT_EQ(store->GetState(str("a")), str("1"));
    // Without the platform facade the free setter sets nothing.
    platform.reset();
    SetState(str("a"), str("2"));
    EXPECT_EQ(store->GetState(str("a")), str("1"));
    platform.reset(new TPlatform(nullptr));
}

// The store registers its globals in the script state it is created with.
TEST_F(GameStateTest, CreatingTheStoreRegistersTheGlobalsInTheGivenScriptState)
{
    TScript script;
    TGameState::CreateInstance(script.GetState());
    ASSERT_EQ(script.DoLuaString(str("_SetState('from', 'script')")), 0);
    EXPECT_EQ(Store().GetState(str("from")), str("script"));
    TScript other;  // a state the store was not created with has none of them
    ASSERT_EQ(other.DoLuaString(str("return tostring(GetState)"), -1, 1), 0);
    EXPECT_EQ(other.PopString(), str("nil"));
}

TEST_F(GameStateTest, AbsentKeysReadEmptyAndValuesAreStored)
{
    EXPECT_EQ(Store().GetState(str("missing")), str(""));
    SetState(str("level"), str("soil"));
    EXPECT_EQ(Store().GetState(str("level")), str("soil"));
    SetState(str("level"), str("rock"));
    EXPECT_EQ(Store().GetState(str("level")), str("rock"));
}

TEST_F(GameStateTest, CounterKeys)
{
    struct Case
    {
        const char* stored;
        const char* key;
        const char* readKey;
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, "++count", "count", "1"},
        {"1", "++count", "count", "2"},
        {"7abc", "++count", "count", "8"},
        {"-3", "++count", "count", "-2"},
        {"words", "++count", "count", "1"},
        {"2147483647", "++count", "count", "2147483647"},  // saturates
        {"99999999999", "++count", "count", "2147483647"},
        {nullptr, "++", "", "1"},              // the empty key
        {nullptr, "+single", "+single", "x"},  // one "+" is part of the key
    };
    for (const Case& c : cases)
    {
        TGameState::DestroyInstance();
        if (c.stored)
            Store().SetState(str(c.readKey), str(c.stored));
        Store().SetState(str(c.key), str("x"));
        EXPECT_EQ(Store().GetState(str(c.readKey)), str(c.expected))
            << c.key << " over " << (c.stored ? c.stored : "nothing");
    }
}

TEST_F(GameStateTest, CounterReadsThroughTheHandlers)
{
    auto* handler = new RecordingHandler(&log, "h");
    handler->answerFor = "count";
    handler->suffix = "0";  // "1" reads as "10"
    TGameState::RegisterHandler(handler);
    Store().SetState(str("count"), str("1"));
    Store().SetState(str("++count"), str(""));
    EXPECT_EQ(Store().GetState(str("count")), str("110"));  // stored "11", answered with "0" added
}

TEST_F(GameStateTest, MuteSavesAndRestoresTheMasterVolume)
{
    FakeVolume volume;
    TGameState::SetVolumeControl(&volume);
    Store().SetState(str("mute"), str("1"));
    EXPECT_EQ(volume.volume, 0.0f);
    EXPECT_EQ(volume.sets, 1);
    volume.volume = 0.3f;  // a change while muted is not saved again
    Store().SetState(str("mute"), str("1"));
    EXPECT_EQ(volume.sets, 1);
    EXPECT_TRUE(Store().QueryMuteGame());
    Store().SetState(str("mute"), str("0"));
    EXPECT_FLOAT_EQ(volume.volume, 0.8f);
    EXPECT_EQ(volume.sets, 2);
    EXPECT_FALSE(Store().QueryMuteGame());
    Store().SetState(str("mute"), str("0"));  // already unmuted: nothing
    EXPECT_EQ(volume.sets, 2);
}

TEST_F(GameStateTest, AHandlerThatConsumesMuteSkipsTheVolumeRule)
{
    FakeVolume volume;
    TGameState::SetVolumeControl(&volume);
    auto* handler = new RecordingHandler(&log, "h");
    handler->consume = "mute";
    TGameState::RegisterHandler(handler);
    Store().SetState(str("mute"), str("1"));
    EXPECT_EQ(volume.sets, 0);
    EXPECT_FLOAT_EQ(volume.volume, 0.8f);
    EXPECT_EQ(Store().GetState(str("mute")), str("1"));
    EXPECT_TRUE(Store().QueryMuteGame());
}

TEST_F(GameStateTest, HandlersAreAskedInOrderAndTheFirstConsumerStopsTheChain)
{
    auto* first = new RecordingHandler(&log, "a");
    auto* second = new RecordingHandler(&log, "b");
    first->consume = "stop";
    TGameState::RegisterHandler(first);
    TGameState::RegisterHandler(second);
    Store().SetState(str("go"), str("1"));
    Store().SetState(str("stop"), str("2"));
    const std::vector<std::string> expected = {"a:set go=1", "b:set go=1", "a:set stop=2"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(Store().GetState(str("stop")), str("2"));  // stored either way
}

TEST_F(GameStateTest, ReadsArePipedThroughEveryHandler)
{
    auto* first = new RecordingHandler(&log, "a");
    auto* second = new RecordingHandler(&log, "b");
    first->answerFor = second->answerFor = "k";
    first->suffix = "-a";
    second->suffix = "-b";
    TGameState::RegisterHandler(first);
    TGameState::RegisterHandler(second);
    Store().SetState(str("k"), str("v"));
    EXPECT_EQ(Store().GetState(str("k")), str("v-a-b"));
    EXPECT_EQ(Store().GetState(str("k")), str("v-a-b"));  // the stored value is unchanged
}

TEST_F(GameStateTest, Queries)
{
    EXPECT_FALSE(Store().QueryRestartMode());
    EXPECT_FALSE(Store().QueryJumpToMenu());
    EXPECT_FALSE(Store().QueryMuteGame());
    auto* quiet = new RecordingHandler(&log, "a");
    auto* loud = new RecordingHandler(&log, "b");
    loud->restart = loud->jump = loud->mute = true;
    TGameState::RegisterHandler(quiet);
    TGameState::RegisterHandler(loud);
    EXPECT_TRUE(Store().QueryRestartMode());
    EXPECT_TRUE(Store().QueryJumpToMenu());
    EXPECT_TRUE(Store().QueryMuteGame());
}

TEST_F(GameStateTest, DestructionShutsDownThenDeletesEachHandlerInOrder)
{
    TGameState::RegisterHandler(new RecordingHandler(&log, "a"));  // before the store exists
    Store();
    TGameState::RegisterHandler(new RecordingHandler(&log, "b"));
    TGameState::DestroyInstance();
    const std::vector<std::string> expected = {"a:shutdown", "a:deleted", "b:shutdown", "b:deleted"};
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(TGameStateData::Handlers().empty());
}

TEST_F(GameStateTest, HandlersWithoutAStoreStillShutDown)
{
    TGameState::RegisterHandler(new RecordingHandler(&log, "a"));
    platform.reset();  // no facade: the store is never made
    TGameState::DestroyInstance();
    const std::vector<std::string> expected = {"a:shutdown", "a:deleted"};
    EXPECT_EQ(log, expected);
    platform.reset(new TPlatform(nullptr));
}

TEST_F(GameStateTest, ScriptGlobals)
{
    TScript script;
    Store().RegisterScriptGlobals(script.GetState());
    ASSERT_EQ(script.DoLuaString(str("_SetState('a', 5) _SetState('++hits', 'x') _SetState('++hits', 'x')")),
              0);
    EXPECT_EQ(Store().GetState(str("a")), str("5"));
    ASSERT_EQ(script.DoLuaString(str("return GetState('hits')"), -1, 1), 0);
    EXPECT_EQ(script.PopString(), str("2"));
    ASSERT_EQ(script.DoLuaString(str("return tostring(QueryMuteGame()) .. tostring(QueryRestartMode()) .. "
                                     "tostring(QueryJumpToMenu())"),
                                 -1, 1),
              0);
    EXPECT_EQ(script.PopString(), str("falsefalsefalse"));
    Store().SetState(str("mute"), str("1"));
    ASSERT_EQ(script.DoLuaString(str("return tostring(QueryMuteGame())"), -1, 1), 0);
    EXPECT_EQ(script.PopString(), str("true"));
    // Missing arguments arrive as empty texts.
    ASSERT_EQ(script.DoLuaString(str("_SetState() return GetState()"), -1, 1), 0);
    EXPECT_EQ(script.PopString(), str(""));
}

}  // namespace
