// Eaten totals: the kinds of entity the player's goo has eaten, per level (EatenEntities, shown
// on the victory screen) and over all play per profile (TotalEntitiesEaten, shown in the gallery
// and kept in "eatenentities.xml" in the user's preferences folder).
//
// The kinds are the gameplay's entity definitions, which live above this library: they are seen
// through EntityKind and EntityKinds, which the gameplay's definition classes implement.
#pragma once

#include <map>
#include <vector>

#include "foundation/str.h"

namespace WGUI
{
class AnimationDef;
class ImageMap;
class Sprite;
class XmlElement;
}  // namespace WGUI

namespace Game
{

// One kind of entity (implemented by the gameplay's entity definition).
class EntityKind
{
public:
    virtual ~EntityKind() {}
    virtual str getKindName() const = 0;
    // Whether the player's goo can eat this kind; only such kinds are tallied over all play.
    virtual bool isEdibleByGoo() const = 0;
    // The kind's picture: an image map and cell, or (without a map) its animation's first
    // frame; a kind may have neither.
    virtual WGUI::ImageMap* getKindImageMap() const = 0;
    virtual int getKindCell() const = 0;
    virtual WGUI::AnimationDef* getKindAnimationDef() const = 0;
};

// The loaded kinds (implemented by the gameplay's definition table).
class EntityKinds
{
public:
    virtual ~EntityKinds() {}
    // Every kind, in byte order of its name.
    virtual void getKinds(std::vector<EntityKind*>& out) const = 0;
};

// A tally entry: the kind, how many, and the picture that shows it.
struct EntityNum
{
    EntityKind* entityDef = nullptr;  // not owned
    int count = 0;
    WGUI::ImageMap* imageMap = nullptr;  // null: no picture
    int cell = -1;
    bool flipX = false;
    bool flipY = false;
};

// The tally of one level, in the order in which each kind was first eaten.
class EatenEntities
{
public:
    EatenEntities() = default;
    ~EatenEntities();
    EatenEntities(const EatenEntities&) = delete;
    EatenEntities& operator=(const EatenEntities&) = delete;

    // One more of the kind; a first appearance takes its picture from the eaten entity's
    // sprite (no picture without one).
    void addEntity(EntityKind* def, WGUI::Sprite* sprite);
    // For entity types with getEntityDef() and getSprite().
    template <class E>
    void addEntity(E* entity)
    {
        if (entity)
            addEntity(entity->getEntityDef(), entity->getSprite());
    }
    int getSize() const { return static_cast<int>(entries.size()); }
    // Null outside [0, size).
    EntityNum* getEntityNumByIndex(int i);
    void clear();

private:
    std::vector<EntityNum*> entries;
};

// One profile's totals: an entry for every kind the goo can eat, count 0 at first.
class TotalEntitiesEatenProfile
{
public:
    explicit TotalEntitiesEatenProfile(EntityKinds* defs, const str& name = "");
    ~TotalEntitiesEatenProfile();
    TotalEntitiesEatenProfile(const TotalEntitiesEatenProfile&) = delete;
    TotalEntitiesEatenProfile& operator=(const TotalEntitiesEatenProfile&) = delete;

    const str& getName() const { return name; }
    void setName(const str& n) { name = n; }
    EntityKinds* getDefs() const { return defs; }
    // The entry of a kind name, or null (kinds the goo cannot eat have none).
    EntityNum* getEntityNum(const str& kindName);
    // Entries in byte order of the kind name.
    const std::map<str, EntityNum*>& getCounts() const { return counts; }
    std::vector<EntityNum*> getEntityNums() const;
    int getSize() const { return static_cast<int>(counts.size()); }
    // Sum of every count (saturated at the int range).
    int getTotal() const;

private:
    str name;
    EntityKinds* defs;
    std::map<str, EntityNum*> counts;
};

class TotalEntitiesEaten
{
public:
    // Reads the file at once.
    explicit TotalEntitiesEaten(EntityKinds* defs);
    ~TotalEntitiesEaten();
    TotalEntitiesEaten(const TotalEntitiesEaten&) = delete;
    TotalEntitiesEaten& operator=(const TotalEntitiesEaten&) = delete;

    // Reads the current form (profiles under the root) or converts the older one ("eatenentity"
    // straight under the root: one profile, named after the active profile of profiles.xml, or
    // "Player 1" made active when it names none; both files rewritten);
    // then the active profile is chosen. Kinds the definitions do not list are dropped.
    void readXML();
    // Profiles with a non-empty name, every kind in byte order (count 0 included); 0 on success.
    int writeXML();
    void clear();

    void addProfile(const str& name);
    void removeProfile(const str& name);
    void changePlayerName(const str& oldName, const str& newName);
    // The first profile named like Profiles' active name (made when missing), then the gallery
    // copy is refreshed.
    void setActiveProfile();
    void copyActiveToGallery();

    // Adds n to the active profile's entry of the kind (nothing without one).
    void addEntities(EntityKind* def, int n);
    void addEatenEntities(EatenEntities* eaten);
    int getTotalEntitiesEaten();
    TotalEntitiesEatenProfile* getEatenNumProfile() { return gallery; }

    TotalEntitiesEatenProfile* getActiveProfile();
    int getNumProfiles() const { return static_cast<int>(profiles.size()); }
    TotalEntitiesEatenProfile* getProfile(int i);
    str getFilePath() const;

private:
    static void readProfile(WGUI::XmlElement& element, TotalEntitiesEatenProfile* profile);

    EntityKinds* defs;
    str fileName = "eatenentities.xml";
    std::vector<TotalEntitiesEatenProfile*> profiles;
    TotalEntitiesEatenProfile* gallery;
    int activeIndex = -1;
};

}  // namespace Game
