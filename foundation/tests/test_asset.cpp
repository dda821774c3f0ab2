// The asset cache: shared while held, freed when not, class identities and casts.
#include <gtest/gtest.h>

#include <memory>

#include "foundation/asset.h"
#include "foundation/assetmanager.h"

namespace
{
int gAlive = 0;

class TTestTexture : public TAsset
{
    QF_ASSET_CLASS(TTestTexture, TAsset)
public:
    TTestTexture() { ++gAlive; }
    ~TTestTexture() override { --gAlive; }
};

class TTestBigTexture : public TTestTexture
{
    QF_ASSET_CLASS(TTestBigTexture, TTestTexture)
};

class TTestSound : public TAsset
{
    QF_ASSET_CLASS(TTestSound, TAsset)
};

// The factory pattern every asset kind follows.
std::shared_ptr<TTestTexture> GetTexture(TAssetManager& manager, const char* name)
{
    if (std::shared_ptr<TAsset> cached = manager.GetAsset(str(name)))
        return cached->GetCast<TTestTexture>();
    auto texture = std::make_shared<TTestTexture>();
    manager.AddAsset(str(name), texture);
    return texture;
}
}  // namespace

TEST(AssetCache, SharedWhileHeldAndFreedWhenNot)
{
    TAssetManager manager;
    {
        auto a = GetTexture(manager, "tex.png");
        auto b = GetTexture(manager, "tex.png");
        EXPECT_EQ(a, b);
        EXPECT_EQ(gAlive, 1);
        auto other = GetTexture(manager, "TEX.png");  // names are case-sensitive
        EXPECT_NE(other, a);
        EXPECT_EQ(gAlive, 2);
    }
    EXPECT_EQ(gAlive, 0);
    EXPECT_EQ(manager.GetAsset(str("tex.png")), nullptr);
    auto fresh = GetTexture(manager, "tex.png");
    EXPECT_EQ(gAlive, 1);
    EXPECT_EQ(manager.GetAsset(str("tex.png")), fresh);

    manager.RemoveAsset(str("tex.png"));
    EXPECT_EQ(manager.GetAsset(str("tex.png")), nullptr);
    EXPECT_EQ(gAlive, 1);  // removing the entry does not destroy the asset
}

TEST(AssetCache, UnknownNamesLeaveEmptyEntriesAndTheManagerDestroysNothing)
{
    auto held = std::make_shared<TTestTexture>();
    {
        TAssetManager manager;
        EXPECT_EQ(manager.GetAsset(str("nothing")), nullptr);
        EXPECT_EQ(manager.GetEntryCount(), 1u);
        manager.AddAsset(str("held"), held);
        manager.AddAsset(str("held"), held);
        EXPECT_EQ(manager.GetEntryCount(), 2u);
    }
    EXPECT_EQ(held.use_count(), 1);
}

TEST(AssetCache, ClassIdentitiesAndCasts)
{
    std::shared_ptr<TAsset> texture = std::make_shared<TTestTexture>();
    std::shared_ptr<TAsset> big = std::make_shared<TTestBigTexture>();
    std::shared_ptr<TAsset> sound = std::make_shared<TTestSound>();
    EXPECT_NE(TTestTexture::ClassId(), TTestSound::ClassId());
    EXPECT_NE(TTestTexture::ClassId(), TAsset::ClassId());
    EXPECT_NE(TTestBigTexture::ClassId(), TTestTexture::ClassId());

    EXPECT_TRUE(big->IsKindOf(TTestBigTexture::ClassId()));
    EXPECT_TRUE(big->IsKindOf(TTestTexture::ClassId()));
    EXPECT_TRUE(big->IsKindOf(TAsset::ClassId()));
    EXPECT_FALSE(big->IsKindOf(TTestSound::ClassId()));
    EXPECT_FALSE(texture->IsKindOf(TTestBigTexture::ClassId()));

    EXPECT_EQ(texture->GetCast<TTestSound>(), nullptr);
    EXPECT_EQ(sound->GetCast<TTestTexture>(), nullptr);
    EXPECT_EQ(big->GetCast<TTestTexture>().get(), big.get());
    EXPECT_NE(sound->GetCast<TTestSound>(), nullptr);
    EXPECT_EQ(qfAssetCast<TTestSound>(std::shared_ptr<TAsset>()), nullptr);
    EXPECT_STREQ(big->GetTypeName(), "TTestBigTexture");

    // An object no shared_ptr owns casts to empty instead of throwing.
    TTestTexture loose;
    EXPECT_EQ(loose.GetCast<TTestTexture>(), nullptr);
}

TEST(AssetCache, InstanceIsRegisteredByTheOwner)
{
    EXPECT_EQ(TAssetManager::GetInstance(), nullptr);
    {
        TAssetManager manager;
        TAssetManager::SetInstance(&manager);
        EXPECT_EQ(TAssetManager::GetInstance(), &manager);
    }
    EXPECT_EQ(TAssetManager::GetInstance(), nullptr);
}
