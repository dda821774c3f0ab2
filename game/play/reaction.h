// Reaction rules of an entity kind, the size conditions they test, and the target filter of the
// controllers. Conditions compare the OTHER entity's actual area with the rule owner's.
#pragma once

#include "foundation/str.h"

namespace WGUI
{
class XmlElement;
}

namespace Game
{

class Entity;
class EntityDef;
class EntityDefs;

// Effect codes of a reaction.
enum ReactionEffect
{
    kEffectNone = 0,
    kEffectEat = 1,
    kEffectBounce = 2,
    kEffectSlide = 3,
    kEffectDamage = 4,
    kEffectDestroySelf = 5,
    kEffectDamageDestroySelf = 6
};

// Condition codes: A owns the rule, B is the other entity.
enum ConditionCode
{
    kConditionNone = 0,          // never
    kConditionAll = 1,           // always
    kConditionSmaller = 2,       // B < A
    kConditionSmallerEqual = 3,  // B <= A
    kConditionLarger = 4,        // B > A
    kConditionLargerEqual = 5    // B >= A
};

class Condition
{
public:
    // Unknown words (compared byte for byte) give 0.
    static int stringToIntCondition(const str& s);
    // A code outside 0..5 never holds; null entities never satisfy a condition.
    static bool conditionMet(int condition, Entity* a, Entity* b);
};

class Reaction
{
public:
    Reaction() = default;

    // Reads entitydef, condition (absent: "all") and effect (absent: "none").
    void readXML(WGUI::XmlElement& e);
    // "default" and names that name no definition give no target (any kind).
    void setEntityDefFromString(EntityDefs* defs);
    static int stringToIntEffect(const str& s);

    str entityDefName;
    EntityDef* target = nullptr;
    int effect = kEffectNone;
    int condition = kConditionNone;
};

// Which entities a controller cares about.
class AffectEntity
{
public:
    AffectEntity() = default;
    explicit AffectEntity(const AffectEntity* other);

    // entitydef and condition follow the timed-mode "ta" twin rule; all is read plainly.
    void readXML(bool timed, WGUI::XmlElement& e, EntityDefs* defs);
    // a: the controller's own entity; b: the candidate.
    bool affect(Entity* a, Entity* b);

    bool all = false;
    EntityDef* entityDef = nullptr;
    int condition = kConditionAll;
};

}  // namespace Game
