#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/systemcursor.h"
#include "platform_fixture.h"

namespace
{

std::vector<std::string>* gDeleted = nullptr;

struct NamedTask : TTask
{
    explicit NamedTask(std::string name) : name(std::move(name)) {}
    ~NamedTask() override
    {
        if (gDeleted)
            gDeleted->push_back(name);
    }
    bool DoTask() override { return true; }
    std::string name;
};

class FacadeTest : public PlatformFixture
{
protected:
    void SetUp() override
    {
        PlatformFixture::SetUp();
        gDeleted = &deleted;
    }
    void TearDown() override
    {
        gDeleted = nullptr;
        PlatformFixture::TearDown();
    }
    std::vector<std::string> deleted;
};

TEST_F(FacadeTest, TimerIsZeroWithoutAPlatformAndCountsWithOne)
{
    EXPECT_EQ(TPlatform::GetInstance(), nullptr);
    EXPECT_EQ(TPlatform::Timer(), 0u);
    auto owned = MakeBackend();
    FakeBackend* backend = owned.get();
    TPlatform platform(new TPlatformData(std::move(owned), 0, nullptr, false));
    EXPECT_EQ(TPlatform::GetInstance(), &platform);
    EXPECT_EQ(TPlatform::Timer(), 0u);
    backend->AdvanceMs(25);
    EXPECT_EQ(TPlatform::Timer(), 25u);
}

TEST_F(FacadeTest, InitSoundMakesTheManagerOnceAndRepeatsInit)
{
    TPlatform platform(new TPlatformData(MakeBackend(), 0, nullptr, false));
    EXPECT_EQ(platform.GetSoundManager(), nullptr);
    hooks.soundInitResult = false;
    EXPECT_FALSE(platform.InitSound());
    hooks.soundInitResult = true;
    EXPECT_TRUE(platform.InitSound());
    EXPECT_EQ(hooks.Count("CreateSoundManager"), 1u);
    EXPECT_EQ(hooks.Count("InitSoundManager"), 2u);
    EXPECT_EQ(platform.GetSoundManager(), FakeSoundManagerPointer());
}

TEST_F(FacadeTest, SetDisplayMakesTheScreenThenSetsTheDisplayThenTheClipping)
{
    TPlatform platform(new TPlatformData(MakeBackend(), 0, nullptr, false));
    hooks.log.clear();
    platform.SetDisplay(1024, 768, false);
    int screen = hooks.IndexOf("EnsureScreen 1024x768");
    int display = hooks.IndexOf("SetDisplay 1024x768 window");
    int clip = hooks.IndexOf("PushDisplayClipping 1024x768");
    ASSERT_GE(screen, 0);
    EXPECT_LT(screen, display);
    EXPECT_LT(display, clip);
    unsigned w = 0, h = 0;
    bool fs = true;
    platform.GetDisplay(&w, &h, &fs);
    EXPECT_EQ(w, 1024u);
    EXPECT_EQ(h, 768u);
    EXPECT_FALSE(fs);
}

TEST_F(FacadeTest, TextureRefreshListenersAreOrphanableAndDeletedWithTheFacade)
{
    {
        TPlatform platform(new TPlatformData(MakeBackend(), 0, nullptr, false));
        auto* kept = new NamedTask("kept");
        auto* orphan = new NamedTask("orphan");
        NamedTask stranger("stranger");
        platform.AdoptTextureRefreshListener(kept);
        platform.AdoptTextureRefreshListener(orphan);
        EXPECT_TRUE(platform.OrphanTextureRefreshListener(orphan));
        EXPECT_FALSE(platform.OrphanTextureRefreshListener(&stranger));
        delete orphan;
        platform.AdoptTask(new NamedTask("platform task"));
        EXPECT_EQ(platform.GetTaskList()->Count(), 1u);
    }
    // "stranger", declared after the facade, goes first; then the facade deletes the platform
    // task before the listener still listed.
    EXPECT_EQ(deleted, (std::vector<std::string>{"orphan", "stranger", "platform task", "kept"}));
}

TEST_F(FacadeTest, BuiltInCursorIsRegisteredUnlessTheAssetsHaveOne)
{
    auto readCursor = []()
    {
        TFile file;
        std::string bytes;
        if (!file.Open(str("__systemcursor__.png"), kFileRead))
            return bytes;
        char buffer[4096];
        unsigned long n;
        while ((n = file.Read(buffer, sizeof buffer)) > 0)
            bytes.append(buffer, n);
        return bytes;
    };
    {
        TPlatform platform(new TPlatformData(MakeBackend(), 0, nullptr, false));
        std::string bytes = readCursor();
        EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(kSystemCursorPng), kSystemCursorPngSize));
        EXPECT_EQ(bytes.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
    }
    WriteFile("res/assets/__systemcursor__.png", "not really a png");
    {
        TPlatform platform(new TPlatformData(MakeBackend(), 0, nullptr, false));
        EXPECT_EQ(readCursor(), "not really a png");
    }
}

TEST_F(FacadeTest, ForwardersReachThePlatformObject)
{
    auto owned = MakeBackend();
    FakeBackend* backend = owned.get();
    TPlatform platform(new TPlatformData(std::move(owned), 0, nullptr, false));
    EXPECT_TRUE(platform.IsForeground());
    EXPECT_FALSE(platform.IsFullscreen());
    EXPECT_TRUE(platform.GetDisplayReady());
    EXPECT_EQ(platform.GetWindowManager(), FakeWindowManagerPointer());
    EXPECT_NE(platform.GetStringTable(), nullptr);
    platform.SetCursorMode(TPlatform::kCursorRelative);
    EXPECT_EQ(platform.GetCursorMode(), TPlatform::kCursorRelative);
    EXPECT_TRUE(backend->mRelative);
    platform.SetWindowTitle(str("Title"));
    platform.OpenBrowser("http://example.invalid/");
    EXPECT_EQ(backend->CountCalls("OpenURL http://example.invalid/"), 1u);
    EXPECT_FALSE(platform.StringToClipboard(str("x")));
    EXPECT_TRUE(platform.StringFromClipboard().empty());
    platform.Exit(5);
    TEvent e;
    platform.GetEvent(&e);
    EXPECT_EQ(e.mType, TEvent::kQuit);
}

}  // namespace
