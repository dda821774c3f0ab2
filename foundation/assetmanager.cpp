// TAssetManager: the name cache of shared assets by weak reference.
#include "foundation/assetmanager.h"

static TAssetManager* sInstance = nullptr;

TAssetManager::TAssetManager()
{
}

TAssetManager::~TAssetManager()
{
    if (sInstance == this)
        sInstance = nullptr;
}

TAssetManager* TAssetManager::GetInstance()
{
    return sInstance;
}

void TAssetManager::SetInstance(TAssetManager* manager)
{
    sInstance = manager;
}

void TAssetManager::AddAsset(str name, std::shared_ptr<TAsset> asset)
{
    mAssets[name] = asset;
}

std::shared_ptr<TAsset> TAssetManager::GetAsset(str name)
{
    return mAssets[name].lock();
}

void TAssetManager::RemoveAsset(str name)
{
    mAssets.erase(name);
}
