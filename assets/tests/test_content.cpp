// The authored game data: every XML file parses, and the files agree with each other (levels
// name existing kinds, kinds name declared pictures, animations and sounds, every text the game
// asks for is in the string table, the level list is complete and the medal table matches the
// timed levels). Pictures and sounds made at build time are checked against their declarations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "contentfiles.h"
#include "foundation/stringtable.h"
#include "foundation/xml.h"

namespace
{
std::string S(const str& s)
{
    return std::string(s.c_str(), s.length());
}

using contenttest::BuiltAssets;
using contenttest::ReadFile;
using contenttest::SourceAssets;

bool Exists(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return static_cast<bool>(in);
}

// A parsed file and its root element (the first element of the document).
struct Doc
{
    std::unique_ptr<TXmlNode> doc{new TXmlNode()};
    TXmlNode* root = nullptr;
};

Doc Load(const std::string& relative)
{
    Doc d;
    std::string text;
    if (!ReadFile(SourceAssets() + relative, &text))
        return d;
    d.doc->ParseString(text.data(), text.size());
    for (size_t i = 0; i < d.doc->GetChildCount(); ++i)
    {
        TXmlNode* c = d.doc->GetChildAt(i);
        const std::string name = S(c->GetName());
        if (!name.empty() && name[0] != '?' && name[0] != '!')
        {
            d.root = c;
            break;
        }
    }
    return d;
}

std::vector<TXmlNode*> Children(const TXmlNode* n, const char* name = nullptr)
{
    std::vector<TXmlNode*> out;
    for (size_t i = 0; i < n->GetChildCount(); ++i)
        if (!name || S(n->GetChildAt(i)->GetName()) == name)
            out.push_back(n->GetChildAt(i));
    return out;
}

std::string Attr(const TXmlNode* n, const char* name)
{
    return S(n->GetAttribute(name));
}

double Num(const TXmlNode* n, const char* name, double fallback = 0.0)
{
    const std::string v = Attr(n, name);
    if (v.empty())
        return fallback;
    char* end = nullptr;
    const double d = std::strtod(v.c_str(), &end);
    EXPECT_EQ(*end, '\0') << name << "=\"" << v << "\" is not a number";
    return d;
}

bool IsBool(const std::string& v)
{
    return v.empty() || v == "true" || v == "false";
}

// The declared image maps with their cell counts.
struct ImageMapInfo
{
    int width = -1, height = -1;
    bool always = false;
    int cells = 0;
    std::string file;
};

std::map<std::string, ImageMapInfo> ReadImageMaps()
{
    std::map<std::string, ImageMapInfo> maps;
    Doc d = Load("graphics/imagemaps.xml");
    if (!d.root)
        return maps;
    for (TXmlNode* m : Children(d.root, "imagemap"))
    {
        ImageMapInfo info;
        info.width = static_cast<int>(Num(m, "width", -1));
        info.height = static_cast<int>(Num(m, "height", -1));
        info.always = Attr(m, "alwaysneeded") == "true";
        info.file = Attr(m, "filename");
        for (TXmlNode* c : Children(m))
        {
            const std::string kind = S(c->GetName());
            if (kind == "cell" || kind == "fullimagecell")
                ++info.cells;
            else if (kind == "cellgrid" || kind == "cellgridpadded")
            {
                const int cw = static_cast<int>(Num(c, "width", 0));
                const int ch = static_cast<int>(Num(c, "height", 0));
                if (cw > 0 && ch > 0)
                {
                    int n = (info.width / cw) * (info.height / ch);
                    const int limit = static_cast<int>(Num(c, "number", 0));
                    if (limit > 0 && limit < n)
                        n = limit;
                    info.cells += n;
                }
            }
        }
        maps[Attr(m, "name")] = info;
    }
    return maps;
}

std::set<std::string> NamesOf(const char* file, const char* element)
{
    std::set<std::string> names;
    Doc d = Load(file);
    if (d.root)
        for (TXmlNode* n : Children(d.root, element))
            names.insert(Attr(n, "name"));
    return names;
}

const char* const kLevelList[] = {
    "soil.xml",    "bacteria.xml", "blood.xml",   "amoeba.xml",  "bugs1.xml",   "bugs2.xml",   "bugs3.xml",
    "bugs4.xml",   "bugs5.xml",    "table1.xml",  "table2.xml",  "table3.xml",  "table4.xml",  "table5.xml",
    "table6.xml",  "table7.xml",   "fish1.xml",   "fish2.xml",   "fish3.xml",   "grass1.xml",  "grass2.xml",
    "grass3.xml",  "grass4.xml",   "grass5.xml",  "grass6.xml",  "city1.xml",   "city2.xml",   "city3.xml",
    "city4.xml",   "city5.xml",    "city6.xml",   "city7.xml",   "city8.xml",   "sky1.xml",    "sky2.xml",
    "sky3.xml",    "sky4.xml",     "sky5.xml",    "sky6.xml",    "sky7.xml",    "space1.xml",  "space2.xml",
    "space3.xml",  "space4.xml",   "space5.xml",  "space6.xml",  "space7.xml",  "space8.xml",  "space9.xml",
    "space10.xml", "space11.xml",  "space12.xml", "space13.xml", "space14.xml", "space15.xml", "space16.xml",
    "space17.xml", "space18.xml",  "space19.xml", "end.xml"};
const char* const kEnduranceList[] = {"amoebaendurance.xml", "fishendurance.xml", "clusterendurance.xml"};

// Every text key the screens and the play screen ask for by name.
const char* const kRequiredKeys[] = {"tip",
                                     "continue",
                                     "tipcontinuetip",
                                     "gamepausedtitle",
                                     "resume",
                                     "resumetip",
                                     "restart",
                                     "restarttip",
                                     "options",
                                     "pauselevelselect",
                                     "pauselevelselecttip",
                                     "mainmenu",
                                     "mainmenutip",
                                     "victorywindowtitle",
                                     "victorycontinuetip",
                                     "timeleft",
                                     "timetaken",
                                     "totaleaten",
                                     "failurewindowtitle",
                                     "retry",
                                     "retrytip",
                                     "failureeaten",
                                     "failuretimeout",
                                     "failurenothingsmaller",
                                     "cheatsonmessage",
                                     "gameplayof",
                                     "picometers",
                                     "nanometers",
                                     "micrometers",
                                     "millimeters",
                                     "centimeters",
                                     "meters",
                                     "kilometers",
                                     "megameters",
                                     "gigameters",
                                     "astronomicalunit",
                                     "kiloastronomicalunit",
                                     "parsec",
                                     "kiloparsec",
                                     "megaparsec",
                                     "gigaparsec",
                                     "teraparsec",
                                     "pentaparsec",
                                     "exaparsec",
                                     "playgame",
                                     "playgametip",
                                     "casualmode",
                                     "casualmodetip",
                                     "endurance",
                                     "endurancetip",
                                     "gallery",
                                     "gallerytip",
                                     "optionstip",
                                     "exit",
                                     "exittip",
                                     "changeplayer",
                                     "profilewelcome",
                                     "levelselectplaygame",
                                     "levelselectplaygametip",
                                     "levelselecttimeleft",
                                     "levelselectgoldtime",
                                     "levelselectsilvertime",
                                     "levelselectbronzetime",
                                     "levelselectcasual",
                                     "levelselectnormal",
                                     "endurancetitle",
                                     "enduranceamoeba",
                                     "enduranceocean",
                                     "endurancecluster",
                                     "complete",
                                     "incomplete",
                                     "ok",
                                     "previousscreen",
                                     "cheats",
                                     "cheatstip",
                                     "medals",
                                     "medalstip",
                                     "fullscreen",
                                     "greygoospeed",
                                     "soundeffectvolume",
                                     "musicvolume",
                                     "versionlabel",
                                     "changeplayertitle",
                                     "editname",
                                     "editnametip",
                                     "deleteplayer",
                                     "deleteplayertip",
                                     "newplayer",
                                     "newplayertip",
                                     "cancel",
                                     "enternamelabel",
                                     "namealreadyexists",
                                     "yes",
                                     "no",
                                     "deleteplayeryestip",
                                     "deleteplayernotip",
                                     "deleteplayerlabel",
                                     "confirmexit",
                                     "returntooptions",
                                     "cheatsdescription",
                                     "cheatwideeyes",
                                     "cheatsmalleyes",
                                     "cheatbigeyes",
                                     "cheatcyclops",
                                     "cheatpersonify",
                                     "cheatfelinify",
                                     "cheatrainbowgoo",
                                     "cheatsuperfast",
                                     "cheatgothroughwalls",
                                     "cheatinvinsible",
                                     "cheatgravitywell",
                                     "cheatgravitywelltip",
                                     "galleryemptytitle",
                                     "gallerytitle",
                                     "gallerypagenumber",
                                     "none",
                                     "submitmedals",
                                     "submit",
                                     "medalsdescription",
                                     "medalsname",
                                     "medalspassword",
                                     "medalsremember",
                                     "submitmedalsresult",
                                     "submittingmedals",
                                     "medalsubmitfailed",
                                     "medalssubmitsuccess",
                                     "savednoticetitle",
                                     "savedrestored",
                                     "savedlost",
                                     "savedoptions",
                                     "savedprofiles",
                                     "savedlevelprogress",
                                     "savedeatentotals",
                                     "savedhiscores",
                                     "savedplaytime",
                                     "levelloadfailedtitle",
                                     "levelloadfailed",
                                     "windowtitle"};

// Pictures drawn every frame whatever the screen: they must never be unloaded. (The goo's own
// pictures are loaded with each level and the endurance menu's while it shows.)
const char* const kAlwaysNeeded[] = {"gui",          "button",      "checkbox",          "arrows",
                                     "mousearrow",   "mousehand",   "mousecarret",       "particles",
                                     "medal",        "policelight", "playbuttongraphic", "chairicon",
                                     "enduranceicon"};

const char* const kRequiredSounds[] = {"puff",  "yumyum",    "levelcomplete", "clock",       "buzz",
                                       "click", "explosion", "scream",        "womanscream", "cat"};

class ContentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string text;
        ASSERT_TRUE(ReadFile(SourceAssets() + "strings.xml", &text));
        ASSERT_TRUE(strings.MergeStringTableText(text.data(), text.size()));
        maps = ReadImageMaps();
        defs = NamesOf("graphics/entitydefs.xml", "entitydef");
        tiles = NamesOf("graphics/tiledefs.xml", "tiledef");
        animations = NamesOf("graphics/animationdefs.xml", "animationdef");
        sounds = NamesOf("sounds/soundeffects.xml", "sound");
        loops = NamesOf("sounds/soundeffects.xml", "loopsound");
        Doc t = Load("graphics/tiledefs.xml");
        if (t.root)
            for (TXmlNode* tile : Children(t.root, "tiledef"))
                if (!Attr(tile, "animationdef").empty())
                    animatedTiles.insert(Attr(tile, "name"));
    }

    bool HasKey(const std::string& key) { return strings.HasLabel(str(key.c_str())); }

    void ExpectMap(const std::string& name, int cell, const std::string& where)
    {
        auto it = maps.find(name);
        ASSERT_NE(it, maps.end()) << where << ": image map \"" << name << "\" is not declared";
        EXPECT_LT(cell, it->second.cells) << where << ": cell " << cell << " of \"" << name << "\"";
    }

    TStringTable strings;
    std::map<std::string, ImageMapInfo> maps;
    std::set<std::string> defs, tiles, animations, sounds, loops, animatedTiles;
};

TEST_F(ContentTest, EveryAuthoredXmlFileParsesToARootWithChildren)
{
    std::vector<std::string> files = {"strings.xml",
                                      "graphics/imagemaps.xml",
                                      "graphics/entitydefs.xml",
                                      "graphics/tiledefs.xml",
                                      "graphics/animationdefs.xml",
                                      "graphics/levelselecttextoverlay.xml",
                                      "graphics/levelselect.png.xml",
                                      "graphics/titlescreen.png.xml",
                                      "sounds/soundeffects.xml",
                                      "levels/medaltimes.xml"};
    for (const char* f : kLevelList)
        files.push_back(std::string("levels/") + f);
    for (const char* f : kEnduranceList)
        files.push_back(std::string("levels/") + f);
    for (const std::string& f : files)
    {
        Doc d = Load(f);
        ASSERT_NE(d.root, nullptr) << f;
        EXPECT_TRUE(d.root->HasChildren()) << f;
    }
}

TEST_F(ContentTest, StringTableHoldsEveryKeyTheGameAsksFor)
{
    for (const char* key : kRequiredKeys)
        EXPECT_TRUE(HasKey(key)) << key;
    for (const std::string& def : defs)
        EXPECT_TRUE(HasKey(def)) << "display name of " << def;
    // Texts with arguments expand without failing.
    EXPECT_EQ(S(strings.GetString(str("profilewelcome"), str("Ann"))).find("Ann") != std::string::npos, true);
    EXPECT_NE(S(strings.GetString(str("gallerypagenumber"), str("2"), str("5"))), "#####");
    EXPECT_NE(S(strings.GetString(str("versionlabel"), str("1.2.0.0"))), "#####");
}

TEST_F(ContentTest, ImageMapsDeclareTheirSizeAndTheAlwaysNeededOnesSayIt)
{
    ASSERT_FALSE(maps.empty());
    for (const auto& m : maps)
    {
        EXPECT_GT(m.second.width, 0) << m.first;
        EXPECT_GT(m.second.height, 0) << m.first;
        EXPECT_GT(m.second.cells, 0) << m.first;
        EXPECT_FALSE(m.second.file.empty()) << m.first;
    }
    for (const char* name : kAlwaysNeeded)
    {
        ASSERT_TRUE(maps.count(name)) << name;
        EXPECT_TRUE(maps[name].always) << name;
    }
    // The heads-up display uses gui cells up to 46; medals 0-5; particles up to 5.
    EXPECT_GE(maps["gui"].cells, 47);
    EXPECT_GE(maps["medal"].cells, 6);
    EXPECT_GE(maps["particles"].cells, 6);
    for (const char* name : {"wombixlogo", "goosketch", "questionmark"})
        EXPECT_TRUE(maps.count(name)) << name;
}

TEST_F(ContentTest, EntityDefinitionsReferToDeclaredPicturesSoundsAndKinds)
{
    Doc d = Load("graphics/entitydefs.xml");
    ASSERT_NE(d.root, nullptr);
    const std::set<std::string> conditions = {"",       "none",       "all", "smaller", "smallerequal",
                                              "larger", "largerequal"};
    const std::set<std::string> effects = {"",      "none",   "eat",         "bounce",
                                           "slide", "damage", "destroyself", "damagedestroyself"};
    std::set<std::string> seen;
    bool gooEats = false;
    for (TXmlNode* def : Children(d.root, "entitydef"))
    {
        const std::string name = Attr(def, "name");
        ASSERT_FALSE(name.empty());
        EXPECT_TRUE(seen.insert(name).second) << "two kinds named " << name;
        if (!Attr(def, "imagemap").empty())
            ExpectMap(Attr(def, "imagemap"), static_cast<int>(Num(def, "imagemapcell")), name);
        for (const char* a : {"animationdef", "moveslowanimation", "movefastanimation", "attackanimation"})
            if (!Attr(def, a).empty())
            {
                EXPECT_TRUE(animations.count(Attr(def, a))) << name << " " << a;
            }
        for (const char* a : {"eatensound", "attacksound", "damagesound"})
            if (!Attr(def, a).empty())
            {
                EXPECT_TRUE(sounds.count(Attr(def, a))) << name << " " << a << " " << Attr(def, a);
            }
        for (const char* a : {"loopsound", "firstloopsound"})
            if (!Attr(def, a).empty())
            {
                EXPECT_TRUE(loops.count(Attr(def, a))) << name << " " << a;
            }
        for (const char* a :
             {"groweat", "wobble", "directedtravel", "newtontravel", "movetoturn", "matchangletovel",
              "drawfloat", "smoothturn", "normaldeathexplosion", "gooreactiononly"})
            EXPECT_TRUE(IsBool(Attr(def, a))) << name << " " << a;
        const TXmlNode* shapes = def->GetChild("intersectionshapes");
        ASSERT_NE(shapes, nullptr) << name << " has no shape and could never be eaten";
        EXPECT_TRUE(Children(shapes, "aarect").empty()) << name << ": boxes never meet turned boxes";
        for (TXmlNode* r : Children(def, "reaction"))
        {
            const std::string other = Attr(r, "entitydef");
            EXPECT_TRUE(other == "default" || defs.count(other)) << name << " reacts to " << other;
            EXPECT_TRUE(conditions.count(Attr(r, "condition"))) << name;
            EXPECT_TRUE(effects.count(Attr(r, "effect"))) << name;
            if (name == "greygoo" && Attr(r, "effect") == "eat")
                gooEats = true;
        }
        if (name == "policecar")
        {
            EXPECT_TRUE(maps.count("policelight"));
        }
        if (name == "greygoo")
        {
            EXPECT_EQ(Attr(def, "groweat"), "true");
        }
    }
    EXPECT_TRUE(seen.count("greygoo"));
    EXPECT_TRUE(gooEats);
}

TEST_F(ContentTest, TilesAnimationsAndSoundsAreDeclared)
{
    Doc t = Load("graphics/tiledefs.xml");
    ASSERT_NE(t.root, nullptr);
    for (TXmlNode* tile : Children(t.root, "tiledef"))
    {
        if (!Attr(tile, "imagemap").empty())
            ExpectMap(Attr(tile, "imagemap"), static_cast<int>(Num(tile, "cell")), Attr(tile, "name"));
        if (!Attr(tile, "animationdef").empty())
        {
            EXPECT_TRUE(animations.count(Attr(tile, "animationdef")));
        }
    }
    Doc a = Load("graphics/animationdefs.xml");
    ASSERT_NE(a.root, nullptr);
    ASSERT_TRUE(animations.count("eyeblink"));
    for (TXmlNode* anim : Children(a.root, "animationdef"))
    {
        const std::string name = Attr(anim, "name");
        const auto frames = Children(anim, "frame");
        EXPECT_FALSE(frames.empty()) << name;
        for (TXmlNode* f : frames)
        {
            const std::string map =
                Attr(f, "imagemap").empty() ? Attr(anim, "imagemap") : Attr(f, "imagemap");
            ExpectMap(map, static_cast<int>(Num(f, "cell")), name);
        }
        if (name == "eyeblink")
        {
            EXPECT_NE(Attr(anim, "looping"), "true");
        }
    }
    for (const char* s : kRequiredSounds)
        EXPECT_TRUE(sounds.count(s)) << s;
}

// The medal times the level reader derives in timed mode from the gold time alone.
struct Medals
{
    int limit = 0, gold = 0, silver = 0, bronze = 0;
};

int RoundToInt(double v)
{
    return static_cast<int>(std::floor(v + 0.5));
}

// The timed mode's times of a level file, as the level reader takes them: silver, bronze and the
// limit follow from gold alone only when silver and bronze are both 0.
Medals TimedTimes(TXmlNode* root)
{
    Medals m;
    m.gold = static_cast<int>(Num(root, "goldtimeta"));
    m.silver = static_cast<int>(Num(root, "silvertimeta"));
    m.bronze = static_cast<int>(Num(root, "bronzetimeta"));
    m.limit = static_cast<int>(Num(root, "timelimitta"));
    if (m.gold != 0 && m.silver == 0 && m.bronze == 0)
    {
        m.limit = RoundToInt(1.5 * m.gold);
        m.silver = RoundToInt(1.1 * m.gold);
        m.bronze = RoundToInt(1.3 * m.gold);
    }
    return m;
}

class LevelTest : public ContentTest
{
protected:
    void CheckEmitter(const std::string& level, TXmlNode* e, std::set<int>* shotsFired,
                      std::set<int>* shotEmitters, bool* random, bool* special)
    {
        const std::string where = level + " emitter " + Attr(e, "entitydef");
        const std::string type = Attr(e, "type");
        ASSERT_TRUE(type == "side" || type == "spot" || type == "shot") << where;
        EXPECT_TRUE(defs.count(Attr(e, "entitydef"))) << where;
        EXPECT_LE(Num(e, "minarea"), Num(e, "maxarea")) << where;
        EXPECT_GT(Num(e, "minarea"), 0.0) << where;
        if (Attr(e, "special") == "true")
            *special = true;
        if (e->GetChild("randomemit"))
            *random = true;
        if (type == "side")
        {
            int sides = 0;
            for (const char* s : {"left", "right", "top", "bottom"})
                sides += e->GetChild(s) ? 1 : 0;
            EXPECT_GT(sides, 0) << where;
        }
        if (type == "shot")
            shotEmitters->insert(static_cast<int>(Num(e, "shotemitnum", -1)));
        const std::set<std::string> types = {"movedirection", "pathfollow", "attack",     "evade",
                                             "stayinlevel",   "leavelevel", "stationary", "avoid"};
        for (TXmlNode* c : Children(e, "controller"))
        {
            const std::string ct = Attr(c, "type");
            EXPECT_TRUE(types.count(ct)) << where << " controller " << ct;
            if (ct != "stationary")
            {
                EXPECT_GT(Num(c, "accel"), 0.0) << where << " " << ct << " would never move";
            }
            if (ct == "attack" || ct == "evade" || ct == "avoid")
            {
                EXPECT_FALSE(Children(c, "affect").empty()) << where << " " << ct;
            }
            for (TXmlNode* af : Children(c))
                if (S(af->GetName()) == "affect" || S(af->GetName()) == "dontaffect")
                {
                    EXPECT_TRUE(defs.count(Attr(af, "entitydef")) || Attr(af, "all") == "true") << where;
                }
            if (ct == "attack" && Num(c, "shot", -1) >= 0)
                shotsFired->insert(static_cast<int>(Num(c, "shot")));
            if (ct == "pathfollow")
            {
                EXPECT_FALSE(Children(c, "pair").empty()) << where;
            }
        }
    }

    // Checks one level file; returns its timed medal times.
    Medals CheckLevel(const std::string& file, bool listed)
    {
        Medals m;
        Doc d = Load("levels/" + file);
        EXPECT_NE(d.root, nullptr) << file;
        if (!d.root)
            return m;
        TXmlNode* root = d.root;
        EXPECT_GT(Num(root, "width"), 0.0) << file;
        EXPECT_GT(Num(root, "height"), 0.0) << file;
        // Casual and endurance play stay untimed: times only in the timed twins.
        for (const char* a : {"timelimit", "goldtime", "silvertime", "bronzetime"})
            EXPECT_TRUE(Attr(root, a).empty()) << file << " " << a;
        if (!listed)
        {
            for (const char* a : {"timelimitta", "goldtimeta", "silvertimeta", "bronzetimeta"})
                EXPECT_TRUE(Attr(root, a).empty()) << file << ": endurance play is untimed";
        }
        const std::string area = Attr(root, "area");
        EXPECT_TRUE(HasKey("levelname" + area)) << file;
        EXPECT_NE(S(strings.GetString(str(("levelname" + area).c_str()), str("1"))), "#####");
        const bool bySize = Num(root, "victorysize") > 0;
        const bool bySpecials = Num(root, "numspecialentities") > 0;
        const bool byAll = Attr(root, "victoryeateverything") == "true";
        EXPECT_TRUE(bySize || bySpecials || byAll) << file << " can never be won";
        EXPECT_NE(root->GetChild("goo"), nullptr) << file;

        std::set<int> shotsFired, shotEmitters;
        bool random = false, special = false;
        for (TXmlNode* c : Children(root))
        {
            const std::string n = S(c->GetName());
            if (n == "emitter")
                CheckEmitter(file, c, &shotsFired, &shotEmitters, &random, &special);
            else if (n == "tip")
            {
                EXPECT_TRUE(HasKey(Attr(c, "title"))) << file;
                EXPECT_TRUE(HasKey(Attr(c, "text"))) << file;
                ExpectMap(Attr(c, "image"), 0, file + " tip");
            }
            else if (n == "comic")
                for (TXmlNode* page : Children(c))
                    CheckComicPage(file, Attr(page, "chunkedfilename"), Attr(page, "textoverlayfilename"));
            else if (n == "end")
            {
                EXPECT_EQ(file, "end.xml");
                if (Attr(c, "creditsonly") != "true")
                    CheckComicPage(file, "comic10.png.xml", "comic10textoverlay.xml");
            }
            else if (n == "tilelayers")
                for (TXmlNode* layer : Children(c, "tilelayer"))
                {
                    const auto t = Children(layer, "tile");
                    EXPECT_EQ(static_cast<double>(t.size()),
                              Num(layer, "tileswide") * Num(layer, "tileshigh"))
                        << file;
                    for (TXmlNode* tile : t)
                    {
                        const std::string name = Attr(tile, "name");
                        EXPECT_TRUE(name.empty() || name == "null" || tiles.count(name))
                            << file << " " << name;
                    }
                }
        }
        for (int shot : shotsFired)
            EXPECT_TRUE(shotEmitters.count(shot)) << file << " fires shot " << shot << " nobody makes";
        if (byAll)
        {
            EXPECT_FALSE(random) << file << ": random emitters never run out";
        }
        if (bySpecials)
        {
            EXPECT_TRUE(special) << file;
        }
        if (file == "end.xml")
        {
            EXPECT_NE(root->GetChild("end"), nullptr);
        }
        if (listed)
        {
            m = TimedTimes(root);
            EXPECT_GT(m.gold, 0) << file << " has no timed mode";
            EXPECT_TRUE(m.gold < m.silver && m.silver < m.bronze && m.bronze < m.limit)
                << file << ": medal times " << m.gold << " " << m.silver << " " << m.bronze << " " << m.limit;
        }
        return m;
    }

    void CheckComicPage(const std::string& level, const std::string& chunked, const std::string& overlay)
    {
        Doc c = Load("graphics/" + chunked);
        ASSERT_NE(c.root, nullptr) << level << " " << chunked;
        EXPECT_FALSE(Children(c.root, "file").empty()) << chunked;
        CheckOverlay(overlay);
    }

    void CheckOverlay(const std::string& overlay)
    {
        Doc o = Load("graphics/" + overlay);
        ASSERT_NE(o.root, nullptr) << overlay;
        for (TXmlNode* b : Children(o.root, "block"))
            EXPECT_TRUE(HasKey(Attr(b, "id"))) << overlay << " " << Attr(b, "id");
    }
};

TEST_F(LevelTest, EveryListedLevelIsPlayableAndMedalTimesAgree)
{
    std::map<std::string, Medals> expected;
    for (const char* f : kLevelList)
        expected[f] = CheckLevel(f, true);
    for (const char* f : kEnduranceList)
        CheckLevel(f, false);
    CheckOverlay("levelselecttextoverlay.xml");

    Doc d = Load("levels/medaltimes.xml");
    ASSERT_NE(d.root, nullptr);
    EXPECT_EQ(S(d.root->GetName()), "medaltimes");
    std::string previous;
    std::set<std::string> listed;
    for (TXmlNode* item : Children(d.root, "level"))
    {
        const std::string name = Attr(item, "name");
        EXPECT_LT(previous, name) << "entries in byte order";
        previous = name;
        listed.insert(name);
        auto it = expected.find(name);
        ASSERT_NE(it, expected.end()) << name;
        EXPECT_EQ(Num(item, "timelimit"), it->second.limit) << name;
        EXPECT_EQ(Num(item, "goldtime"), it->second.gold) << name;
        EXPECT_EQ(Num(item, "silvertime"), it->second.silver) << name;
        EXPECT_EQ(Num(item, "bronzetime"), it->second.bronze) << name;
    }
    EXPECT_EQ(listed.size(), expected.size());
}

// What a level is made of, whatever its kinds are called, however big they are and whatever its
// numbers: one word per emitter for the kind of set piece it is (whether its entities come in
// from one side, from several or at a spot; at random, all at the start or at set times; the
// controllers that drive them, an evader telling whether it flees the goo or anything bigger and
// a path follower whether it loops and leads; and what they are to the goo: food, something that
// hurts it, something that eats it, or a special thing to collect), plus the level's goal and
// whether it can starve the goo. Shots come with their shooter and are left out.
using Pieces = std::map<std::string, int>;

// Per kind: "eats" (it eats a smaller goo), "hurts" (it damages the goo) or "food".
std::map<std::string, std::string> KindRoles(TXmlNode* defsRoot)
{
    std::map<std::string, std::string> roles;
    for (TXmlNode* def : Children(defsRoot, "entitydef"))
    {
        std::string role = "food";
        for (TXmlNode* r : Children(def, "reaction"))
            if (Attr(r, "entitydef") == "greygoo")
            {
                const std::string effect = Attr(r, "effect");
                if (effect == "eat")
                    role = "eats";
                else if (effect == "damage" || effect == "damagedestroyself")
                    role = "hurts";
            }
        roles[Attr(def, "name")] = role;
    }
    return roles;
}

Pieces LevelPieces(TXmlNode* root, const std::map<std::string, std::string>& roles)
{
    Pieces pieces;
    for (TXmlNode* e : Children(root, "emitter"))
    {
        const std::string type = Attr(e, "type");
        if (type == "shot")
            continue;
        std::string word = type;
        if (type == "side")
        {
            int sides = 0;
            for (const char* side : {"left", "right", "top", "bottom"})
                sides += e->GetChild(side) ? 1 : 0;
            word += sides == 1 ? " from one side" : " from several sides";
        }
        if (e->GetChild("randomemit"))
            word += ", at random";
        if (TXmlNode* sched = e->GetChild("scheduledemit"))
        {
            std::set<std::string> times;
            for (TXmlNode* emit : Children(sched, "emit"))
                times.insert(Attr(emit, "time"));
            word += times.size() == 1 ? ", all at once" : ", at set times";
        }
        std::set<std::string> controllers;
        for (TXmlNode* c : Children(e, "controller"))
        {
            std::string kind = Attr(c, "type");
            const TXmlNode* affect = c->GetChild("affect");
            if (kind == "attack" && affect)
                kind += Attr(affect, "condition") == "larger" ? " a bigger goo" : " a smaller goo";
            if (kind == "evade" && affect)
                kind += Attr(affect, "all") == "true" ? " anything bigger" : " the goo";
            if (kind == "pathfollow")
                kind += std::string(Attr(c, "loop") == "true" ? " looping" : "") +
                        (Attr(c, "first") == "true" ? " first" : "");
            controllers.insert(kind);
        }
        for (const std::string& c : controllers)
            word += ", " + c;
        const auto role = roles.find(Attr(e, "entitydef"));
        word +=
            Attr(e, "special") == "true" ? ": special" : (": " + (role == roles.end() ? "?" : role->second));
        ++pieces[word];
    }
    if (Attr(root, "victoryeateverything") == "true")
        ++pieces["goal: eat everything"];
    else if (Num(root, "numspecialentities") > 0)
        ++pieces["goal: special things"];
    else
        ++pieces["goal: size"];
    if (Attr(root, "smallerentitycheck") == "true")
        ++pieces["starves the goo"];
    return pieces;
}

// The share of two levels' pieces that they have in common (shared over all, counting repeats).
double Overlap(const Pieces& a, const Pieces& b, std::string* shared)
{
    int common = 0, all = 0;
    std::set<std::string> words;
    for (const auto& p : a)
        words.insert(p.first);
    for (const auto& p : b)
        words.insert(p.first);
    for (const std::string& w : words)
    {
        const auto x = a.find(w), y = b.find(w);
        const int na = x == a.end() ? 0 : x->second, nb = y == b.end() ? 0 : y->second;
        common += std::min(na, nb);
        all += std::max(na, nb);
        if (na && nb)
            *shared += "\n  " + w;
    }
    return all ? static_cast<double>(common) / all : 0.0;
}

// Every level is built from its own idea, not from another level's layout with the names and
// numbers changed: no two levels share more than half of their set pieces.
TEST_F(LevelTest, NoTwoLevelsShareALayout)
{
    Doc defsDoc = Load("graphics/entitydefs.xml");
    ASSERT_NE(defsDoc.root, nullptr);
    const auto roles = KindRoles(defsDoc.root);
    std::vector<std::string> files(std::begin(kLevelList), std::end(kLevelList));
    files.insert(files.end(), std::begin(kEnduranceList), std::end(kEnduranceList));
    std::vector<Pieces> pieces;
    for (const std::string& file : files)
    {
        Doc d = Load("levels/" + file);
        ASSERT_NE(d.root, nullptr) << file;
        pieces.push_back(LevelPieces(d.root, roles));
    }
    for (size_t i = 0; i < files.size(); ++i)
        for (size_t j = i + 1; j < files.size(); ++j)
        {
            std::string shared;
            const double overlap = Overlap(pieces[i], pieces[j], &shared);
            EXPECT_LT(overlap, 0.6) << files[i] << " and " << files[j] << " share " << overlap
                                    << " of their set pieces:" << shared;
        }
}

// Every feature of the level format is used where it fits: each controller kind, reaction
// effect and tile feature in at least three levels.
TEST_F(LevelTest, LevelsAreVariedAndUseEveryFeature)
{
    Doc defsDoc = Load("graphics/entitydefs.xml");
    ASSERT_NE(defsDoc.root, nullptr);
    // Per kind: the reaction effects it takes part in and its own features.
    std::map<std::string, std::set<std::string>> kindFeatures;
    std::map<std::string, std::set<std::string>> reactsWith;  // effect -> kinds involved
    for (TXmlNode* def : Children(defsDoc.root, "entitydef"))
    {
        const std::string name = Attr(def, "name");
        for (const char* a :
             {"moveslowanimation", "movefastanimation", "attackanimation", "loopsound", "firstloopsound"})
            if (!Attr(def, a).empty())
                kindFeatures[name].insert(a);
        for (const char* a : {"newtontravel", "movetoturn", "gooreactiononly"})
            if (Attr(def, a) == "true")
                kindFeatures[name].insert(a);
        if (Attr(def, "reactshape") == "rect")
            kindFeatures[name].insert("rectshape");
        for (TXmlNode* r : Children(def, "reaction"))
        {
            const std::string effect = Attr(r, "effect"), other = Attr(r, "entitydef");
            if (name == "greygoo" && other != "default")
                reactsWith[effect].insert(other);  // the goo meeting that kind
            else
                reactsWith[effect].insert(name);  // that kind meeting others (the goo: any kind)
        }
    }
    std::map<std::string, std::set<std::string>> used;  // feature -> levels
    std::vector<std::string> files(std::begin(kLevelList), std::end(kLevelList));
    files.insert(files.end(), std::begin(kEnduranceList), std::end(kEnduranceList));
    for (const std::string& file : files)
    {
        Doc d = Load("levels/" + file);
        ASSERT_NE(d.root, nullptr) << file;
        std::set<std::string> kinds = {"greygoo"};
        for (TXmlNode* e : Children(d.root, "emitter"))
        {
            kinds.insert(Attr(e, "entitydef"));
            if (!Attr(e, "minemitperiod").empty())
                used["minemitperiod"].insert(file);
            for (TXmlNode* c : Children(e, "controller"))
            {
                used["controller " + Attr(c, "type")].insert(file);
                if (Attr(c, "first") == "true")
                    used["first phase"].insert(file);
                if (!Attr(c, "updateperiod").empty())
                    used["updateperiod"].insert(file);
                if (c->GetChild("dontaffect"))
                    used["dontaffect"].insert(file);
            }
        }
        for (const std::string& k : kinds)
            for (const std::string& f : kindFeatures[k])
                used[f].insert(file);
        for (const auto& r : reactsWith)
            for (const std::string& k : r.second)
                if (kinds.count(k))
                    used["reaction " + r.first].insert(file);
        if (TXmlNode* layers = d.root->GetChild("tilelayers"))
        {
            const auto list = Children(layers, "tilelayer");
            if (list.size() > 1)
                used["several tile layers"].insert(file);
            for (TXmlNode* layer : list)
            {
                if (Attr(layer, "ontop") == "true")
                    used["ontop tiles"].insert(file);
                for (TXmlNode* t : Children(layer, "tile"))
                    if (animatedTiles.count(Attr(t, "name")))
                        used["animated tiles"].insert(file);
            }
        }
    }
    const char* const features[] = {"controller movedirection",
                                    "controller pathfollow",
                                    "controller attack",
                                    "controller evade",
                                    "controller stayinlevel",
                                    "controller leavelevel",
                                    "controller stationary",
                                    "controller avoid",
                                    "first phase",
                                    "updateperiod",
                                    "dontaffect",
                                    "minemitperiod",
                                    "moveslowanimation",
                                    "movefastanimation",
                                    "attackanimation",
                                    "loopsound",
                                    "firstloopsound",
                                    "newtontravel",
                                    "movetoturn",
                                    "gooreactiononly",
                                    "rectshape",
                                    "reaction none",
                                    "reaction eat",
                                    "reaction bounce",
                                    "reaction slide",
                                    "reaction damage",
                                    "reaction destroyself",
                                    "reaction damagedestroyself",
                                    "several tile layers",
                                    "ontop tiles",
                                    "animated tiles"};
    for (const char* f : features)
        EXPECT_GE(used[f].size(), 3u) << f << " is used in " << used[f].size() << " levels";
}

// The width and height a PNG file's header gives, or false.
bool PngSize(const std::string& path, int* w, int* h)
{
    std::string data;
    if (!ReadFile(path, &data) || data.size() < 24 || data.compare(1, 3, "PNG") != 0)
        return false;
    auto be = [&](size_t at)
    {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(data.data() + at);
        return static_cast<int>((p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3]);
    };
    *w = be(16);
    *h = be(20);
    return true;
}

TEST_F(ContentTest, BuiltPicturesAndSoundsMatchTheirDeclarations)
{
    for (const auto& m : maps)
    {
        int w = 0, h = 0;
        const std::string path = BuiltAssets() + "graphics/" + m.second.file + ".png";
        ASSERT_TRUE(PngSize(path, &w, &h)) << path;
        EXPECT_EQ(w, m.second.width) << m.first;
        EXPECT_EQ(h, m.second.height) << m.first;
    }
    for (const char* chunked : {"titlescreen.png.xml", "levelselect.png.xml", "comic1.png.xml",
                                "comic2.png.xml", "comic10.png.xml"})
    {
        Doc c = Load(std::string("graphics/") + chunked);
        ASSERT_NE(c.root, nullptr) << chunked;
        const int pageW = static_cast<int>(Num(c.root, "width")),
                  pageH = static_cast<int>(Num(c.root, "height"));
        ASSERT_TRUE(pageW > 0 && pageH > 0) << chunked;
        // Every page pixel comes from exactly one chunk; the pictures are kept in square
        // power-of-two textures, and a page's take no more than two of 512 x 512.
        std::vector<int> cover(static_cast<size_t>(pageW) * pageH, 0);
        long long texturePixels = 0;
        for (TXmlNode* f : Children(c.root, "file"))
        {
            int w = 0, h = 0;
            const std::string path = BuiltAssets() + "graphics/" + Attr(f, "name") + ".png";
            ASSERT_TRUE(PngSize(path, &w, &h)) << path;
            long long side = 1;
            while (side < std::max(w, h))
                side *= 2;
            texturePixels += side * side;
            for (TXmlNode* chunk : Children(f, "chunk"))
            {
                const int x1 = static_cast<int>(Num(chunk, "srcX1")),
                          y1 = static_cast<int>(Num(chunk, "srcY1"));
                const int x2 = static_cast<int>(Num(chunk, "srcX2")),
                          y2 = static_cast<int>(Num(chunk, "srcY2"));
                const int dx = static_cast<int>(Num(chunk, "dstX")),
                          dy = static_cast<int>(Num(chunk, "dstY"));
                EXPECT_LE(x2, w) << path;
                EXPECT_LE(y2, h) << path;
                ASSERT_TRUE(x1 >= 0 && y1 >= 0 && x1 < x2 && y1 < y2) << path;
                ASSERT_TRUE(dx >= 0 && dy >= 0 && dx + (x2 - x1) <= pageW && dy + (y2 - y1) <= pageH) << path;
                for (int y = dy; y < dy + (y2 - y1); ++y)
                    for (int x = dx; x < dx + (x2 - x1); ++x)
                        ++cover[static_cast<size_t>(y) * pageW + x];
            }
        }
        EXPECT_EQ(std::count(cover.begin(), cover.end(), 1), static_cast<long>(cover.size())) << chunked;
        EXPECT_LE(texturePixels, 2LL * 512 * 512) << chunked;
    }
    Doc s = Load("sounds/soundeffects.xml");
    ASSERT_NE(s.root, nullptr);
    for (TXmlNode* sound : Children(s.root))
    {
        std::vector<std::string> files;
        if (S(sound->GetName()) == "loopsound")
            files.push_back(Attr(sound, "filename"));
        for (TXmlNode* sample : Children(sound, "sample"))
            files.push_back(Attr(sample, "filename"));
        for (const std::string& f : files)
            EXPECT_TRUE(Exists(BuiltAssets() + "sounds/" + f + ".ogg")) << f;
    }
    for (const char* song : {"alwaysloop", "a", "b", "c"})
        EXPECT_TRUE(Exists(BuiltAssets() + "sounds/" + song + ".ogg")) << song;
    std::string credits;
    ASSERT_TRUE(ReadFile(BuiltAssets() + "graphics/credits.txt", &credits));
    EXPECT_LT(credits.size(), 4999u);
    for (unsigned char c : credits)
        EXPECT_LT(c, 128u);
}
// The campaign plan covers every level, in the order of play, each in a world.
TEST_F(LevelTest, CampaignPlanNamesEveryLevelAndItsWorld)
{
    const auto plan = contenttest::ReadPlan();
    int order = -1;
    for (const char* f : kLevelList)
    {
        const auto row = plan.find(f);
        ASSERT_NE(row, plan.end()) << f;
        EXPECT_FALSE(row->second.world.empty()) << f;
        EXPECT_GT(row->second.order, order) << f << ": the plan lists the levels in the order of play";
        order = row->second.order;
        EXPECT_TRUE(row->second.foodFloor >= 0 && row->second.foodFloor <= 6) << f;
    }
    for (const char* f : kEnduranceList)
        EXPECT_TRUE(plan.count(f)) << f;
    // The first world is where a new player starts.
    for (const char* f : {"soil.xml", "bacteria.xml", "blood.xml", "amoeba.xml"})
        EXPECT_EQ(plan.at(f).world, "micro") << f;
}

// A level's recorded runs, sorted, a lost run counting as never finished.
std::vector<double> SortedRuns(const std::vector<double>& runs)
{
    std::vector<double> t;
    for (double r : runs)
        t.push_back(r >= 0 ? r : 1e9);
    std::sort(t.begin(), t.end());
    return t;
}

// The medal times keep to the rule they are made by (tools/levelgen/levelgen.py), checked
// against the autopilot's recorded runs: gold is a careful player's target, met by the best
// tenth or so of the runs (at most a quarter, where many tie in the same second); bronze covers the median run; at most a tenth of the runs run out of
// time, and none at all in the first world, where a new player starts in the timed mode.
TEST_F(LevelTest, MedalTimesFollowTheRecordedRuns)
{
    const auto plan = contenttest::ReadPlan();
    const auto recorded = contenttest::ReadRecordedRuns();
    for (const char* f : kLevelList)
    {
        const auto runs = recorded.find(f);
        ASSERT_NE(runs, recorded.end()) << f << " has no recorded runs";
        const size_t n = runs->second.size();
        ASSERT_GE(n, 32u) << f;
        Doc d = Load(std::string("levels/") + f);
        ASSERT_NE(d.root, nullptr) << f;
        const Medals m = TimedTimes(d.root);
        const std::vector<double> t = SortedRuns(runs->second);
        const double median = runs->second[static_cast<size_t>(contenttest::MedianRun(runs->second))];
        // medals go by the level time in whole seconds; a time-out by the time itself
        const long golds =
            std::count_if(t.begin(), t.end(), [&](double x) { return std::floor(x) <= m.gold; });
        const long over = std::count_if(t.begin(), t.end(), [&](double x) { return x > m.limit; });
        std::printf("%-12s gold %3d (%2ld of %zu runs)  bronze %3d (median %.1f)  limit %3d (%ld over)\n", f,
                    m.gold, golds, n, m.bronze, median, m.limit, over);
        EXPECT_GE(golds, 2) << f << ": gold is out of reach";
        EXPECT_LE(golds * 4, static_cast<long>(n)) << f << ": gold is too easy";
        EXPECT_LE(std::floor(median), m.bronze) << f << ": a clean finish does not earn bronze";
        if (plan.at(f).world == "micro")
        {
            EXPECT_EQ(over, 0) << f << ": a run of the first world runs out of time (worst " << t.back()
                               << ")";
        }
        else
        {
            EXPECT_LE(over * 10, static_cast<long>(n)) << f << ": too many runs run out of time";
        }
    }
}

// The curve. A level's hardness is how much of its clock the median run uses (median / time
// limit): within each world the first level teaches (it medals easier) and the last one tests
// (it medals harder), and each world's first level medals harder than the previous world's.
TEST_F(LevelTest, EachWorldOpensEasierThanItClosesAndHarderThanTheLastWorldOpened)
{
    const auto plan = contenttest::ReadPlan();
    const auto recorded = contenttest::ReadRecordedRuns();
    std::vector<std::pair<std::string, std::vector<std::string>>> worlds;  // in the order of play
    for (const char* f : kLevelList)
    {
        const std::string w = plan.at(f).world;
        if (worlds.empty() || worlds.back().first != w)
            worlds.push_back({w, {}});
        worlds.back().second.push_back(f);
    }
    auto hardness = [&](const std::string& f)
    {
        const auto& runs = recorded.at(f);
        Doc d = Load("levels/" + f);
        const double median = runs[static_cast<size_t>(contenttest::MedianRun(runs))];
        return median / TimedTimes(d.root).limit;
    };
    double lastOpener = 0;
    std::string lastWorld;
    for (const auto& w : worlds)
    {
        if (w.second.size() < 2)
            continue;  // the last level stands alone
        const double open = hardness(w.second.front()), close = hardness(w.second.back());
        std::printf("%-6s %-12s %.2f -> %-12s %.2f\n", w.first.c_str(), w.second.front().c_str(), open,
                    w.second.back().c_str(), close);
        EXPECT_LT(open, close) << w.first << ": " << w.second.front() << " medals harder than "
                               << w.second.back();
        EXPECT_GT(open, lastOpener) << w.second.front() << " medals easier than the first level of "
                                    << lastWorld;
        lastOpener = open;
        lastWorld = w.first;
    }
}

// Most levels lie on two tile layers (ground detail under the entities, props over them); what
// lies over the entities is sparse and keeps to the outermost ring of tiles, so that it never
// hides a threat where the goo plays.
TEST_F(LevelTest, SecondTileLayersAreCommonAndPropsKeepToTheEdges)
{
    std::vector<std::string> files(std::begin(kLevelList), std::end(kLevelList));
    files.insert(files.end(), std::begin(kEnduranceList), std::end(kEnduranceList));
    int layered = 0;
    for (const std::string& file : files)
    {
        Doc d = Load("levels/" + file);
        ASSERT_NE(d.root, nullptr) << file;
        TXmlNode* layers = d.root->GetChild("tilelayers");
        ASSERT_NE(layers, nullptr) << file;
        const auto list = Children(layers, "tilelayer");
        if (list.size() > 1)
            ++layered;
        for (TXmlNode* layer : list)
        {
            if (Attr(layer, "ontop") != "true")
                continue;
            const int w = static_cast<int>(Num(layer, "tileswide")),
                      h = static_cast<int>(Num(layer, "tileshigh"));
            const auto tiles = Children(layer, "tile");
            ASSERT_EQ(static_cast<int>(tiles.size()), w * h) << file;
            int shown = 0;
            for (int i = 0; i < w * h; ++i)
            {
                const std::string name = Attr(tiles[static_cast<size_t>(i)], "name");
                if (name.empty() || name == "null")
                    continue;
                ++shown;
                const int x = i % w, y = i / w;
                EXPECT_TRUE(x == 0 || y == 0 || x == w - 1 || y == h - 1)
                    << file << ": a prop over the entities at tile " << x << "," << y << ", inside the field";
            }
            const int ring = w * h - std::max(0, w - 2) * std::max(0, h - 2);
            EXPECT_LE(2 * shown, ring) << file << ": props over the entities cover half the edge";
        }
    }
    EXPECT_GE(layered, 30) << "levels with a second tile layer";
}

}  // namespace
