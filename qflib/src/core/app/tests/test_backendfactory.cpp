#include <gtest/gtest.h>

#include <string>

#include "app/backend.h"
#include "app/platform.h"
#include "fakebackend.h"

namespace
{

bool gMainRan = false;

void NoteMain(TPlatform*, const char*)
{
    gMainRan = true;
}

// The program names its backend; nothing is picked up from whatever happens to be linked.
TEST(BackendFactory, QuillfireExecWithoutARegisteredBackendFailsAtStart)
{
    const TBackendFactory saved = GetPlatformBackendFactory();
    SetPlatformBackendFactory(nullptr);
    gMainRan = false;
    char a0[] = "game";
    char* argv[] = {a0, nullptr};
    testing::internal::CaptureStderr();
    EXPECT_EQ(QuillfireExec(1, argv, &NoteMain, false), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(gMainRan);
    EXPECT_NE(err.find("no platform backend registered"), std::string::npos) << err;
    EXPECT_EQ(TPlatform::GetInstance(), nullptr);
    SetPlatformBackendFactory(saved);
}

TEST(BackendFactory, ScriptingAFakeBackendRegistersItsFactory)
{
    const TBackendFactory saved = GetPlatformBackendFactory();
    SetPlatformBackendFactory(nullptr);
    auto backend = std::make_unique<FakeBackend>();
    FakeBackend* scripted = backend.get();
    SetNextFakeBackend(std::move(backend));
    ASSERT_EQ(GetPlatformBackendFactory(), &MakeFakePlatformBackend);
    std::unique_ptr<TBackend> made = GetPlatformBackendFactory()();
    EXPECT_EQ(made.get(), scripted);
    EXPECT_EQ(LastFakeBackend(), scripted);
    SetPlatformBackendFactory(saved);
}

}  // namespace
