// Sound set-up of the services tests: generated Ogg files registered as memory files under
// "sounds/", the Ogg data source, an asset cache, and a sound manager on OpenAL's null output
// initialised without its thread (nothing ends on its own; the tests say when a sound ended).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/assetmanager.h"
#include "servicestest.h"
#include "sound/soundmanager.h"

namespace Game::servicestest
{

class SoundServicesTest : public ServicesTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A tone of the given length registered as "sounds/<name>".
    void AddSound(const std::string& name, double seconds);
    // Any text registered as "sounds/<name>".
    void AddText(const std::string& name, const std::string& text);

    std::unique_ptr<TAssetManager> mAssets;
    std::unique_ptr<TSoundManager> mManager;

private:
    void AddBytes(const std::string& name, const std::vector<unsigned char>& bytes);
    std::map<std::string, std::vector<unsigned char>> mFiles;
};

}  // namespace Game::servicestest