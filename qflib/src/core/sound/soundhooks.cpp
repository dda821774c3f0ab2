// The sound layer's hooks into the platform.
#include "sound/soundhooks.h"

#include "app/seams.h"
#include "sound/sounddatasource.h"
#include "sound/soundmanager.h"

namespace
{

class TSoundPlatformHooks : public TSoundHooks
{
public:
    TSoundManager* CreateSoundManager() override { return new TSoundManager; }
    bool InitSoundManager(TSoundManager* manager) override { return manager && manager->Init(); }
    // Never called with SoundManagerMutex held: the destructor stops the sound thread.
    void DeleteSoundManager(TSoundManager* manager) override { delete manager; }
    void HandleNotifications(TSoundManager* manager) override { manager->HandleNotifications(); }
    void AppActivate(TSoundManager* manager, bool active) override { manager->AppActivate(active); }
    void RegisterOggDataSource() override { TOggDataSource::Register(); }
};

}  // namespace

void InstallSoundHooks()
{
    TPlatformHooks::InstallSound(new TSoundPlatformHooks);
}
