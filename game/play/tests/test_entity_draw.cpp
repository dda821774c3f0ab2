// Entity drawing through the recording display handler: visibility against the camera, the
// blit colour and shadow, meals drawn under their eater even off screen; and the image needs
// of a definition with a picture.
#include <gtest/gtest.h>

#include "entity.h"
#include "entitydef.h"
#include "entityfixture.h"
#include "test_widgets_fixture.h"

using namespace Game;

using WGUI::Vector2d;

namespace
{

class EntityDrawTest : public wguitest::ImageFixture
{
protected:
    void SetUp() override
    {
        ImageFixture::SetUp();
        WritePicture("pic", 64, 64);
        WriteAsset("graphics/imagemaps.xml",
                   "<imagemaps><imagemap name=\"pic\" filename=\"pic\" width=\"64\" height=\"64\" "
                   "alwaysneeded=\"true\"><cell x1=\"0\" y1=\"0\" x2=\"40\" y2=\"40\"/>"
                   "</imagemap><imagemap name=\"lazy\" filename=\"pic\" width=\"64\" height=\"64\">"
                   "<cell x1=\"0\" y1=\"0\" x2=\"40\" y2=\"40\"/></imagemap></imagemaps>");
        game = std::make_unique<playtest::FakeGameWindow>();
        game->setPixSize(100, 100);
        game->setSpriteLeft(0);
        game->setSpriteRight(100);
        game->setSpriteTop(0);
        game->setSpriteBottom(100);
        def.name = "pictured";
        def.imageMap = WGUI::ImageMaps::get("pic");
        def.imageMapCell = 0;
        def.a = 0.5;
    }
    void TearDown() override
    {
        entities.clear();
        game.reset();
        ImageFixture::TearDown();
    }
    Entity* Make(double area, double x, double y)
    {
        entities.push_back(std::make_unique<Entity>(&def, game.get()));
        Entity* e = entities.back().get();
        e->setActualArea(area);
        e->setDisplayArea(area);
        e->setPos(Vector2d(x, y));
        return e;
    }

    std::unique_ptr<playtest::FakeGameWindow> game;
    EntityDef def;
    std::vector<std::unique_ptr<Entity>> entities;
};

TEST_F(EntityDrawTest, VisibleEntityDrawsItsSpriteAtItsWidthInItsColour)
{
    ASSERT_NE(def.imageMap, nullptr);
    Entity* e = Make(400, 50, 50);  // 20 wide
    ASSERT_NE(e->getSprite(), nullptr);
    BeginFrame();
    e->draw();
    EndFrame();
    std::vector<wguitest::Quad> q = Quads();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_NEAR(q[0].minX(), 40, 0.01);
    EXPECT_NEAR(q[0].maxX(), 60, 0.01);
    EXPECT_EQ(q[0].color.Alpha(), static_cast<int>(0.5f * 255));

    e->setShadow(true, 3, 3);
    BeginFrame();
    e->draw();
    EndFrame();
    EXPECT_EQ(Quads().size(), 2u);
}

TEST_F(EntityDrawTest, VisibilityTable)
{
    struct Case
    {
        double x, y;
        bool drawn;
    };
    // Radius of a 20 x 20 entity: 14.14; the visible rectangle is 0..100.
    const Case cases[] = {{50, 50, true},  {-14, 50, true},    {-14.2, 50, false},
                          {50, 114, true}, {50, 114.2, false}, {500, 500, false}};
    for (const Case& c : cases)
    {
        Entity* e = Make(400, c.x, c.y);
        BeginFrame();
        e->draw();
        EndFrame();
        EXPECT_EQ(!Quads().empty(), c.drawn) << c.x << "," << c.y;
    }
}

TEST_F(EntityDrawTest, MealsAreDrawnFirstEvenWhenTheEaterIsOffScreen)
{
    Entity* eater = Make(400, 500, 500);
    Entity* meal = Make(100, 50, 50);
    eater->eatEntity(meal);
    BeginFrame();
    eater->draw();
    EndFrame();
    std::vector<wguitest::Quad> q = Quads();
    ASSERT_EQ(q.size(), 1u);  // the meal only
    EXPECT_NEAR(q[0].maxX() - q[0].minX(), 10, 0.01);
}

TEST_F(EntityDrawTest, NeededImagesScaleTheMapToTheDrawnWidth)
{
    def.imageMap = WGUI::ImageMaps::get("lazy");
    ASSERT_NE(def.imageMap, nullptr);
    def.setNeededImages(20);  // a 40-pixel cell drawn 20 wide: half the 64-pixel map
    EXPECT_EQ(def.imageMap->getNeeded(), 32);
    def.setNeededImages(10);  // the largest request is kept
    EXPECT_EQ(def.imageMap->getNeeded(), 32);
}

TEST_F(EntityDrawTest, NeededImagesOfAnimationsOnly)
{
    WritePicture("sheet", 64, 32);
    WriteAsset("graphics/imagemaps.xml",
               "<imagemaps><imagemap name=\"sheet\" filename=\"sheet\" width=\"64\" height=\"32\">"
               "<cellgrid width=\"16\" height=\"16\"/></imagemap>"
               "<imagemap name=\"untouched\" filename=\"sheet\" width=\"64\" height=\"32\">"
               "<cellgrid width=\"16\" height=\"16\"/></imagemap></imagemaps>");
    WGUI::ImageMaps::deleteInstance();
    WriteAsset("graphics/animationdefs.xml",
               "<animationdefs><animationdef name=\"swim\" imagemap=\"sheet\"><frame cell=\"1\"/>"
               "</animationdef></animationdefs>");
    EntityDef anim;
    anim.moveSlowAnimation = WGUI::AnimationDefs::get("swim");
    anim.attackAnimation = WGUI::AnimationDefs::get("swim");
    ASSERT_NE(anim.moveSlowAnimation, nullptr);
    anim.setNeededImages(32);
    EXPECT_EQ(WGUI::ImageMaps::get("sheet")->getNeeded(), 128);
    EXPECT_EQ(WGUI::ImageMaps::get("untouched")->getNeeded(), 0);
    EXPECT_EQ(anim.imageMap, nullptr);
}

TEST_F(EntityDrawTest, NoSpriteWithoutPictureOrAnimation)
{
    EntityDef bare;
    Entity e(&bare, game.get());
    EXPECT_EQ(e.getSprite(), nullptr);
    EXPECT_FALSE(e.animationDone());
    EXPECT_EQ(e.getAnimationDef(), nullptr);
    BeginFrame();
    e.draw();
    EndFrame();
    EXPECT_TRUE(Quads().empty());
}

}  // namespace
