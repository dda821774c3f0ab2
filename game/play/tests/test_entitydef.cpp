// Entity definitions: the file reader's defaults and words, the edible derivation, custom
// types, shapes, the size conditions and the controllers' target filter.
#include <gtest/gtest.h>

#include <cmath>

#include "entityfixture.h"
#include "reaction.h"

using namespace Game;

using playtest::EntityTest;

namespace
{

class EntityDefTest : public EntityTest
{
};

TEST_F(EntityDefTest, NameOnlyDefinitionHasEveryDefault)
{
    EntityDefs* d = ReadDefs("<defs><entitydef name=\"plain\"/></defs>");
    ASSERT_TRUE(loaded);
    EntityDef* def = d->getEntityDef("plain");
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(std::string(def->name.c_str()), "plain");
    EXPECT_EQ(def->customType, 0);
    EXPECT_EQ(def->imageMap, nullptr);
    EXPECT_EQ(def->animationDef, nullptr);
    EXPECT_EQ(def->imageMapCell, 0);
    EXPECT_EQ(def->eatenSound, nullptr);
    EXPECT_EQ(def->deathSound, nullptr);
    EXPECT_FALSE(def->growEat);
    EXPECT_FALSE(def->wobble);
    EXPECT_DOUBLE_EQ(def->aspectRatio, 1.0);
    EXPECT_DOUBLE_EQ(def->areaCoverage, 1.0);
    EXPECT_FALSE(def->hasLifeLength);
    EXPECT_DOUBLE_EQ(def->lifeLength, 0.0);
    EXPECT_FALSE(def->directedTravel);
    EXPECT_FALSE(def->newtonTravel);
    EXPECT_FALSE(def->moveToTurn);
    EXPECT_FALSE(def->matchAngleToVel);
    EXPECT_TRUE(def->drawFloat);
    EXPECT_DOUBLE_EQ(def->turnRadius, 1.0);
    EXPECT_DOUBLE_EQ(def->moveToTurnExtra, 0.0);
    EXPECT_DOUBLE_EQ(def->maxAngularVel, 360.0);
    EXPECT_EQ(def->reactShape, 0);
    EXPECT_FALSE(def->smoothTurn);
    EXPECT_TRUE(def->edible);
    EXPECT_FALSE(def->normalDeathExplosion);
    for (double c : {def->r, def->g, def->b, def->a, def->effectR, def->effectG, def->effectB, def->effectA})
        EXPECT_DOUBLE_EQ(c, 1.0);
    EXPECT_FALSE(def->gooReactionOnly);
    EXPECT_TRUE(def->intersectionShapes.empty());
    EXPECT_TRUE(def->reactions.empty());
    // Without a string table the display name is looked up by the name itself.
    EXPECT_FALSE(def->displayName.empty());
}

TEST_F(EntityDefTest, AttributesAreReadWhenPresentAndWellFormed)
{
    EntityDefs* d =
        ReadDefs("<defs><entitydef name=\"full\" imagemapcell=\"4\" groweat=\"true\" wobble=\"false\""
                 " aspectratio=\"2\" areacoverage=\"0.5\" lifelength=\"3.5\" directedtravel=\"true\""
                 " newtontravel=\"true\" movetoturn=\"true\" matchangletovel=\"true\" reactshape=\"rect\""
                 " drawfloat=\"false\" turnradius=\"2.5\" movetoturnextra=\"7\" maxangularvel=\"90\""
                 " smoothturn=\"true\" normaldeathexplosion=\"true\" r=\"0.1\" g=\"0.2\" b=\"0.3\" a=\"0.4\""
                 " effectr=\"0.5\" effectg=\"0.6\" effectb=\"0.7\" effecta=\"0.8\" gooreactiononly=\"true\"/>"
                 "</defs>");
    EntityDef* def = d->getEntityDef("full");
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->imageMapCell, 4);
    EXPECT_TRUE(def->growEat);
    EXPECT_DOUBLE_EQ(def->aspectRatio, 2);
    EXPECT_DOUBLE_EQ(def->areaCoverage, 0.5);
    EXPECT_TRUE(def->hasLifeLength);
    EXPECT_DOUBLE_EQ(def->lifeLength, 3.5);
    EXPECT_TRUE(def->directedTravel && def->newtonTravel && def->moveToTurn && def->matchAngleToVel &&
                def->smoothTurn && def->normalDeathExplosion && def->gooReactionOnly);
    EXPECT_EQ(def->reactShape, 1);
    EXPECT_FALSE(def->drawFloat);
    EXPECT_DOUBLE_EQ(def->turnRadius, 2.5);
    EXPECT_DOUBLE_EQ(def->moveToTurnExtra, 7);
    EXPECT_DOUBLE_EQ(def->maxAngularVel, 90);
    EXPECT_DOUBLE_EQ(def->r + def->g + def->b + def->a, 1.0);
    EXPECT_DOUBLE_EQ(def->effectR + def->effectG + def->effectB + def->effectA, 2.6);
}

TEST_F(EntityDefTest, MalformedValuesLeaveTheDefaults)
{
    struct Case
    {
        const char* attrs;
    };
    // Bools count only as exactly true/false; reactshape only circle/rect; sizes and turn
    // radius only as positive finite numbers (they are divided by).
    EntityDefs* d = ReadDefs(
        "<defs>"
        "<entitydef name=\"a\" groweat=\"yes\" wobble=\"True\" drawfloat=\"1\" reactshape=\"square\"/>"
        "<entitydef name=\"b\" aspectratio=\"0\" areacoverage=\"-1\" turnradius=\"0\"/>"
        "<entitydef name=\"c\" aspectratio=\"inf\" areacoverage=\"nan\" turnradius=\"-2\"/>"
        "<entitydef name=\"d\" reactshape=\"Rect\" groweat=\"\"/>"
        "</defs>");
    for (const char* n : {"a", "b", "c", "d"})
    {
        SCOPED_TRACE(n);
        EntityDef* def = d->getEntityDef(n);
        ASSERT_NE(def, nullptr);
        EXPECT_FALSE(def->growEat);
        EXPECT_FALSE(def->wobble);
        EXPECT_TRUE(def->drawFloat);
        EXPECT_EQ(def->reactShape, 0);
        EXPECT_DOUBLE_EQ(def->aspectRatio, 1.0);
        EXPECT_DOUBLE_EQ(def->areaCoverage, 1.0);
        EXPECT_DOUBLE_EQ(def->turnRadius, 1.0);
        EXPECT_DOUBLE_EQ(def->maxAngularVel, 360.0);
    }
}

TEST_F(EntityDefTest, NamelessSkippedOthersIgnoredLaterReplaces)
{
    EntityDefs* d = ReadDefs(
        "<defs><entitydef imagemapcell=\"3\"/><other name=\"x\"/>"
        "<entitydef name=\"twice\" imagemapcell=\"1\"/><entitydef name=\"twice\" imagemapcell=\"2\"/>"
        "</defs>");
    EXPECT_EQ(d->getEntityDefs().size(), 1u);
    EXPECT_EQ(d->getEntityDef("x"), nullptr);
    ASSERT_NE(d->getEntityDef("twice"), nullptr);
    EXPECT_EQ(d->getEntityDef("twice")->imageMapCell, 2);
}

TEST_F(EntityDefTest, MissingFileLeavesTableAsItWas)
{
    EntityDefs* d = ReadDefs("<defs><entitydef name=\"kept\"/></defs>");
    ASSERT_NE(d->getEntityDef("kept"), nullptr);
    EXPECT_FALSE(d->readXML("no-such-file.xml"));
    EXPECT_NE(d->getEntityDef("kept"), nullptr);
    EXPECT_EQ(d->getEntityDef("nothing"), nullptr);
}

TEST_F(EntityDefTest, NamesIterateInByteOrder)
{
    EntityDefs* d =
        ReadDefs("<defs><entitydef name=\"b\"/><entitydef name=\"B\"/><entitydef name=\"a\"/></defs>");
    std::string order;
    for (auto& kv : d->getEntityDefs())
        order += kv.first.c_str();
    EXPECT_EQ(order, "Bab");
}

TEST_F(EntityDefTest, CustomTypeFromExactName)
{
    struct Case
    {
        const char* name;
        int type;
    };
    const Case cases[] = {
        {"energy1", 1},   {"energy2", 1}, {"galaxygroup", 2}, {"galaxycluster", 2}, {"supercluster", 2},
        {"policecar", 3}, {"clay", 4},    {"Clay", 0},        {"energy3", 0},       {"greygoo", 0},
        {"", 0}};
    for (const Case& c : cases)
    {
        EntityDef def;
        def.name = c.name;
        def.determineCustomType();
        EXPECT_EQ(def.customType, c.type) << c.name;
    }
}

TEST_F(EntityDefTest, CreateNewEntityByCustomType)
{
    EntityDef* plain = MakeDef("plain");
    std::unique_ptr<Entity> e(plain->createNewEntity(game.get()));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->getEntityDef(), plain);
    EntityDef* odd = MakeDef("odd");
    odd->customType = 9;
    EXPECT_EQ(odd->createNewEntity(game.get()), nullptr);
    odd->customType = -1;
    EXPECT_EQ(odd->createNewEntity(game.get()), nullptr);
}

TEST_F(EntityDefTest, ShapesWithTheirDefaults)
{
    EntityDefs* d = ReadDefs("<defs><entitydef name=\"s\"><intersectionshapes>"
                             "<circle/><aarect/><rotrect/><triangle/>"
                             "<circle posx=\"0.25\" posy=\"-0.5\" radius=\"2\"/>"
                             "</intersectionshapes><junk/></entitydef></defs>");
    EntityDef* def = d->getEntityDef("s");
    ASSERT_NE(def, nullptr);
    ASSERT_EQ(def->intersectionShapes.size(), 4u);
    auto it = def->intersectionShapes.begin();
    auto* c = dynamic_cast<WGUI::Circle*>(*it++);
    ASSERT_NE(c, nullptr);
    EXPECT_DOUBLE_EQ(c->getLocalRadius(), 0.5);
    EXPECT_DOUBLE_EQ(c->getLocalPos().getX(), 0);
    auto* r = dynamic_cast<WGUI::AARect*>(*it++);
    ASSERT_NE(r, nullptr);
    EXPECT_DOUBLE_EQ(r->getLocalPos().getX(), 1.0);
    EXPECT_DOUBLE_EQ(r->getLocalPos().getY(), 1.0);
    EXPECT_DOUBLE_EQ(r->getLocalX1(), -0.5);
    EXPECT_DOUBLE_EQ(r->getLocalY2(), 0.5);
    auto* rr = dynamic_cast<WGUI::RotRect*>(*it++);
    ASSERT_NE(rr, nullptr);
    EXPECT_DOUBLE_EQ(rr->getWidth(), 1.0);
    EXPECT_DOUBLE_EQ(rr->getHeight(), 1.0);
    EXPECT_DOUBLE_EQ(rr->getLocalAngle(), 0);
    auto* c2 = dynamic_cast<WGUI::Circle*>(*it++);
    ASSERT_NE(c2, nullptr);
    EXPECT_DOUBLE_EQ(c2->getLocalRadius(), 2);
    EXPECT_DOUBLE_EQ(c2->getLocalPos().getY(), -0.5);
}

TEST_F(EntityDefTest, ReactionWordsAndLateTargets)
{
    EntityDefs* d = ReadDefs("<defs><entitydef name=\"a\">"
                             "<reaction entitydef=\"z\" effect=\"bounce\"/>"
                             "<reaction entitydef=\"default\" condition=\"smaller\" effect=\"eat\"/>"
                             "<reaction entitydef=\"zz\" condition=\"Smaller\" effect=\"explode\"/>"
                             "<reaction/>"
                             "</entitydef><entitydef name=\"z\"/></defs>");
    EntityDef* a = d->getEntityDef("a");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->reactions.size(), 4u);
    auto it = a->reactions.begin();
    Reaction* r0 = *it++;
    EXPECT_EQ(r0->target, d->getEntityDef("z"));  // named later in the file
    EXPECT_EQ(r0->condition, kConditionAll);
    EXPECT_EQ(r0->effect, kEffectBounce);
    Reaction* r1 = *it++;
    EXPECT_EQ(r1->target, nullptr);
    EXPECT_EQ(r1->condition, kConditionSmaller);
    EXPECT_EQ(r1->effect, kEffectEat);
    Reaction* r2 = *it++;
    EXPECT_EQ(r2->target, nullptr);  // misspelt: any kind
    EXPECT_EQ(r2->condition, kConditionNone);
    EXPECT_EQ(r2->effect, kEffectNone);
    Reaction* r3 = *it++;
    EXPECT_EQ(r3->condition, kConditionAll);
    EXPECT_EQ(r3->effect, kEffectNone);
}

TEST_F(EntityDefTest, EffectAndConditionWordTables)
{
    const char* effects[] = {"none", "eat", "bounce", "slide", "damage", "destroyself", "damagedestroyself"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(Reaction::stringToIntEffect(effects[i]), i);
    EXPECT_EQ(Reaction::stringToIntEffect("Eat"), 0);
    EXPECT_EQ(Reaction::stringToIntEffect(""), 0);
    const char* conds[] = {"none", "all", "smaller", "smallerequal", "larger", "largerequal"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Condition::stringToIntCondition(conds[i]), i);
    EXPECT_EQ(Condition::stringToIntCondition("ALL"), 0);
}

// Edible derivation: only the goo's rules with an explicit, resolved target, condition
// all/smaller/smallerequal and an effect other than eat make the target inedible.
TEST_F(EntityDefTest, EdibleDerivationTable)
{
    struct Case
    {
        const char* owner;
        const char* target;
        const char* cond;
        const char* effect;
        bool edible;
    };
    const Case cases[] = {
        {"greygoo", "food", "smaller", "bounce", false},
        {"greygoo", "food", "all", "none", false},
        {"greygoo", "food", "smallerequal", "slide", false},
        {"greygoo", "food", "smaller", "eat", true},
        {"greygoo", "food", "larger", "bounce", true},
        {"greygoo", "food", "largerequal", "bounce", true},
        {"greygoo", "food", "none", "bounce", true},
        {"greygoo", "default", "all", "bounce", true},
        {"greygoo", "fod", "all", "bounce", true},
        {"greygoox", "food", "all", "bounce", true},
        {"Greygoo", "food", "all", "bounce", true},
    };
    for (const Case& c : cases)
    {
        std::string xml = std::string("<defs><entitydef name=\"") + c.owner + "\"><reaction entitydef=\"" +
                          c.target + "\" condition=\"" + c.cond + "\" effect=\"" + c.effect +
                          "\"/></entitydef><entitydef name=\"food\"/></defs>";
        EntityDefs* d = ReadDefs(xml);
        ASSERT_NE(d->getEntityDef("food"), nullptr);
        EXPECT_EQ(d->getEntityDef("food")->edible, c.edible)
            << c.owner << " " << c.target << " " << c.cond << " " << c.effect;
    }
}

TEST_F(EntityDefTest, NeededImagesWithOnlyAnimationsTouchNoImageMap)
{
    EntityDef* def = MakeDef("anim");
    def->setNeededImages(64);  // nothing set: nothing to do, and no crash
    EXPECT_EQ(def->imageMap, nullptr);
}

TEST_F(EntityDefTest, ConditionTableAtEqualAndUnequalAreas)
{
    EntityDef* def = MakeDef("c");
    Entity* a = Make(def, 100);
    Entity* same = Make(def, 100);
    Entity* small = Make(def, 50);
    Entity* big = Make(def, 200);
    struct Case
    {
        int cond;
        bool same, small, big;
    };
    const Case cases[] = {
        {kConditionNone, false, false, false},
        {kConditionAll, true, true, true},
        {kConditionSmaller, false, true, false},
        {kConditionSmallerEqual, true, true, false},
        {kConditionLarger, false, false, true},
        {kConditionLargerEqual, true, false, true},
        {6, false, false, false},
        {-1, false, false, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Condition::conditionMet(c.cond, a, same), c.same) << c.cond;
        EXPECT_EQ(Condition::conditionMet(c.cond, a, small), c.small) << c.cond;
        EXPECT_EQ(Condition::conditionMet(c.cond, a, big), c.big) << c.cond;
    }
}

TEST_F(EntityDefTest, AffectFilterAndItsReader)
{
    EntityDefs* d = ReadDefs("<defs><entitydef name=\"x\"/><entitydef name=\"y\"/></defs>");
    EntityDef* x = d->getEntityDef("x");
    EntityDef* y = d->getEntityDef("y");
    Entity* self = Make(x, 100);
    Entity* smallX = Make(x, 50);
    Entity* bigY = Make(y, 500);

    AffectEntity none;
    EXPECT_FALSE(none.affect(self, smallX));  // all false, no definition: nothing passes

    WGUI::XmlDocument doc(false);
    ASSERT_TRUE(doc.parseText("<c><affect all=\"true\" condition=\"smaller\"/>"
                              "<affect entitydef=\"x\" entitydefta=\"y\" conditionta=\"larger\"/>"
                              "<affect all=\"yes\" entitydef=\"nobody\"/></c>",
                              strlen("<c><affect all=\"true\" condition=\"smaller\"/>"
                                     "<affect entitydef=\"x\" entitydefta=\"y\" conditionta=\"larger\"/>"
                                     "<affect all=\"yes\" entitydef=\"nobody\"/></c>")));
    WGUI::XmlElement root = doc.getRoot();
    WGUI::XmlElement e1 = root.iterateChildren();
    WGUI::XmlElement e2 = root.iterateChildren();
    WGUI::XmlElement e3 = root.iterateChildren();

    AffectEntity allSmaller;
    allSmaller.readXML(false, e1, d);
    EXPECT_TRUE(allSmaller.affect(self, smallX));
    EXPECT_FALSE(allSmaller.affect(self, bigY));

    AffectEntity casual, timed;
    casual.readXML(false, e2, d);
    timed.readXML(true, e2, d);
    EXPECT_EQ(casual.entityDef, x);
    EXPECT_EQ(casual.condition, kConditionAll);
    EXPECT_TRUE(casual.affect(self, smallX));
    EXPECT_FALSE(casual.affect(self, bigY));
    EXPECT_EQ(timed.entityDef, y);
    EXPECT_EQ(timed.condition, kConditionLarger);
    EXPECT_TRUE(timed.affect(self, bigY));
    EXPECT_FALSE(timed.affect(self, smallX));

    AffectEntity unknown;
    unknown.readXML(false, e3, d);
    EXPECT_FALSE(unknown.all);
    EXPECT_EQ(unknown.entityDef, nullptr);
    EXPECT_FALSE(unknown.affect(self, smallX));

    AffectEntity copy(&timed);
    EXPECT_EQ(copy.entityDef, y);
    EXPECT_EQ(copy.condition, kConditionLarger);
}

}  // namespace
