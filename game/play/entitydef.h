// Entity kinds: one EntityDef per <entitydef> of "graphics/entitydefs.xml", read and owned by
// EntityDefs. Definitions never change after loading; entities, reactions, filters and
// controllers hold plain pointers to them, so the table must outlive every level.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <vector>

#include "foundation/str.h"
#include "reaction.h"
#include "services/eatenentities.h"

namespace WGUI
{
class AnimationDef;
class ImageMap;
class Shape;
class Window;
class XmlDocument;
class XmlElement;
}  // namespace WGUI

namespace Game
{

class SoundEffect;
class SoundEffectLoop;
class Entity;

// customType codes: the class EntityDef::createNewEntity makes.
enum EntityCustomType
{
    kCustomEntity = 0,
    kCustomEnergy = 1,
    kCustomGalaxyGroup = 2,
    kCustomPoliceCar = 3,
    kCustomSoil = 4
};

// Seen by the eaten tallies (game services) as an EntityKind.
class EntityDef : public EntityKind
{
public:
    EntityDef() = default;
    ~EntityDef() override;
    EntityDef(const EntityDef&) = delete;
    EntityDef& operator=(const EntityDef&) = delete;

    // A new entity of the class customType names, or null for a code outside 0..4.
    Entity* createNewEntity(WGUI::Window* window);
    // Makes the special classes (custom types 1 to 4): installed by the layer that defines
    // them. Without one, or when it returns null, such a kind is made as a plain Entity.
    using CustomEntityFactory = Entity* (*)(EntityDef* def, WGUI::Window* window);
    static void setCustomEntityFactory(CustomEntityFactory f);
    static CustomEntityFactory getCustomEntityFactory();
    // Asks for the kind's pictures to be loaded for a drawn width in pixels.
    void setNeededImages(int width);
    void determineCustomType();

    // Reads the attributes and children of one <entitydef> (the name already set).
    void readAttributes(WGUI::XmlElement& e);
    void readChildren(WGUI::XmlElement& e);

    // EntityKind
    str getKindName() const override { return name; }
    bool isEdibleByGoo() const override { return edible; }
    WGUI::ImageMap* getKindImageMap() const override { return imageMap; }
    int getKindCell() const override { return imageMapCell; }
    WGUI::AnimationDef* getKindAnimationDef() const override { return animationDef; }

    str name;
    str displayName;
    int customType = kCustomEntity;
    WGUI::ImageMap* imageMap = nullptr;
    WGUI::AnimationDef* animationDef = nullptr;
    WGUI::AnimationDef* moveSlowAnimation = nullptr;
    WGUI::AnimationDef* moveFastAnimation = nullptr;
    WGUI::AnimationDef* attackAnimation = nullptr;
    int imageMapCell = 0;
    SoundEffect* eatenSound = nullptr;
    SoundEffect* deathSound = nullptr;
    SoundEffect* attackSound = nullptr;
    SoundEffect* damageSound = nullptr;
    SoundEffectLoop* loopSound = nullptr;
    SoundEffectLoop* firstLoopSound = nullptr;
    bool growEat = false;
    bool wobble = false;
    double aspectRatio = 1.0;
    double areaCoverage = 1.0;
    bool hasLifeLength = false;
    double lifeLength = 0.0;
    bool directedTravel = false;
    bool newtonTravel = false;
    bool moveToTurn = false;
    bool matchAngleToVel = false;
    bool drawFloat = true;
    double turnRadius = 1.0;
    double moveToTurnExtra = 0.0;
    double maxAngularVel = 360.0;
    int reactShape = 0;  // 0 circle, 1 rectangle
    bool smoothTurn = false;
    bool edible = true;
    bool normalDeathExplosion = false;
    double r = 1.0, g = 1.0, b = 1.0, a = 1.0;
    double effectR = 1.0, effectG = 1.0, effectB = 1.0, effectA = 1.0;
    bool gooReactionOnly = false;
    std::list<WGUI::Shape*> intersectionShapes;  // owned
    std::list<Reaction*> reactions;              // owned, in file order
};

// Seen by the eaten tallies (game services) as EntityKinds.
class EntityDefs : public EntityKinds
{
public:
    using Table = std::map<str, EntityDef*>;

    // Reads "entitydefs.xml" from the graphics folder.
    EntityDefs();
    // Reads nothing (for callers that read a file of their own).
    explicit EntityDefs(bool readDefaultFile);
    ~EntityDefs() override;
    EntityDefs(const EntityDefs&) = delete;
    EntityDefs& operator=(const EntityDefs&) = delete;

    // fileName is relative to the graphics folder. A file that does not load leaves the table
    // as it was; false then.
    bool readXML(const str& fileName);
    // Reads definitions from an already loaded document's root (the fuzz target's entry).
    void readRoot(WGUI::XmlElement root);

    EntityDef* getEntityDef(const str& name) const;
    // Every definition, in byte order of the names.
    const Table& getEntityDefs() const { return defs; }
    // EntityKinds: every definition, in byte order of the names.
    void getKinds(std::vector<EntityKind*>& out) const override;

private:
    std::unique_ptr<WGUI::XmlDocument> document;
    Table defs;                                      // owned
    std::list<std::unique_ptr<EntityDef>> replaced;  // earlier definitions of a reused name
};

}  // namespace Game
