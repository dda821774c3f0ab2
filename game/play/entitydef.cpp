// The entity kinds of "entitydefs.xml": their reading, shapes, reactions and pictures.
#include "entitydef.h"

#include <cmath>

#include "entity.h"
#include "foundation/debug.h"
#include "services/collisionshapes.h"
#include "services/soundeffects.h"
#include "wgui_animation.h"
#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_misc.h"
#include "wgui_xmldocument.h"

namespace Game
{

namespace
{

EntityDef::CustomEntityFactory gCustomFactory = nullptr;

SoundEffect* findSound(const str& name)
{
    return SoundEffectSystem::instance()->getSoundEffect(name);
}

SoundEffectLoop* findLoop(const str& name)
{
    return SoundEffectSystem::instance()->getSoundEffectLoop(name);
}

// A def number that must stay a positive finite value (sizes and turning divide by it).
void readPositive(WGUI::XmlElement& e, const char* attr, const str& defName, double& out)
{
    double v = out;
    if (e.queryDoubleAttribute(attr, v) != 0)
        return;
    if (std::isfinite(v) && v > 0)
    {
        out = v;
        return;
    }
    WriteDbg("entitydefs: %s of \"%s\" must be a positive number; kept %g", attr, defName.c_str(), out);
}

// A finite def number; NaN and infinities keep the default.
void readFinite(WGUI::XmlElement& e, const char* attr, const str& defName, double& out)
{
    double v = out;
    if (e.queryDoubleAttribute(attr, v) != 0)
        return;
    if (std::isfinite(v))
    {
        out = v;
        return;
    }
    WriteDbg("entitydefs: %s of \"%s\" is not a finite number; kept %g", attr, defName.c_str(), out);
}

}  // namespace

EntityDef::~EntityDef()
{
    for (WGUI::Shape* s : intersectionShapes)
        delete s;
    for (Reaction* r : reactions)
        delete r;
}

void EntityDef::setCustomEntityFactory(CustomEntityFactory f)
{
    gCustomFactory = f;
}

EntityDef::CustomEntityFactory EntityDef::getCustomEntityFactory()
{
    return gCustomFactory;
}

Entity* EntityDef::createNewEntity(WGUI::Window* window)
{
    if (customType == kCustomEntity)
        return new Entity(this, window);
    if (customType < kCustomEntity || customType > kCustomSoil)
        return nullptr;
    if (gCustomFactory)
    {
        if (Entity* e = gCustomFactory(this, window))
            return e;
    }
    // Without the special classes the kind still lives as a plain entity.
    return new Entity(this, window);
}

void EntityDef::setNeededImages(int width)
{
    if (imageMap)
    {
        imageMap->setCell(imageMapCell);
        const int cellWidth = imageMap->getCellWidth();
        if (cellWidth > 0)
        {
            const double want =
                static_cast<double>(width) / cellWidth * static_cast<double>(imageMap->getWidth());
            // Round, kept within int range (an absurd width must not overflow the conversion).
            double rounded = std::floor(want + 0.5);
            if (!std::isfinite(rounded))
                rounded = 0;
            WGUI::boundDouble(rounded, -2147483647.0, 2147483647.0);
            imageMap->setNeeded(static_cast<int>(rounded));
        }
    }
    for (WGUI::AnimationDef* a : {animationDef, moveSlowAnimation, moveFastAnimation, attackAnimation})
        if (a)
            a->setNeededImages(width);
}

void EntityDef::determineCustomType()
{
    if (name == "energy1" || name == "energy2")
        customType = kCustomEnergy;
    else if (name == "galaxygroup" || name == "galaxycluster" || name == "supercluster")
        customType = kCustomGalaxyGroup;
    else if (name == "policecar")
        customType = kCustomPoliceCar;
    else if (name == "clay")
        customType = kCustomSoil;
}

void EntityDef::readAttributes(WGUI::XmlElement& e)
{
    str s;
    if (e.queryStringAttribute("imagemap", s) == 0)
        imageMap = WGUI::ImageMaps::get(s);
    e.queryIntAttribute("imagemapcell", imageMapCell);
    if (e.queryStringAttribute("animationdef", s) == 0)
        animationDef = WGUI::AnimationDefs::get(s);
    if (e.queryStringAttribute("moveslowanimation", s) == 0)
        moveSlowAnimation = WGUI::AnimationDefs::get(s);
    if (e.queryStringAttribute("movefastanimation", s) == 0)
        moveFastAnimation = WGUI::AnimationDefs::get(s);
    if (e.queryStringAttribute("attackanimation", s) == 0)
        attackAnimation = WGUI::AnimationDefs::get(s);
    if (e.queryStringAttribute("eatensound", s) == 0)
        eatenSound = findSound(s);
    if (e.queryStringAttribute("attacksound", s) == 0)
        attackSound = findSound(s);
    if (e.queryStringAttribute("damagesound", s) == 0)
        damageSound = findSound(s);
    if (e.queryStringAttribute("loopsound", s) == 0)
        loopSound = findLoop(s);
    if (e.queryStringAttribute("firstloopsound", s) == 0)
        firstLoopSound = findLoop(s);
    e.queryBoolAttribute("groweat", growEat);
    e.queryBoolAttribute("wobble", wobble);
    readPositive(e, "aspectratio", name, aspectRatio);
    readPositive(e, "areacoverage", name, areaCoverage);
    double life = lifeLength;
    if (e.queryDoubleAttribute("lifelength", life) == 0)
    {
        lifeLength = std::isnan(life) ? 0.0 : life;
        hasLifeLength = true;
    }
    e.queryBoolAttribute("directedtravel", directedTravel);
    e.queryBoolAttribute("newtontravel", newtonTravel);
    e.queryBoolAttribute("movetoturn", moveToTurn);
    e.queryBoolAttribute("matchangletovel", matchAngleToVel);
    if (e.queryStringAttribute("reactshape", s) == 0)
    {
        if (s == "circle")
            reactShape = 0;
        else if (s == "rect")
            reactShape = 1;
    }
    e.queryBoolAttribute("drawfloat", drawFloat);
    readPositive(e, "turnradius", name, turnRadius);
    readFinite(e, "movetoturnextra", name, moveToTurnExtra);
    readFinite(e, "maxangularvel", name, maxAngularVel);
    e.queryBoolAttribute("smoothturn", smoothTurn);
    e.queryBoolAttribute("normaldeathexplosion", normalDeathExplosion);
    readFinite(e, "r", name, r);
    readFinite(e, "g", name, g);
    readFinite(e, "b", name, b);
    readFinite(e, "a", name, a);
    readFinite(e, "effectr", name, effectR);
    readFinite(e, "effectg", name, effectG);
    readFinite(e, "effectb", name, effectB);
    readFinite(e, "effecta", name, effectA);
    e.queryBoolAttribute("gooreactiononly", gooReactionOnly);
}

void EntityDef::readChildren(WGUI::XmlElement& e)
{
    e.resetIterateChildren();
    for (WGUI::XmlElement child = e.iterateChildren(); child.isValid(); child = e.iterateChildren())
    {
        const str childName = child.getName();
        if (childName == "intersectionshapes")
        {
            child.resetIterateChildren();
            for (WGUI::XmlElement sh = child.iterateChildren(); sh.isValid(); sh = child.iterateChildren())
            {
                const str kind = sh.getName();
                if (kind == "circle")
                {
                    double x = 0, y = 0, rad = 0.5;
                    sh.queryDoubleAttribute("posx", x);
                    sh.queryDoubleAttribute("posy", y);
                    sh.queryDoubleAttribute("radius", rad);
                    intersectionShapes.push_back(new WGUI::Circle(WGUI::Vector2d(x, y), rad));
                }
                else if (kind == "aarect")
                {
                    double x = 1.0, y = 1.0, x1 = -0.5, y1 = -0.5, x2 = 0.5, y2 = 0.5;
                    sh.queryDoubleAttribute("posx", x);
                    sh.queryDoubleAttribute("posy", y);
                    sh.queryDoubleAttribute("x1", x1);
                    sh.queryDoubleAttribute("y1", y1);
                    sh.queryDoubleAttribute("x2", x2);
                    sh.queryDoubleAttribute("y2", y2);
                    intersectionShapes.push_back(new WGUI::AARect(WGUI::Vector2d(x, y), x1, y1, x2, y2));
                }
                else if (kind == "rotrect")
                {
                    double x = 0, y = 0, w = 1.0, h = 1.0, ang = 0;
                    sh.queryDoubleAttribute("posx", x);
                    sh.queryDoubleAttribute("posy", y);
                    sh.queryDoubleAttribute("width", w);
                    sh.queryDoubleAttribute("height", h);
                    sh.queryDoubleAttribute("angle", ang);
                    intersectionShapes.push_back(new WGUI::RotRect(WGUI::Vector2d(x, y), w, h, ang));
                }
            }
        }
        else if (childName == "reaction")
        {
            Reaction* r = new Reaction();
            r->readXML(child);
            reactions.push_back(r);
        }
    }
}

EntityDefs::EntityDefs() : EntityDefs(true)
{
}

EntityDefs::EntityDefs(bool readDefaultFile)
{
    if (readDefaultFile)
        readXML("entitydefs.xml");
}

EntityDefs::~EntityDefs()
{
    for (auto& kv : defs)
        delete kv.second;
}

bool EntityDefs::readXML(const str& fileName)
{
    document.reset();
    auto doc =
        std::make_unique<WGUI::XmlDocument>(WGUI::Pathnames::instance()->getGraphics() + fileName, false);
    if (!doc->isLoadOkay())
    {
        WriteDbg("entitydefs: cannot read %s", fileName.c_str());
        return false;
    }
    WGUI::XmlElement root = doc->getRoot();
    if (!root.isValid())
        return false;
    document = std::move(doc);
    readRoot(root);
    return true;
}

void EntityDefs::readRoot(WGUI::XmlElement root)
{
    if (!root.isValid())
        return;
    root.resetIterateChildren();
    for (WGUI::XmlElement e = root.iterateChildren("entitydef"); e.isValid();
         e = root.iterateChildren("entitydef"))
    {
        str name;
        if (e.queryStringAttribute("name", name) != 0)
            continue;
        auto def = std::make_unique<EntityDef>();
        def->name = name;
        def->determineCustomType();
        def->displayName = WGUI::StringTable::instance()->getString(name, "", "", "", "", "");
        def->readAttributes(e);
        def->deathSound = def->normalDeathExplosion ? findSound("explosion") : def->eatenSound;
        def->readChildren(e);
        EntityDef*& slot = defs[name];
        if (slot)
            replaced.emplace_back(slot);  // nothing refers to it; freed with the table
        slot = def.release();
    }

    // Targets resolve only now, so a rule may name a later definition.
    for (auto& kv : defs)
        for (Reaction* r : kv.second->reactions)
            r->setEntityDefFromString(this);
    // The goo meets these kinds with something other than eating, even when they are smaller:
    // they can never be eaten.
    EntityDef* goo = getEntityDef("greygoo");
    if (goo)
    {
        for (Reaction* r : goo->reactions)
        {
            if (!r->target)
                continue;
            const bool smallOrAll = r->condition == kConditionAll || r->condition == kConditionSmaller ||
                                    r->condition == kConditionSmallerEqual;
            if (smallOrAll && r->effect != kEffectEat)
                r->target->edible = false;
        }
    }
}

EntityDef* EntityDefs::getEntityDef(const str& name) const
{
    auto it = defs.find(name);
    return it == defs.end() ? nullptr : it->second;
}

void EntityDefs::getKinds(std::vector<EntityKind*>& out) const
{
    out.clear();
    for (const auto& kv : defs)
        out.push_back(kv.second);
}

}  // namespace Game
