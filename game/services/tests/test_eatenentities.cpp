// Eaten totals: the level tally, per-profile totals with their pictures, the gallery copy, and
// "eatenentities.xml" (current and older form, stale kinds, unnamed profiles, huge numbers).
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "servicestest.h"
#include "services/eatenentities.h"
#include "services/profiles.h"
#include "wgui_animation.h"
#include "wgui_imagemap.h"

using namespace Game;

namespace
{

class FakeKind : public EntityKind
{
public:
    FakeKind(const char* name, bool edible, WGUI::ImageMap* map = nullptr, int cell = 0,
             WGUI::AnimationDef* anim = nullptr)
        : name(name), edible(edible), map(map), cell(cell), anim(anim)
    {
    }
    str getKindName() const override { return name; }
    bool isEdibleByGoo() const override { return edible; }
    WGUI::ImageMap* getKindImageMap() const override { return map; }
    int getKindCell() const override { return cell; }
    WGUI::AnimationDef* getKindAnimationDef() const override { return anim; }

    str name;
    bool edible;
    WGUI::ImageMap* map;
    int cell;
    WGUI::AnimationDef* anim;
};

class FakeKinds : public EntityKinds
{
public:
    void getKinds(std::vector<EntityKind*>& out) const override
    {
        for (const auto& k : kinds)
            out.push_back(k.get());
    }
    FakeKind* add(FakeKind* k)
    {
        kinds.emplace_back(k);
        return k;
    }
    std::vector<std::unique_ptr<FakeKind>> kinds;  // kept in name order by the tests
};

// An entity as the gameplay has it: its kind and its sprite.
struct FakeEntity
{
    EntityKind* def;
    WGUI::Sprite* sprite;
    EntityKind* getEntityDef() const { return def; }
    WGUI::Sprite* getSprite() const { return sprite; }
};

class EatenTest : public servicestest::ServicesTest
{
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        anim.addFrame(&animMap, 5, 1.0, true, false);
        apple = kinds.add(new FakeKind("apple", true, &fruitMap, 2));
        bird = kinds.add(new FakeKind("bird", true, nullptr, 0, &anim));
        ghost = kinds.add(new FakeKind("ghost", true));  // no picture at all
        rock = kinds.add(new FakeKind("rock", false, &fruitMap, 9));
    }

    WGUI::ImageMap fruitMap{"fruit"};
    WGUI::ImageMap animMap{"birds"};
    WGUI::AnimationDef anim;
    FakeKinds kinds;
    FakeKind* apple = nullptr;
    FakeKind* bird = nullptr;
    FakeKind* ghost = nullptr;
    FakeKind* rock = nullptr;
};

TEST_F(EatenTest, LevelTallyKeepsFirstEatenOrder)
{
    WGUI::Sprite appleSprite(nullptr);
    appleSprite.setImageMap(&fruitMap);
    appleSprite.setCell(3);
    WGUI::Sprite birdSprite(nullptr);
    birdSprite.setImageMap(&animMap);
    birdSprite.setCell(1);

    EatenEntities eaten;
    FakeEntity a{apple, &appleSprite}, b{bird, &birdSprite}, g{ghost, nullptr};
    eaten.addEntity(&b);
    eaten.addEntity(&a);
    eaten.addEntity(&b);
    eaten.addEntity(&b);
    eaten.addEntity(&g);
    ASSERT_EQ(eaten.getSize(), 3);
    EXPECT_EQ(eaten.getEntityNumByIndex(0)->entityDef, bird);
    EXPECT_EQ(eaten.getEntityNumByIndex(0)->count, 3);
    EXPECT_EQ(eaten.getEntityNumByIndex(0)->imageMap, &animMap);
    EXPECT_EQ(eaten.getEntityNumByIndex(0)->cell, 1);
    EXPECT_EQ(eaten.getEntityNumByIndex(1)->entityDef, apple);
    EXPECT_EQ(eaten.getEntityNumByIndex(1)->count, 1);
    EXPECT_EQ(eaten.getEntityNumByIndex(1)->cell, 3);
    // A kind without a sprite has no picture.
    EXPECT_EQ(eaten.getEntityNumByIndex(2)->imageMap, nullptr);
    EXPECT_EQ(eaten.getEntityNumByIndex(2)->cell, -1);
    EXPECT_EQ(eaten.getEntityNumByIndex(3), nullptr);
    EXPECT_EQ(eaten.getEntityNumByIndex(-1), nullptr);
    eaten.clear();
    EXPECT_EQ(eaten.getSize(), 0);
}

TEST_F(EatenTest, ProfileHasAnEntryForEveryEdibleKindWithItsPicture)
{
    TotalEntitiesEatenProfile profile(&kinds, "Ann");
    ASSERT_EQ(profile.getSize(), 3);
    EntityNum* a = profile.getEntityNum("apple");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->imageMap, &fruitMap);
    EXPECT_EQ(a->cell, 2);
    EntityNum* b = profile.getEntityNum("bird");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->imageMap, &animMap);  // the animation's first frame
    EXPECT_EQ(b->cell, 5);
    EntityNum* g = profile.getEntityNum("ghost");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->imageMap, nullptr);
    EXPECT_EQ(g->cell, -1);
    EXPECT_EQ(profile.getEntityNum("rock"), nullptr);
    const std::vector<EntityNum*> nums = profile.getEntityNums();
    ASSERT_EQ(nums.size(), 3u);
    EXPECT_EQ(nums[0]->entityDef, apple);
    EXPECT_EQ(nums[2]->entityDef, ghost);
}

TEST_F(EatenTest, TotalsAddUpAndIgnoreInedibleKinds)
{
    Profiles::instance()->setActiveProfile("Ann");
    TotalEntitiesEaten totals(&kinds);
    EXPECT_EQ(totals.getTotalEntitiesEaten(), 0);
    EatenEntities eaten;
    FakeEntity a{apple, nullptr}, r{rock, nullptr};
    for (int i = 0; i < 3; ++i)
        eaten.addEntity(&a);
    eaten.addEntity(&r);
    totals.addEatenEntities(&eaten);
    totals.addEntities(rock, 10);
    totals.addEntities(nullptr, 10);
    EXPECT_EQ(totals.getTotalEntitiesEaten(), 3);
    // The gallery shows the counts only after the copy.
    EXPECT_EQ(totals.getEatenNumProfile()->getEntityNum("apple")->count, 0);
    totals.copyActiveToGallery();
    EXPECT_EQ(totals.getEatenNumProfile()->getEntityNum("apple")->count, 3);
    EXPECT_STREQ(totals.getEatenNumProfile()->getName().c_str(), "Ann");
    // Counts saturate instead of overflowing.
    totals.addEntities(apple, INT_MAX);
    totals.addEntities(bird, INT_MAX);
    EXPECT_EQ(totals.getActiveProfile()->getEntityNum("apple")->count, INT_MAX);
    EXPECT_EQ(totals.getTotalEntitiesEaten(), INT_MAX);
}

TEST_F(EatenTest, RoundTripSkipsUnnamedProfilesAndWritesEveryKind)
{
    {
        TotalEntitiesEaten totals(&kinds);  // no active name: an unnamed profile
        totals.addEntities(apple, 4);
        Profiles::instance()->setActiveProfile("Bob");
        totals.setActiveProfile();
        totals.addEntities(bird, 2);
        ASSERT_EQ(totals.writeXML(), 0);
    }
    const std::string text = ReadUserFile("eatenentities.xml");
    EXPECT_EQ(text.find("name=\"\""), std::string::npos);
    EXPECT_NE(text.find("\"Bob\""), std::string::npos);
    // Every edible kind, in name order, zero counts included.
    const size_t apple = text.find("\"apple\""), bird = text.find("\"bird\""), ghost = text.find("\"ghost\"");
    ASSERT_NE(apple, std::string::npos);
    EXPECT_LT(apple, bird);
    EXPECT_LT(bird, ghost);
    EXPECT_EQ(text.find("\"rock\""), std::string::npos);

    TotalEntitiesEaten again(&kinds);
    EXPECT_EQ(again.getNumProfiles(), 1);
    EXPECT_STREQ(again.getActiveProfile()->getName().c_str(), "Bob");
    EXPECT_EQ(again.getTotalEntitiesEaten(), 2);
    EXPECT_EQ(again.getEatenNumProfile()->getEntityNum("bird")->count, 2);
}

TEST_F(EatenTest, StaleKindsDropAndNewKindsStartAtZero)
{
    WriteUserFile("eatenentities.xml", "<eatenentities><profile name=\"Ann\">"
                                       "<eatenentity name=\"apple\" num=\"7\"></eatenentity>"
                                       "<eatenentity name=\"dodo\" num=\"5\"></eatenentity>"
                                       "<eatenentity name=\"rock\" num=\"5\"></eatenentity>"
                                       "<eatenentity num=\"5\"></eatenentity>"
                                       "<eatenentity name=\"bird\"></eatenentity>"
                                       "<eatenentity name=\"ghost\" num=\"-40\"></eatenentity>"
                                       "</profile></eatenentities>");
    Profiles::instance()->setActiveProfile("Ann");
    TotalEntitiesEaten totals(&kinds);
    EXPECT_EQ(totals.getActiveProfile()->getEntityNum("apple")->count, 7);
    EXPECT_EQ(totals.getActiveProfile()->getEntityNum("bird")->count, 0);
    EXPECT_EQ(totals.getActiveProfile()->getEntityNum("ghost")->count, 0);
    EXPECT_EQ(totals.getTotalEntitiesEaten(), 7);
    ASSERT_EQ(totals.writeXML(), 0);
    EXPECT_EQ(ReadUserFile("eatenentities.xml").find("dodo"), std::string::npos);
}

TEST_F(EatenTest, OlderFormIsConverted)
{
    WriteUserFile("eatenentities.xml", "<eatenentities><eatenentity name=\"apple\" num=\"3\"></eatenentity>"
                                       "<eatenentity name=\"bird\" num=\"4\"></eatenentity></eatenentities>");
    TotalEntitiesEaten totals(&kinds);
    EXPECT_STREQ(Profiles::instance()->getActiveProfile().c_str(), "Player 1");
    EXPECT_TRUE(Profiles::instance()->profileExists("Player 1"));
    ASSERT_EQ(totals.getNumProfiles(), 1);
    EXPECT_EQ(totals.getTotalEntitiesEaten(), 7);
    EXPECT_EQ(totals.getEatenNumProfile()->getEntityNum("bird")->count, 4);
    const std::string text = ReadUserFile("eatenentities.xml");
    EXPECT_NE(text.find("<profile"), std::string::npos);
    EXPECT_NE(text.find("Player 1"), std::string::npos);
    EXPECT_NE(ReadUserFile("profiles.xml").find("Player 1"), std::string::npos);
}

TEST_F(EatenTest, DamagedFilesGiveEmptyTotals)
{
    const char* cases[] = {"", "<eatenentities", "\x01\x02", "<a><b><c>"};
    for (const char* text : cases)
    {
        SCOPED_TRACE(text);
        WriteUserFile("eatenentities.xml", text);
        TotalEntitiesEaten totals(&kinds);
        EXPECT_EQ(totals.getNumProfiles(), 1);
        EXPECT_EQ(totals.getTotalEntitiesEaten(), 0);
        // Reading writes nothing new: damaged bytes are kept aside, an empty file stays.
        EXPECT_EQ(ReadUserFile("eatenentities.xml"), text[0] ? "" : text);
    }
}

TEST_F(EatenTest, ProfileEditsKeepTheActiveProfile)
{
    Profiles* p = Profiles::instance();
    p->setActiveProfile("B");
    TotalEntitiesEaten totals(&kinds);
    totals.clear();
    totals.addProfile("A");
    totals.addProfile("B");
    totals.setActiveProfile();
    totals.addEntities(apple, 2);
    totals.removeProfile("A");
    EXPECT_EQ(totals.getTotalEntitiesEaten(), 2);
    totals.changePlayerName("B", "C");
    p->changePlayerName("B", "C");
    totals.setActiveProfile();
    EXPECT_EQ(totals.getNumProfiles(), 1);
    EXPECT_EQ(totals.getTotalEntitiesEaten(), 2);
    totals.removeProfile("C");
    EXPECT_EQ(totals.getActiveProfile(), nullptr);
    EXPECT_EQ(totals.getTotalEntitiesEaten(), 0);
    totals.addEntities(apple, 1);  // no active profile: nothing happens
}

}  // namespace
