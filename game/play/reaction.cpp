// Reaction rules, size conditions and target filters of entity kinds, read from their XML.
#include "reaction.h"

#include "entity.h"
#include "entitydef.h"
#include "wgui_xmldocument.h"

namespace Game
{

namespace
{

// The timed-mode twin rule: in timed mode "<name>ta" wins when present and non-empty.
int queryTwinString(const WGUI::XmlElement& e, bool timed, const str& name, str& out)
{
    if (timed && e.queryStringAttribute(name + "ta", out) == 0)
        return 0;
    return e.queryStringAttribute(name, out);
}

}  // namespace

int Condition::stringToIntCondition(const str& s)
{
    if (s == "none")
        return kConditionNone;
    if (s == "all")
        return kConditionAll;
    if (s == "smaller")
        return kConditionSmaller;
    if (s == "smallerequal")
        return kConditionSmallerEqual;
    if (s == "larger")
        return kConditionLarger;
    if (s == "largerequal")
        return kConditionLargerEqual;
    return kConditionNone;
}

bool Condition::conditionMet(int condition, Entity* a, Entity* b)
{
    if (condition == kConditionAll)
        return true;
    if (!a || !b)
        return false;
    const double areaA = a->getActualArea();
    const double areaB = b->getActualArea();
    switch (condition)
    {
    case kConditionSmaller: return areaB < areaA;
    case kConditionSmallerEqual: return areaB <= areaA;
    case kConditionLarger: return areaB > areaA;
    case kConditionLargerEqual: return areaB >= areaA;
    default: return false;
    }
}

void Reaction::readXML(WGUI::XmlElement& e)
{
    e.queryStringAttribute("entitydef", entityDefName);
    condition = kConditionAll;
    str word;
    if (e.queryStringAttribute("condition", word) == 0)
        condition = Condition::stringToIntCondition(word);
    effect = kEffectNone;
    if (e.queryStringAttribute("effect", word) == 0)
        effect = stringToIntEffect(word);
}

void Reaction::setEntityDefFromString(EntityDefs* defs)
{
    if (entityDefName == "default" || !defs)
        target = nullptr;
    else
        target = defs->getEntityDef(entityDefName);
}

int Reaction::stringToIntEffect(const str& s)
{
    if (s == "none")
        return kEffectNone;
    if (s == "eat")
        return kEffectEat;
    if (s == "bounce")
        return kEffectBounce;
    if (s == "slide")
        return kEffectSlide;
    if (s == "damage")
        return kEffectDamage;
    if (s == "destroyself")
        return kEffectDestroySelf;
    if (s == "damagedestroyself")
        return kEffectDamageDestroySelf;
    return kEffectNone;
}

AffectEntity::AffectEntity(const AffectEntity* other)
{
    if (other)
    {
        all = other->all;
        entityDef = other->entityDef;
        condition = other->condition;
    }
}

void AffectEntity::readXML(bool timed, WGUI::XmlElement& e, EntityDefs* defs)
{
    e.queryBoolAttribute("all", all);
    str value;
    if (queryTwinString(e, timed, "entitydef", value) == 0)
        entityDef = defs ? defs->getEntityDef(value) : nullptr;
    if (queryTwinString(e, timed, "condition", value) == 0)
        condition = Condition::stringToIntCondition(value);
}

bool AffectEntity::affect(Entity* a, Entity* b)
{
    if (!b)
        return false;
    if (!all && (!entityDef || b->getEntityDef() != entityDef))
        return false;
    return Condition::conditionMet(condition, a, b);
}

}  // namespace Game
