// Eaten totals: per-level tallies, per-profile lifetime totals, the gallery copy and their file.
#include "services/eatenentities.h"

#include <climits>

#include "services/profilerecords.h"
#include "services/profiles.h"
#include "services/saves.h"
#include "services/xmlfile.h"
#include "wgui_animation.h"
#include "wgui_xmldocument.h"

namespace Game
{

namespace
{

// Counts never go below 0 nor past INT_MAX, whatever a file says or how much is added.
int saturatedAdd(int a, int b)
{
    const long long sum = static_cast<long long>(a) + b;
    if (sum > INT_MAX)
        return INT_MAX;
    if (sum < 0)
        return 0;
    return static_cast<int>(sum);
}

}  // namespace

// ---- EatenEntities ----

EatenEntities::~EatenEntities()
{
    clear();
}

void EatenEntities::clear()
{
    for (EntityNum* e : entries)
        delete e;
    entries.clear();
}

void EatenEntities::addEntity(EntityKind* def, WGUI::Sprite* sprite)
{
    for (EntityNum* e : entries)
    {
        if (e->entityDef == def)
        {
            e->count = saturatedAdd(e->count, 1);
            return;
        }
    }
    EntityNum* e = new EntityNum();
    e->entityDef = def;
    e->count = 1;
    // An entity without a sprite (its kind has no picture at all) gets an entry without one.
    if (sprite)
        sprite->getImageMapAndCell(e->imageMap, e->cell, e->flipX, e->flipY);
    entries.push_back(e);
}

EntityNum* EatenEntities::getEntityNumByIndex(int i)
{
    if (i < 0 || i >= static_cast<int>(entries.size()))
        return nullptr;
    return entries[static_cast<size_t>(i)];
}

// ---- TotalEntitiesEatenProfile ----

TotalEntitiesEatenProfile::TotalEntitiesEatenProfile(EntityKinds* defs, const str& name)
    : name(name), defs(defs)
{
    if (!defs)
        return;
    std::vector<EntityKind*> kinds;
    defs->getKinds(kinds);
    for (EntityKind* kind : kinds)
    {
        if (!kind || !kind->isEdibleByGoo())
            continue;
        EntityNum* e = new EntityNum();
        e->entityDef = kind;
        if (WGUI::ImageMap* map = kind->getKindImageMap())
        {
            e->imageMap = map;
            e->cell = kind->getKindCell();
        }
        else if (WGUI::AnimationDef* anim = kind->getKindAnimationDef())
        {
            e->imageMap = anim->getFirstFrameImageMap();
            e->cell = anim->getFirstFrameCellNum();
        }
        // A kind with neither keeps no picture (null map, cell -1).
        EntityNum*& slot = counts[kind->getKindName()];
        delete slot;
        slot = e;
    }
}

TotalEntitiesEatenProfile::~TotalEntitiesEatenProfile()
{
    for (auto& entry : counts)
        delete entry.second;
}

EntityNum* TotalEntitiesEatenProfile::getEntityNum(const str& kindName)
{
    auto it = counts.find(kindName);
    return it == counts.end() ? nullptr : it->second;
}

std::vector<EntityNum*> TotalEntitiesEatenProfile::getEntityNums() const
{
    std::vector<EntityNum*> out;
    out.reserve(counts.size());
    for (const auto& entry : counts)
        out.push_back(entry.second);
    return out;
}

int TotalEntitiesEatenProfile::getTotal() const
{
    int total = 0;
    for (const auto& entry : counts)
        total = saturatedAdd(total, entry.second->count);
    return total;
}

// ---- TotalEntitiesEaten ----

TotalEntitiesEaten::TotalEntitiesEaten(EntityKinds* defs)
    : defs(defs), gallery(new TotalEntitiesEatenProfile(defs))
{
    readXML();
}

TotalEntitiesEaten::~TotalEntitiesEaten()
{
    clear();
    delete gallery;
}

void TotalEntitiesEaten::clear()
{
    for (TotalEntitiesEatenProfile* p : profiles)
        delete p;
    profiles.clear();
    activeIndex = -1;
}

str TotalEntitiesEaten::getFilePath() const
{
    return services::preferencesPath(fileName);
}

void TotalEntitiesEaten::readProfile(WGUI::XmlElement& element, TotalEntitiesEatenProfile* profile)
{
    str name = profile->getName();
    if (element.queryStringAttribute("name", name) == 0)
        profile->setName(name);
    element.resetIterateChildren();
    for (WGUI::XmlElement entry = element.iterateChildren("eatenentity"); entry.isValid();
         entry = element.iterateChildren("eatenentity"))
    {
        str kind = "";
        if (entry.queryStringAttribute("name", kind) != 0)
            continue;
        EntityNum* e = profile->getEntityNum(kind);
        if (!e)
            continue;  // a kind the current definitions do not list
        int num = 0;
        entry.queryIntAttribute("num", num);
        e->count = num < 0 ? 0 : num;
    }
    element.resetIterateChildren();
}

void TotalEntitiesEaten::readXML()
{
    bool converted = false;
    {
        services::XmlFile file(getFilePath(), services::XmlFile::kSavedState, services::profileNamesFit);
        WGUI::XmlElement root = file.getRoot();
        if (root.isValid())
        {
            const bool olderForm = services::hasChild(root, "eatenentity");
            clear();
            if (olderForm)
            {
                TotalEntitiesEatenProfile* profile = new TotalEntitiesEatenProfile(defs);
                profiles.push_back(profile);
                readProfile(root, profile);
                profile->setName(Profiles::instance()->claimForOlderFormFile());
                converted = true;
            }
            else
            {
                for (WGUI::XmlElement child = root.iterateChildren("profile"); child.isValid();
                     child = root.iterateChildren("profile"))
                {
                    TotalEntitiesEatenProfile* profile = new TotalEntitiesEatenProfile(defs);
                    profiles.push_back(profile);
                    readProfile(child, profile);
                }
            }
        }
    }
    setActiveProfile();
    if (converted)
        services::saveProfileFiles(nullptr, this, Profiles::instance());
}

int TotalEntitiesEaten::writeXML()
{
    WGUI::XmlDocument doc(false);
    WGUI::XmlElement root("eatenentities");
    for (TotalEntitiesEatenProfile* profile : profiles)
    {
        if (profile->getName().empty())
            continue;
        WGUI::XmlElement profileElement("profile");
        profileElement.setAttribute("name", profile->getName());
        for (const auto& entry : profile->getCounts())
        {
            WGUI::XmlElement e("eatenentity");
            e.setAttribute("name", entry.first);
            e.setAttribute("num", entry.second->count);
            profileElement.insertEndChild(e);
        }
        root.insertEndChild(profileElement);
    }
    doc.setRoot(root);
    return services::saveStateFile(doc, getFilePath());
}

void TotalEntitiesEaten::addProfile(const str& name)
{
    profiles.push_back(new TotalEntitiesEatenProfile(defs, name));
}

void TotalEntitiesEaten::removeProfile(const str& name)
{
    ProfileRecords::remove(profiles, activeIndex, name);
}

void TotalEntitiesEaten::changePlayerName(const str& oldName, const str& newName)
{
    ProfileRecords::rename(profiles, oldName, newName);
}

void TotalEntitiesEaten::setActiveProfile()
{
    const str active = Profiles::instance()->getActiveProfile();
    activeIndex = ProfileRecords::indexOf(profiles, active);
    if (activeIndex < 0)
    {
        addProfile(active);
        activeIndex = static_cast<int>(profiles.size()) - 1;
    }
    copyActiveToGallery();
}

void TotalEntitiesEaten::copyActiveToGallery()
{
    TotalEntitiesEatenProfile* active = getActiveProfile();
    if (!active)
        return;
    gallery->setName(active->getName());
    for (const auto& entry : gallery->getCounts())
    {
        // Entries the active profile lacks keep their count.
        if (EntityNum* source = active->getEntityNum(entry.first))
            entry.second->count = source->count;
    }
}

void TotalEntitiesEaten::addEntities(EntityKind* def, int n)
{
    TotalEntitiesEatenProfile* active = getActiveProfile();
    if (!active || !def)
        return;
    if (EntityNum* e = active->getEntityNum(def->getKindName()))
        e->count = saturatedAdd(e->count, n);
}

void TotalEntitiesEaten::addEatenEntities(EatenEntities* eaten)
{
    if (!eaten)
        return;
    for (int i = 0; i < eaten->getSize(); ++i)
    {
        EntityNum* e = eaten->getEntityNumByIndex(i);
        addEntities(e->entityDef, e->count);
    }
}

int TotalEntitiesEaten::getTotalEntitiesEaten()
{
    TotalEntitiesEatenProfile* active = getActiveProfile();
    return active ? active->getTotal() : 0;
}

TotalEntitiesEatenProfile* TotalEntitiesEaten::getActiveProfile()
{
    return getProfile(activeIndex);
}

TotalEntitiesEatenProfile* TotalEntitiesEaten::getProfile(int i)
{
    if (i < 0 || i >= static_cast<int>(profiles.size()))
        return nullptr;
    return profiles[static_cast<size_t>(i)];
}

}  // namespace Game
