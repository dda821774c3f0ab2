// The asset cache: remembers each asset under a name through a weak reference only, so an asset
// lives exactly as long as some user holds it, and a second request for the same name while it
// lives returns the same object. Names are case-sensitive and used exactly as passed.
//
// Factories: GetAsset(name); when empty, create the asset, wrap it in a shared_ptr, AddAsset.
#pragma once

#include <map>
#include <memory>

#include "foundation/asset.h"
#include "foundation/str.h"

class TAssetManager
{
public:
    TAssetManager();
    ~TAssetManager();  // drops the weak references; destroys no asset

    // The one manager, owned by the platform object, which registers it (null before and after).
    static TAssetManager* GetInstance();
    static void SetInstance(TAssetManager* manager);

    void AddAsset(str name, std::shared_ptr<TAsset> asset);
    // The live asset of that name, or empty. An unknown name leaves an empty entry behind.
    std::shared_ptr<TAsset> GetAsset(str name);
    void RemoveAsset(str name);

    size_t GetEntryCount() const { return mAssets.size(); }

private:
    std::map<str, std::weak_ptr<TAsset>> mAssets;
};
