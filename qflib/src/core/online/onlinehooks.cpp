// The online services' hooks into the platform's start-up and shut-down.
#include "online/onlinehooks.h"

#include "app/seams.h"
#include "online/gamestate.h"
#include "online/postmetrics.h"
#include "online/simplehttp.h"

namespace
{

class TOnlineHooks : public TGameStateHooks
{
public:
    void CreateStore(lua_State* windowScriptState) override { TGameState::CreateInstance(windowScriptState); }
    void RegisterGlimmoraHandler() override { TGameState::RegisterHandler(GlimmoraHandlerFactory()); }
    void RegisterPostMetricsHandler() override { TGameState::RegisterHandler(PostMetricsHandlerFactory()); }
    void DestroyStore() override { TGameState::DestroyInstance(); }
    void PostMetrics() override { ::PostMetrics(); }
    void AbortRequests() override { THttpData::AbortAll(); }
};

}  // namespace

void InstallOnlineHooks()
{
    TPlatformHooks::InstallGameState(new TOnlineHooks);
}
