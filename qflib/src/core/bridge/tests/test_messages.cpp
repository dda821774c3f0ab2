// Messages crossing into scripts and back: boxes, the message metatable, posting and delivery.
#include "bridge_fixture.h"

using namespace btest;

namespace
{

int gDeleted = 0;

class CountingMessage : public TMessage
{
public:
    CountingMessage(int type, const char* name) : TMessage(type, str(name)) {}
    ~CountingMessage() override { gDeleted++; }
};

}  // namespace

class MessageTest : public ScriptTest
{
protected:
    void SetUp() override
    {
        ScriptTest::SetUp();
        CreateMessageMetatable(L());
        LPCD::Register(L(), "CreateNamedMessage", &CreateNamedMessage);
        gDeleted = 0;
    }
    void Box(TMessage* m, const char* global)
    {
        lua_pushstring(L(), global);
        LPCD::Push(L(), m);
        lua_settable(L(), LUA_GLOBALSINDEX);
    }
};

TEST_F(MessageTest, ANamedMessageAnswersTypeAndNameOnly)
{
    ASSERT_EQ(Run("m = CreateNamedMessage(1001, 'go') t = m.type n = m.name x = m.target"), 0);
    EXPECT_EQ(G("t"), "1001");
    EXPECT_EQ(G("n"), "go");
    EXPECT_EQ(G("x"), "<nil>");
}

TEST_F(MessageTest, MessagesAreReadOnly)
{
    ASSERT_EQ(Run("m = CreateNamedMessage(1, 'a')"), 0);
    EXPECT_NE(Run("m.type = 5"), 0);
    EXPECT_EQ(Run("t = m.type"), 0);
    EXPECT_EQ(G("t"), "1");
}

TEST_F(MessageTest, ANullBoxAnswersNilToEveryKey)
{
    Box(nullptr, "m");
    ASSERT_EQ(Run("t = m.type n = m.name"), 0);
    EXPECT_EQ(G("t"), "<nil>");
    EXPECT_EQ(G("n"), "<nil>");
}

TEST_F(MessageTest, CollectingABoxDeletesTheMessageOnce)
{
    Box(new CountingMessage(3, "b"), "m");
    ASSERT_EQ(Run("m = nil collectgarbage() collectgarbage()"), 0);
    EXPECT_EQ(gDeleted, 1);
}

TEST_F(MessageTest, CallingGcByHandEmptiesTheBox)
{
    Box(new CountingMessage(3, "b"), "m");
    // Scripts cannot reach the metatable; native code can still finalise a box early.
    lua_pushstring(L(), "m");
    lua_rawget(L(), LUA_GLOBALSINDEX);
    for (int i = 0; i < 2; i++)
    {
        lua_pushcfunction(L(), &DeleteMessageBox);
        lua_pushvalue(L(), -2);
        ASSERT_EQ(lua_pcall(L(), 1, 0, 0), 0);
    }
    lua_pop(L(), 1);
    ASSERT_EQ(Run("t = m.type"), 0);
    EXPECT_EQ(gDeleted, 1);
    EXPECT_EQ(G("t"), "<nil>");
    ASSERT_EQ(Run("m = nil collectgarbage()"), 0);
    EXPECT_EQ(gDeleted, 1);
}

TEST_F(MessageTest, OnlyRealBoxesConvertToMessages)
{
    static TMessage* got = reinterpret_cast<TMessage*>(1);
    struct Local
    {
        static void Take(TMessage* m) { got = m; }
    };
    LPCD::Register(L(), "Take", &Local::Take);
    const char* notMessages[] = {"Take(nil)", "Take(_SCRIPT)", "Take(newproxy and newproxy() or {})",
                                 "Take('x')", "Take(12)",      "Take({})"};
    for (const char* call : notMessages)
    {
        got = reinterpret_cast<TMessage*>(1);
        ASSERT_EQ(Run(call), 0) << call;
        EXPECT_EQ(got, nullptr) << call;
    }
    // A box with the metatable of another table is no message either.
    ASSERT_EQ(Run("m = CreateNamedMessage(2, 'real') Take(m)"), 0);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->mType, 2);
}

TEST_F(MessageTest, AWrapperCarriesTheBoxAndItsFields)
{
    ASSERT_EQ(Run("m = CreateNamedMessage(1005, 'w')"), 0);
    lua_pushstring(L(), "m");
    lua_gettable(L(), LUA_GLOBALSINDEX);
    auto* wrapper = new TLuaMessageWrapper(L());
    EXPECT_EQ(lua_gettop(L()), 0);
    EXPECT_EQ(wrapper->mType, 1005);
    EXPECT_EQ(wrapper->mName, "w");
    EXPECT_TRUE(wrapper->IsKindOf(TLuaMessageWrapper::ClassId()));
    EXPECT_TRUE(wrapper->IsKindOf(TMessage::ClassId()));
    TMessage* carried = wrapper->GetCarriedMessage();
    ASSERT_NE(carried, wrapper);
    EXPECT_EQ(carried->mType, 1005);
    // The wrapper keeps the box alive although the script dropped it.
    ASSERT_EQ(Run("m = nil collectgarbage()"), 0);
    EXPECT_EQ(wrapper->GetCarriedMessage()->mName, "w");
    // Pushing it back gives the same box; the wrapper goes with the push.
    PushMessageValue(L(), std::unique_ptr<TMessage>(wrapper), true);
    EXPECT_EQ(lua_gettop(L()), 1);
    lua_pushstring(L(), "back");
    lua_insert(L(), -2);
    lua_settable(L(), LUA_GLOBALSINDEX);
    ASSERT_EQ(Run("t = back.type"), 0);
    EXPECT_EQ(G("t"), "1005");
}
