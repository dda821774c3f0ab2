#include "soundfixture.h"

#include "foundation/file.h"
#include "sound/oggfixture.h"
#include "sound/sounddatasource.h"

namespace Game::servicestest
{

void SoundServicesTest::SetUp()
{
    ServicesTest::SetUp();
    mAssets.reset(new TAssetManager);
    TAssetManager::SetInstance(mAssets.get());
    TOggDataSource::Register();
    mManager.reset(new TSoundManager);
    mManager->Init(false);
}

void SoundServicesTest::TearDown()
{
    // Singletons holding sounds and instances go before the manager and the cache.
    DeleteServiceSingletons();
    mManager.reset();
    for (auto& file : mFiles)
        TFile::AddMemoryFile(file.first.c_str(), nullptr, 0);
    mFiles.clear();
    TAssetManager::SetInstance(nullptr);
    mAssets.reset();
    ServicesTest::TearDown();
}

void SoundServicesTest::AddBytes(const std::string& name, const std::vector<unsigned char>& bytes)
{
    const std::string key = "sounds/" + name;
    std::vector<unsigned char>& stored = mFiles[key];
    stored = bytes;
    const unsigned int size = static_cast<unsigned int>(stored.size());
    if (stored.empty())
        stored.push_back(0);  // a memory file needs an address
    TFile::AddMemoryFile(key.c_str(), stored.data(), size);
}

void SoundServicesTest::AddSound(const std::string& name, double seconds)
{
    const size_t frames = static_cast<size_t>(seconds * 22050);
    AddBytes(name, qftest::EncodeOggVorbis(qftest::MakeTone(330, frames, 1, 22050)));
}

void SoundServicesTest::AddText(const std::string& name, const std::string& text)
{
    AddBytes(name, std::vector<unsigned char>(text.begin(), text.end()));
}

}  // namespace Game::servicestest