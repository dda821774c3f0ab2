// "eatenentities.xml" (either form) read against a small set of kinds, a level's tally added,
// and the file written back; the second round trip must not change it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "services/eatenentities.h"
#include "services/profiles.h"
#include "servicesfuzz.h"

using namespace Game;

namespace
{

class Kind : public EntityKind
{
public:
    Kind(const char* name, bool edible) : name(name), edible(edible) {}
    str getKindName() const override { return name; }
    bool isEdibleByGoo() const override { return edible; }
    WGUI::ImageMap* getKindImageMap() const override { return nullptr; }
    int getKindCell() const override { return 0; }
    WGUI::AnimationDef* getKindAnimationDef() const override { return nullptr; }
    str name;
    bool edible;
};

class Kinds : public EntityKinds
{
public:
    Kinds()
    {
        kinds.emplace_back(new Kind("ant", true));
        kinds.emplace_back(new Kind("bee", true));
        kinds.emplace_back(new Kind("car", false));
    }
    void getKinds(std::vector<EntityKind*>& out) const override
    {
        for (const auto& k : kinds)
            out.push_back(k.get());
    }
    std::vector<std::unique_ptr<Kind>> kinds;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Kinds kinds;
    servicesfuzz::RemoveUserFile("profiles.xml");
    servicesfuzz::WriteUserFile("eatenentities.xml", data, size);
    Profiles::deleteInstance();
    std::string once;
    {
        TotalEntitiesEaten totals(&kinds);
        EatenEntities level;
        level.addEntity(kinds.kinds[0].get(), nullptr);
        level.addEntity(kinds.kinds[2].get(), nullptr);
        totals.addEatenEntities(&level);
        if (totals.getTotalEntitiesEaten() < 0)
            __builtin_trap();
        totals.copyActiveToGallery();
        totals.writeXML();
        Profiles::instance()->writeXML();
        once = servicesfuzz::ReadUserFile("eatenentities.xml");
    }
    Profiles::deleteInstance();
    {
        TotalEntitiesEaten again(&kinds);
        again.writeXML();
    }
    servicesfuzz::ExpectSame(once, servicesfuzz::ReadUserFile("eatenentities.xml"), "eatenentities.xml");
    Profiles::deleteInstance();
    return 0;
}
