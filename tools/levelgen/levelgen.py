#!/usr/bin/env python3
"""levelgen: writes the game's authored text data deterministically.

Outputs (relative to the assets folder given as the only argument):
  strings.xml                        the English string table
  graphics/entitydefs.xml            entity kinds
  graphics/tiledefs.xml              background tiles
  graphics/animationdefs.xml         frame animations
  graphics/gamemaps.xml              image maps of the game's own pictures (merged into
                                     imagemaps.xml by hand-free concatenation, see main)
  graphics/*.png.xml, *textoverlay.xml  chunked pictures and their text overlays
  levels/<name>.xml, levels/medaltimes.xml

The picture layouts (sheet sizes, cell grids) must match tools/entityart, which draws them.
No randomness and no clock: the same script always writes the same bytes.
"""
import math
import os
import sys

# ---------------------------------------------------------------------------------------------
# Entity kinds. Cell = index in the "entities" sheet (8 x 8 cells of 128 px); tools/entityart
# draws cell i from the same table order (kEntityArt there), so keep both in step.
# role: food (eaten when smaller), predator (eats the goo when the goo is smaller), damager
# (hurts a smaller goo on touch), shooter (fires "spit"), shot, special.
KINDS = [
    # name, display name, cell, aspect, coverage, role, effect colour
    ("dustmote", "Dust mote", 0, 1.0, 0.70, "food", (0.8, 0.7, 0.5)),
    ("pollen", "Pollen grain", 1, 1.0, 0.785, "food", (1.0, 0.9, 0.3)),
    ("clay", "Clay crumb", 2, 1.0, 0.75, "food", (0.7, 0.45, 0.3)),
    ("rodbacterium", "Rod bacterium", 3, 2.0, 0.75, "food", (0.5, 0.9, 0.4)),
    ("coccus", "Round bacterium", 4, 1.0, 0.785, "food", (0.6, 0.9, 0.6)),
    ("virion", "Virus", 5, 1.0, 0.6, "damager", (0.9, 0.4, 0.9)),
    ("redcell", "Red blood cell", 6, 1.0, 0.785, "food", (1.0, 0.3, 0.3)),
    ("platelet", "Platelet", 7, 1.4, 0.7, "food", (1.0, 0.7, 0.6)),
    ("whitecell", "White blood cell", 8, 1.0, 0.785, "predator", (0.95, 0.95, 1.0)),
    ("amoeba", "Amoeba", 9, 1.0, 0.7, "food", (0.6, 0.8, 1.0)),
    ("diatom", "Diatom", 10, 1.6, 0.7, "food", (0.7, 1.0, 0.8)),
    ("paramecium", "Slipper animalcule", 11, 2.0, 0.72, "predator", (0.8, 0.9, 0.6)),
    ("mite", "Mite", 12, 1.3, 0.65, "food", (0.9, 0.6, 0.2)),
    ("ant", "Ant", 13, 1.6, 0.55, "food", (0.6, 0.25, 0.2)),
    ("fly", "Fly", 14, 1.2, 0.6, "food", (0.4, 0.5, 0.6)),
    ("beetle", "Beetle", 15, 1.3, 0.7, "shooter", (0.3, 0.8, 0.4)),
    ("spider", "Spider", 16, 1.0, 0.5, "predator", (0.5, 0.4, 0.4)),
    ("spit", "Spit", 17, 1.0, 0.785, "shot", (0.7, 1.0, 0.5)),
    ("crumb", "Crumb", 18, 1.0, 0.7, "food", (0.9, 0.75, 0.45)),
    ("pea", "Pea", 19, 1.0, 0.785, "food", (0.5, 0.9, 0.3)),
    ("grape", "Grape", 20, 1.0, 0.785, "food", (0.6, 0.3, 0.7)),
    ("cookie", "Cookie", 21, 1.0, 0.785, "food", (0.85, 0.6, 0.3)),
    ("teacup", "Teacup", 22, 1.3, 0.65, "food", (0.9, 0.9, 1.0)),
    ("fork", "Fork", 23, 3.0, 0.45, "damager", (0.8, 0.8, 0.85)),
    ("shrimp", "Shrimp", 24, 1.6, 0.6, "food", (1.0, 0.6, 0.5)),
    ("minnow", "Minnow", 25, 2.0, 0.65, "food", (0.6, 0.7, 0.8)),
    ("jellyfish", "Jellyfish", 26, 1.0, 0.65, "damager", (0.9, 0.6, 1.0)),
    ("pike", "Pike", 27, 2.6, 0.6, "predator", (0.4, 0.6, 0.3)),
    ("seed", "Seed", 28, 1.4, 0.7, "food", (0.8, 0.7, 0.4)),
    ("snail", "Snail", 29, 1.4, 0.7, "food", (0.8, 0.6, 0.4)),
    ("frog", "Frog", 30, 1.2, 0.65, "food", (0.3, 0.8, 0.3)),
    ("mouse", "Mouse", 31, 1.6, 0.6, "food", (0.6, 0.6, 0.6)),
    ("owl", "Owl", 32, 1.0, 0.7, "predator", (0.7, 0.5, 0.3)),
    ("pigeon", "Pigeon", 33, 1.3, 0.65, "food", (0.6, 0.6, 0.7)),
    ("dog", "Dog", 34, 1.6, 0.6, "food", (0.8, 0.6, 0.3)),
    ("bicycle", "Bicycle", 35, 1.7, 0.5, "food", (0.3, 0.6, 0.9)),
    ("car", "Car", 36, 2.0, 0.8, "food", (0.9, 0.2, 0.2)),
    ("policecar", "Police car", 37, 2.0, 0.8, "food", (0.3, 0.4, 1.0)),
    ("bus", "Bus", 38, 2.8, 0.85, "predator", (1.0, 0.8, 0.2)),
    ("house", "House", 39, 1.0, 0.8, "food", (0.8, 0.5, 0.4)),
    ("balloon", "Balloon", 40, 0.8, 0.7, "food", (1.0, 0.3, 0.4)),
    ("bird", "Bird", 41, 1.5, 0.55, "food", (0.3, 0.3, 0.4)),
    ("cloud", "Cloud", 42, 1.8, 0.7, "food", (0.95, 0.95, 1.0)),
    ("helicopter", "Helicopter", 43, 1.8, 0.6, "food", (0.3, 0.6, 0.3)),
    ("airship", "Airship", 44, 2.4, 0.75, "food", (0.8, 0.8, 0.7)),
    ("plane", "Aeroplane", 45, 1.6, 0.5, "predator", (0.85, 0.85, 0.9)),
    ("satellite", "Satellite", 46, 1.6, 0.5, "food", (0.8, 0.8, 0.5)),
    ("asteroid", "Asteroid", 47, 1.2, 0.75, "food", (0.6, 0.55, 0.5)),
    ("comet", "Comet", 48, 2.2, 0.55, "damager", (0.6, 0.9, 1.0)),
    ("moon", "Moon", 49, 1.0, 0.785, "food", (0.85, 0.85, 0.85)),
    ("planet", "Planet", 50, 1.0, 0.785, "food", (0.4, 0.6, 1.0)),
    ("ringedplanet", "Ringed planet", 51, 2.0, 0.5, "food", (0.9, 0.8, 0.5)),
    ("star", "Star", 52, 1.0, 0.785, "food", (1.0, 0.95, 0.6)),
    ("energy1", "Spark of energy", 53, 1.0, 0.6, "special", (1.0, 1.0, 0.6)),
    ("nebula", "Nebula", 54, 1.4, 0.6, "food", (0.9, 0.5, 0.8)),
    ("blackhole", "Black hole", 55, 1.0, 0.785, "predator", (0.6, 0.3, 0.9)),
    ("galaxy", "Galaxy", 56, 1.4, 0.6, "food", (0.8, 0.8, 1.0)),
    ("galaxygroup", "Galaxy group", 57, 1.0, 0.6, "food", (0.7, 0.8, 1.0)),
    ("galaxycluster", "Galaxy cluster", 58, 1.0, 0.6, "food", (1.0, 0.8, 0.7)),
    ("supercluster", "Supercluster", 59, 1.3, 0.6, "food", (0.8, 1.0, 0.9)),
    ("energy2", "Bolt of energy", 60, 1.0, 0.6, "special", (0.6, 1.0, 1.0)),
]
KIND_BY_NAME = {k[0]: k for k in KINDS}
ENTITY_SHEET = (1024, 1024, 128)  # width, height, cell size

# Kinds that face their travel direction (art faces +x).
DIRECTED = {"rodbacterium", "paramecium", "mite", "ant", "fly", "beetle", "spider", "shrimp",
            "minnow", "pike", "snail", "frog", "mouse", "pigeon", "dog", "bicycle", "car",
            "policecar", "bus", "bird", "helicopter", "airship", "plane", "satellite", "comet",
            "platelet", "diatom", "seed", "spit"}
WOBBLE = {"amoeba", "jellyfish", "whitecell", "cloud", "nebula", "balloon"}
SPIN = {"dustmote", "pollen", "clay", "coccus", "virion", "redcell", "crumb", "pea", "cookie",
        "asteroid", "moon", "planet", "galaxy", "galaxygroup", "galaxycluster", "supercluster",
        "star", "energy1", "energy2", "blackhole", "ringedplanet", "teacup", "grape", "fork",
        "house"}

# Areas (words of the level names) in play order, with their kinds from small to large.
THEMES = [
    ("soil", ["dustmote", "pollen", "clay"], []),
    ("bacteria", ["coccus", "rodbacterium", "pollen"], ["virion"]),
    ("blood", ["platelet", "redcell", "coccus"], ["whitecell"]),
    ("amoeba", ["diatom", "amoeba", "rodbacterium"], ["paramecium"]),
    ("bugs", ["mite", "ant", "fly"], ["beetle", "spider"]),
    ("table", ["crumb", "pea", "grape", "cookie", "teacup"], ["fork"]),
    ("fish", ["shrimp", "minnow"], ["jellyfish", "pike"]),
    ("grass", ["seed", "snail", "frog", "mouse"], ["owl"]),
    ("city", ["pigeon", "dog", "bicycle", "car", "policecar", "house"], ["bus"]),
    ("sky", ["balloon", "bird", "cloud", "helicopter", "airship"], ["plane"]),
    ("space", ["satellite", "asteroid", "moon", "planet", "ringedplanet", "star", "nebula",
               "galaxy", "galaxygroup", "galaxycluster", "supercluster"], ["comet", "blackhole"]),
    ("end", ["star", "galaxy", "galaxygroup", "galaxycluster", "supercluster"], ["blackhole"]),
]
THEME = {t[0]: t for t in THEMES}
THEME_INDEX = {t[0]: i for i, t in enumerate(THEMES)}

LEVELS = [("soil.xml", 73, 167), ("bacteria.xml", 126, 167), ("blood.xml", 126, 206),
          ("amoeba.xml", 73, 206), ("bugs1.xml", 73, 307), ("bugs2.xml", 120, 307),
          ("bugs3.xml", 167, 307), ("bugs4.xml", 120, 346), ("bugs5.xml", 73, 346),
          ("table1.xml", 73, 446), ("table2.xml", 117, 446), ("table3.xml", 161, 446),
          ("table4.xml", 206, 446), ("table5.xml", 161, 486), ("table6.xml", 117, 486),
          ("table7.xml", 73, 486), ("fish1.xml", 293, 486), ("fish2.xml", 340, 486),
          ("fish3.xml", 387, 486), ("grass1.xml", 387, 387), ("grass2.xml", 340, 387),
          ("grass3.xml", 293, 387), ("grass4.xml", 293, 346), ("grass5.xml", 340, 346),
          ("grass6.xml", 387, 346), ("city1.xml", 387, 246), ("city2.xml", 342, 246),
          ("city3.xml", 297, 246), ("city4.xml", 252, 246), ("city5.xml", 252, 206),
          ("city6.xml", 297, 206), ("city7.xml", 342, 206), ("city8.xml", 387, 206),
          ("sky1.xml", 473, 146), ("sky2.xml", 517, 146), ("sky3.xml", 561, 146),
          ("sky4.xml", 606, 146), ("sky5.xml", 561, 186), ("sky6.xml", 517, 186),
          ("sky7.xml", 473, 186), ("space1.xml", 486, 293), ("space2.xml", 486, 331),
          ("space3.xml", 486, 370), ("space4.xml", 486, 408), ("space5.xml", 486, 447),
          ("space6.xml", 532, 447), ("space7.xml", 532, 408), ("space8.xml", 532, 370),
          ("space9.xml", 532, 331), ("space10.xml", 532, 293), ("space11.xml", 667, 293),
          ("space12.xml", 713, 293), ("space13.xml", 713, 331), ("space14.xml", 667, 331),
          ("space15.xml", 667, 370), ("space16.xml", 713, 370), ("space17.xml", 713, 408),
          ("space18.xml", 667, 408), ("space19.xml", 667, 447), ("end.xml", 713, 447)]
ENDURANCE = [("amoebaendurance.xml", "amoeba"), ("fishendurance.xml", "fish"),
             ("clusterendurance.xml", "space")]

# Start lengths of the goo in metres at some level indices; between them the length grows
# geometrically, so the size display climbs steadily from one level to the next.
LENGTH_ANCHORS = [(0, 2e-6), (4, 4e-4), (9, 4e-3), (16, 8e-2), (19, 0.3), (25, 3.0),
                  (33, 300.0), (40, 1e6), (59, 3e24)]

TILE_SIZE = 256
TILE_SHEET = (1024, 1024)  # 16 cells of 256 x 256, one per theme (cell = theme index)

# Sound names the defs use (all synthesised by tools/soundgen).
EAT_SOUND = "crunch"


# Gold times (seconds, even so the derived silver, bronze and limit are whole) set from an
# autopilot that chases food at half the goo's top speed and flees anything bigger: about 1.8
# times its time plus 10 s, so a player has room and the limit (1.5 x gold) a wide margin.
GOLD_TIMES = {
    "soil.xml": 40, "bacteria.xml": 38, "blood.xml": 40, "amoeba.xml": 48, "bugs1.xml": 42,
    "bugs2.xml": 34, "bugs3.xml": 42, "bugs4.xml": 46, "bugs5.xml": 42, "table1.xml": 52,
    "table2.xml": 46, "table3.xml": 54, "table4.xml": 40, "table5.xml": 48, "table6.xml": 58,
    "table7.xml": 54, "fish1.xml": 56, "fish2.xml": 56, "fish3.xml": 54, "grass1.xml": 44,
    "grass2.xml": 40, "grass3.xml": 42, "grass4.xml": 34, "grass5.xml": 40, "grass6.xml": 42,
    "city1.xml": 50, "city2.xml": 36, "city3.xml": 42, "city4.xml": 46, "city5.xml": 40,
    "city6.xml": 56, "city7.xml": 56, "city8.xml": 50, "sky1.xml": 50, "sky2.xml": 58,
    "sky3.xml": 56, "sky4.xml": 54, "sky5.xml": 56, "sky6.xml": 58, "sky7.xml": 46,
    "space1.xml": 58, "space2.xml": 54, "space3.xml": 68, "space4.xml": 90, "space5.xml": 68,
    "space6.xml": 68, "space7.xml": 68, "space8.xml": 62, "space9.xml": 68, "space10.xml": 74,
    "space11.xml": 70, "space12.xml": 74, "space13.xml": 92, "space14.xml": 88, "space15.xml": 80,
    "space16.xml": 114, "space17.xml": 112, "space18.xml": 126, "space19.xml": 140, "end.xml": 60,
}


def fmt(v):
    if isinstance(v, bool):
        return "true" if v else "false"
    if isinstance(v, int):
        return str(v)
    s = "%.6f" % v
    s = s.rstrip("0").rstrip(".")
    return s if s not in ("", "-0") else "0"


def fmt_sci(v):
    s = "%.6g" % v
    return s


def esc(s):
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")


def attrs(pairs):
    return "".join(' %s="%s"' % (k, esc(v if isinstance(v, str) else fmt(v))) for k, v in pairs)


def write(root, rel, text):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


# ---------------------------------------------------------------------------------------------
def entitydefs():
    out = ["<entitydefs>"]
    goo = [("name", "greygoo"), ("animationdef", "gooripple"), ("groweat", True),
           ("smoothturn", True), ("areacoverage", 0.785), ("damagesound", "goohurt"),
           ("attacksound", "gulp"), ("effectr", 0.7), ("effectg", 0.9), ("effectb", 0.7)]
    out.append("  <entitydef%s>" % attrs(goo))
    out.append('    <intersectionshapes><circle posx="0" posy="0" radius="0.5"/></intersectionshapes>')
    out.append('    <reaction entitydef="greygoo" condition="all" effect="none"/>')
    for k in KINDS:
        if k[5] in ("shot",):
            out.append('    <reaction entitydef="%s" condition="all" effect="none"/>' % k[0])
    out.append('    <reaction entitydef="default" condition="smaller" effect="eat"/>')
    out.append('    <reaction entitydef="default" condition="largerequal" effect="bounce"/>')
    out.append("  </entitydef>")
    for name, _disp, cell, aspect, cover, role, eff in KINDS:
        a = [("name", name), ("imagemap", "entities"), ("imagemapcell", cell)]
        a.append(("eatensound", EAT_SOUND if role != "special" else "zap"))
        if role == "predator":
            a.append(("attacksound", "chomp"))
        if role == "shooter":
            a.append(("attacksound", "spitsound"))
        if name in DIRECTED:
            a += [("directedtravel", True), ("smoothturn", True), ("maxangularvel", 270)]
        if name in WOBBLE:
            a.append(("wobble", True))
        if role == "shot":
            a += [("lifelength", 3), ("matchangletovel", True)]
        if name in ("star", "supercluster", "blackhole"):
            a.append(("normaldeathexplosion", True))
        a += [("aspectratio", aspect), ("areacoverage", cover)]
        a += [("effectr", eff[0]), ("effectg", eff[1]), ("effectb", eff[2])]
        out.append("  <entitydef%s>" % attrs(a))
        if aspect == 1.0:
            shape = '<circle posx="0" posy="0" radius="0.45"/>'
        else:
            shape = '<rotrect posx="0" posy="0" width="0.9" height="%s" angle="0"/>' % fmt(0.9 / aspect)
        out.append("    <intersectionshapes>%s</intersectionshapes>" % shape)
        if role == "predator":
            out.append('    <reaction entitydef="greygoo" condition="smaller" effect="eat"/>')
        elif role == "damager":
            out.append('    <reaction entitydef="greygoo" condition="smaller" effect="damage"/>')
        elif role == "shot":
            out.append('    <reaction entitydef="greygoo" condition="all" effect="damagedestroyself"/>')
        out.append("  </entitydef>")
    out.append("</entitydefs>")
    return "\n".join(out) + "\n"


def tiledefs():
    out = ["<tiledefs>"]
    for i, t in enumerate(THEMES):
        out.append('  <tiledef name="%s" imagemap="tiles" cell="%d"/>' % ("ground" + t[0], i))
    out.append("</tiledefs>")
    return "\n".join(out) + "\n"


def animationdefs():
    out = ["<animationdefs>"]
    out.append('  <animationdef name="eyeblink" imagemap="eyelid" looping="false" time="0.25">')
    for c in (0, 1, 2, 3, 2, 1, 0):
        out.append('    <frame cell="%d" time="1"/>' % c)
    out.append("  </animationdef>")
    out.append('  <animationdef name="gooripple" imagemap="goo" looping="true" time="1.2">')
    for c in (0, 1, 2, 3):
        out.append('    <frame cell="%d" time="1"/>' % c)
    out.append("  </animationdef>")
    out.append("</animationdefs>")
    return "\n".join(out) + "\n"


def chunked(name, width, height):
    """An 800 x 600 picture split into pictures of at most 512 x 512: name_0 .. name_3."""
    parts = [(0, 0, 512, 512), (512, 0, 288, 512), (0, 512, 512, 88), (512, 512, 288, 88)]
    out = ['<chunkedimage width="%d" height="%d">' % (width, height)]
    for i, (x, y, w, h) in enumerate(parts):
        out.append('  <file name="%s_%d">' % (name, i))
        out.append('    <chunk srcX1="0" srcY1="0" srcX2="%d" srcY2="%d" dstX="%d" dstY="%d"/>' % (w, h, x, y))
        out.append("  </file>")
    out.append("</chunkedimage>")
    return "\n".join(out) + "\n"


def overlay(blocks):
    out = ["<textoverlay>"]
    for b in blocks:
        out.append('  <block id="%s" angle="%s" x1="%d" y1="%d" x2="%d" y2="%d" r="%s" g="%s" b="%s" a="1"/>'
                   % (b[0], fmt(b[1]), b[2], b[3], b[4], b[5], fmt(b[6][0]), fmt(b[6][1]), fmt(b[6][2])))
    out.append("</textoverlay>")
    return "\n".join(out) + "\n"


# Comic pages: (file stem, [(block id, text, angle, x1, y1, x2, y2)])
COMICS = [
    ("comic1", [("comic1a", "In a forgotten lab, a drop of grey goo wakes up.", 0, 40, 40, 360, 120),
                ("comic1b", "It is very small. And very, very hungry.", 0, 440, 460, 760, 540)]),
    ("comic2", [("comic2a", "Steer with the mouse. Touch anything smaller than you to eat it.", 0, 40, 40, 380, 130),
                ("comic2b", "Stay clear of bigger things until you have grown.", 0, 420, 470, 760, 560)]),
    ("comic10", [("comic10a", "And so the goo ate everything there was.", 0, 40, 40, 380, 130),
                 ("comic10b", "Alone in the dark, it wondered what was for dessert.", 0, 420, 470, 760, 560)]),
]


def level_length(index):
    for (i0, l0), (i1, l1) in zip(LENGTH_ANCHORS, LENGTH_ANCHORS[1:]):
        if i0 <= index <= i1:
            t = (index - i0) / float(i1 - i0)
            return math.exp(math.log(l0) + t * (math.log(l1) - math.log(l0)))
    return LENGTH_ANCHORS[-1][1]


def even(x):
    return int(2 * round(x / 2.0))


def side_ranges(w, h):
    return [("left", -h / 2 + 40, h / 2 - 40), ("right", -h / 2 + 40, h / 2 - 40),
            ("top", -w / 2 + 40, w / 2 - 40), ("bottom", -w / 2 + 40, w / 2 - 40)]


def emitter_xml(kind, minarea, maxarea, rate, maxlive, w, h, role, speed, extra_attrs=(), sides=None,
                ratetimed=None):
    a = [("type", "side"), ("entitydef", kind), ("minarea", minarea), ("maxarea", maxarea),
         ("maxlive", maxlive)]
    if kind in SPIN:
        a += [("anglevariance", 180), ("angularvel", 20), ("angularvelvariance", 15),
              ("anglevelposorneg", True)]
    a += list(extra_attrs)
    out = ["  <emitter%s>" % attrs(a)]
    r = [("rate", rate)]
    if ratetimed is not None:
        r.append(("rateta", ratetimed))
    out.append("    <randomemit%s/>" % attrs(r))
    for s, lo, hi in (sides or side_ranges(w, h)):
        out.append('    <%s min="%s" max="%s"/>' % (s, fmt(lo), fmt(hi)))
    out.append('    <controller type="movedirection" speed="%s" speedvariance="%s" speedvaryaccel="%s" '
               'directionvariance="30" directionvaryaccel="40" accel="%s"/>'
               % (fmt(speed), fmt(speed * 0.3), fmt(speed * 0.5), fmt(speed * 4)))
    if role == "food":
        out.append('    <controller type="evade" speed="%s" accel="%s" affectdist="150">'
                   % (fmt(speed * 1.6), fmt(speed * 6)))
        out.append('      <affect entitydef="greygoo" condition="larger"/>')
        out.append("    </controller>")
    elif role in ("predator", "shooter"):
        extra = ""
        if role == "shooter":
            extra = ' shot="0" shotx="0.6" shoty="0" shotperiod="2.5"'
        out.append('    <controller type="attack" speed="%s" accel="%s" affectdist="350"%s>'
                   % (fmt(speed * 1.3), fmt(speed * 5), extra))
        out.append('      <affect entitydef="greygoo" condition="smaller"/>')
        out.append("    </controller>")
    out.append("  </emitter>")
    return out


# Levels won by eating every entity: only scheduled emitters, so the count can reach zero.
EAT_EVERYTHING = {"table4.xml", "grass3.xml"}
# Levels won by eating special entities: kind and how many.
SPECIALS = {"space3.xml": ("energy1", 6), "space7.xml": ("energy2", 6),
            "space11.xml": ("energy1", 8), "space15.xml": ("energy2", 8)}


def eat_everything(foods, start):
    out = []
    bands = [(0.3, 0.6, 10), (0.8, 1.6, 6), (2.0, 3.0, 3)]
    for b, (lo, hi, count) in enumerate(bands):
        kind = foods[min(b, len(foods) - 1)]
        for j in range(count):
            ang = 2 * math.pi * (j + 0.5 * b) / count
            r = 260 + 140 * b
            x, y = round(r * math.cos(ang)), round(r * math.sin(ang) * 0.75)
            out.append('  <emitter type="spot" entitydef="%s" posx="%d" posy="%d" minarea="%s" maxarea="%s">'
                       % (kind, x, y, fmt(start * lo), fmt(start * hi)))
            out.append('    <scheduledemit><emit time="0"/></scheduledemit>')
            out.append('    <controller type="movedirection" direction="%d" speed="30" speedvariance="10" '
                       'directionvariance="90" directionvaryaccel="60" accel="120"/>' % ((j * 47) % 360))
            out.append('    <controller type="stayinlevel" speed="60" accel="240"/>')
            out.append('    <controller type="evade" speed="70" accel="300" affectdist="120">')
            out.append('      <affect entitydef="greygoo" condition="larger"/>')
            out.append("    </controller>")
            out.append("  </emitter>")
    return out


PARADE_THEMES = {"bugs", "table", "grass", "city", "sky", "space"}


def oval_pairs(rx, ry):
    """Four cubic pieces around an ellipse centred on the origin, clockwise on screen."""
    k = 0.5523
    return [(rx, 0, 0, k * ry, 0, ry, k * rx, 0), (0, ry, -k * rx, 0, -rx, 0, 0, k * ry),
            (-rx, 0, 0, -k * ry, 0, -ry, -k * rx, 0), (0, -ry, k * rx, 0, rx, 0, 0, -k * ry)]


def parade(kind, start, w, h, nfoods):
    lo = start * 0.15 * (2 * 6.0) ** (1.0 / max(nfoods, 2))
    rx, ry = round(w * 0.32), round(h * 0.32)
    out = ['  <emitter type="spot" entitydef="%s" posx="%d" posy="0" minarea="%s" maxarea="%s">'
           % (kind, rx, fmt(round(lo, 1)), fmt(round(lo * 2.5, 1)))]
    out.append('    <scheduledemit><emit time="0"/><emit time="0.5" pathpos="0.25"/>'
               '<emit time="1" pathpos="0.5"/><emit time="1.5" pathpos="0.75"/></scheduledemit>')
    out.append('    <controller type="pathfollow" speed="70" accel="300" loop="true" priority="0.55">')
    for p in oval_pairs(rx, ry):
        out.append('      <pair x1="%s" y1="%s" coefx1="%s" coefy1="%s" x2="%s" y2="%s" coefx2="%s" coefy2="%s"/>'
                   % tuple(fmt(round(v, 1)) for v in p))
    out.append("    </controller>")
    out.append("  </emitter>")
    return out


def level_xml(name, theme, num, index, endurance=False):
    tname, foods, hazards = THEME[theme]
    ti = THEME_INDEX[theme]
    start = 400.0
    # growth factor needed per level: early levels are quick, later ones ask more
    factor = 6.0 + min(index, 59) * 0.1 if not endurance else 40.0
    victory = start * factor
    w = 1600 + 64 * min(index % 10, 8) if not endurance else 2400
    h = int(w * 0.75)
    length = level_length(index)
    unit = length / math.sqrt(start)
    gold = GOLD_TIMES[name] if not endurance else 0
    root = [("width", w), ("height", h), ("growthrate", 0.3)]
    if index < 4 and not endurance:
        root.append(("firstsongonly", True))
    if name in EAT_EVERYTHING:
        root.append(("victoryeateverything", True))
    elif name in SPECIALS:
        root.append(("numspecialentities", SPECIALS[name][1]))
    else:
        root.append(("victorysize", victory))
    root.append(("unitmultiplier", float(fmt_sci(unit))))
    if not endurance and name not in EAT_EVERYTHING:
        root.append(("smallerentitycheck", True))
    if not endurance:
        root.append(("goldtimeta", gold))
    root += [("area", tname if not endurance else "endurance" + theme), ("levelnum", num)]
    # unitmultiplier must keep small values readable
    root_s = "".join(' %s="%s"' % (k, fmt_sci(v) if k == "unitmultiplier" else
                                   (v if isinstance(v, str) else fmt(v))) for k, v in root)
    out = ["<level%s>" % root_s]
    out.append('  <goo x="0" y="0" area="%s" shadowx="5" shadowy="5"/>' % fmt(start))
    if num == 1 and not endurance:
        out.append('  <tip title="tip%stitle" text="tip%stext" image="tip%s"/>' % (tname, tname, tname))
    if index == 0 and not endurance:
        out.append("  <comic>")
        for c in ("comic1", "comic2"):
            out.append('    <page chunkedfilename="%s.png.xml" textoverlayfilename="%stextoverlay.xml"/>' % (c, c))
        out.append("  </comic>")
    # background
    tw = int(math.ceil(w / float(TILE_SIZE)))
    th = int(math.ceil(h / float(TILE_SIZE)))
    out.append("  <tilelayers>")
    out.append('    <tilelayer tileswide="%d" tileshigh="%d" tilewidth="%d" tileheight="%d" ontop="false">'
               % (tw, th, TILE_SIZE, TILE_SIZE))
    for y in range(th):
        row = []
        for x in range(tw):
            t = '<tile name="ground%s"' % tname
            if (x + y * 3 + index) % 2:
                t += ' flipx="true"'
            if (x * 5 + y + index) % 3 == 0:
                t += ' flipy="true"'
            row.append(t + "/>")
        out.append("      " + "".join(row))
    out.append("    </tilelayer>")
    out.append("  </tilelayers>")
    level_in_theme = num - 1
    if name in EAT_EVERYTHING:
        out += eat_everything(foods, start)
        out.append("</level>")
        return "\n".join(out) + "\n", gold
    if name in SPECIALS:
        kind, count = SPECIALS[name]
        out.append('  <emitter type="side" entitydef="%s" minarea="%s" maxarea="%s" maxlive="3" special="true">'
                   % (kind, fmt(start * 0.4), fmt(start * 1.2)))
        out.append('    <randomemit rate="0.3" rateta="0.4"/>')
        for s_, lo, hi in side_ranges(w, h):
            out.append('    <%s min="%s" max="%s"/>' % (s_, fmt(lo), fmt(hi)))
        out.append('    <controller type="movedirection" speed="70" speedvariance="20" directionvariance="40" '
                   'directionvaryaccel="60" accel="280"/>')
        out.append('    <controller type="stayinlevel" speed="70" accel="280"/>')
        out.append("  </emitter>")
    # food ladder: kind i of n covers a band of areas that opens as the goo grows
    n = len(foods)
    for i, kind in enumerate(foods):
        lo = start * 0.15 * (victory / start / 0.5) ** (i / float(max(n, 2)))
        hi = lo * 3.5
        speed = 50 + 10 * i + 3 * level_in_theme
        rate = round(1.6 - 0.25 * i, 2)
        maxlive = max(4, 22 - 4 * i)
        role = KIND_BY_NAME[kind][5]
        out += emitter_xml(kind, round(lo, 1), round(hi, 1), max(rate, 0.3), maxlive, w, h, role, speed,
                           ratetimed=round(max(rate, 0.3) * 1.25, 2))
    # from a theme's third level on, a troop of the second food kind patrols an oval
    if num >= 3 and not endurance and theme in PARADE_THEMES:
        out += parade(foods[1], start, w, h, n)
    # hazards appear from the theme's second level on (always in endurance)
    active_h = hazards if (level_in_theme >= 1 or endurance or index >= 40) else hazards[:0]
    for j, kind in enumerate(active_h):
        role = KIND_BY_NAME[kind][5]
        lo = start * (2.0 + j)
        hi = victory * 0.9
        # pressure grows over a theme's first levels, then holds
        grade = min(level_in_theme, 6)
        speed = 45 + 5 * grade
        out += emitter_xml(kind, round(lo, 1), round(hi, 1), round(0.12 + 0.015 * grade, 3), 2 + grade // 3,
                           w, h, role, speed)
        if role == "shooter":
            out.append('  <emitter type="shot" shotemitnum="0" entitydef="spit" minarea="%s" maxarea="%s" '
                       'absdamage="%s">' % (fmt(start * 0.08), fmt(start * 0.08), fmt(start * 0.15)))
            out.append('    <controller type="movedirection" speed="260" accel="3000"/>')
            out.append("  </emitter>")
    if name == "end.xml":
        pass
    if name == "end.xml":
        out.append('  <end creditsonly="false"/>')
    out.append("</level>")
    return "\n".join(out) + "\n", gold


def fix_damage(lines):
    """Damagers hurt by a fraction of the goo's area; set it on their emitters."""
    res = []
    for l in lines:
        if l.startswith("  <emitter") and 'type="side"' in l:
            kind = l.split('entitydef="')[1].split('"')[0]
            if KIND_BY_NAME[kind][5] == "damager":
                l = l[:-1] + ' fracdamage="0.15">'
        res.append(l)
    return res


LEVEL_NAMES = {
    "soil": "A Speck of Soil", "bacteria": "Bacteria", "blood": "In the Blood",
    "amoeba": "Pond Water", "bugs": "Bugs %1%", "table": "Tabletop %1%", "fish": "Fish Tank %1%",
    "grass": "The Lawn %1%", "city": "The City %1%", "sky": "The Sky %1%",
    "space": "Outer Space %1%", "end": "The End of Everything",
    "enduranceamoeba": "Amoeba Endurance", "endurancefish": "Ocean Endurance",
    "endurancespace": "Cluster Endurance",
}
TIPS = {
    "soil": ("Welcome, little goo", "Move the mouse to steer. Eat anything smaller than you and grow until the bar is full."),
    "bacteria": ("Viruses", "Purple viruses sting a goo that is smaller than they are. Grow before you touch them."),
    "blood": ("White cells", "White blood cells eat anything smaller than themselves, goo included. Keep your distance."),
    "amoeba": ("Pond life", "Slipper animalcules hunt. Things smaller than you flee, so corner them."),
    "bugs": ("Bugs", "Beetles spit at you. Spiders bite. Eat the small ones first."),
    "table": ("Tabletop", "Crumbs, peas and grapes are everywhere. Watch out for the forks."),
    "fish": ("Fish tank", "Jellyfish sting and pikes bite. Shrimps and minnows are dinner."),
    "grass": ("The lawn", "Seeds, snails and frogs. The owl is looking for a snack too."),
    "city": ("The city", "Pigeons, dogs and cars. Buses stop for nobody."),
    "sky": ("The sky", "Balloons, birds and clouds. Aeroplanes are big and hungry."),
    "space": ("Space", "Planets and stars drift by. Black holes swallow the careless."),
    "end": ("The end", "Nothing is left but galaxies. Eat them all."),
}


def strings():
    rows = []
    add = lambda k, v: rows.append((k, v))
    ui = [
        ("windowtitle", "Wombix Omnivora"),
        # gameplay
        ("tip", "Tip"), ("continue", "Continue"), ("tipcontinuetip", "Start the level"),
        ("gamepausedtitle", "Paused"), ("resume", "Resume"), ("resumetip", "Back to the game"),
        ("restart", "Restart"), ("restarttip", "Start this level again"), ("options", "Options"),
        ("pauselevelselect", "Level Select"), ("pauselevelselecttip", "Leave the level and choose another"),
        ("mainmenu", "Main Menu"), ("mainmenutip", "Go back to the main menu"),
        ("victorywindowtitle", "Level Complete!"), ("victorycontinuetip", "On to the next level"),
        ("timeleft", "Time left:"), ("timetaken", "Time taken:"), ("totaleaten", "Total eaten:"),
        ("failurewindowtitle", "Oh no!"), ("retry", "Retry"), ("retrytip", "Try this level again"),
        ("failureeaten", "You were eaten! Avoid things bigger than you."),
        ("failuretimeout", "Time ran out. Eat faster next time."),
        ("failurenothingsmaller", "There is nothing left that is small enough to eat."),
        ("cheatsonmessage", "Cheats on"), ("gameplayof", "of"),
        ("picometers", " pm"), ("nanometers", " nm"), ("micrometers", " microns"), ("millimeters", " mm"),
        ("centimeters", " cm"), ("meters", " m"), ("kilometers", " km"), ("megameters", " Mm"),
        ("gigameters", " Gm"), ("astronomicalunit", " AU"), ("kiloastronomicalunit", " kAU"),
        ("parsec", " pc"), ("kiloparsec", " kpc"), ("megaparsec", " Mpc"), ("gigaparsec", " Gpc"),
        ("teraparsec", " Tpc"), ("pentaparsec", " Ppc"), ("exaparsec", " Epc"),
        ("levelname", "Level %1%"),
        # main menu
        ("playgame", "Play Game"), ("playgametip", "Grow through every level against the clock"),
        ("casualmode", "Casual"), ("casualmodetip", "Play the levels with no time limit"),
        ("endurance", "Endurance"), ("endurancetip", "Long levels that test how big you can get"),
        ("gallery", "Gallery"), ("gallerytip", "Everything you have eaten so far"),
        ("optionstip", "Sound, display and controls"), ("exit", "Exit"), ("exittip", "Leave the game"),
        ("changeplayer", "Change Player"), ("profilewelcome", "Welcome, %1%!"),
        # level selection
        ("levelselectplaygame", "Play"), ("levelselectplaygametip", "Play the highlighted level"),
        ("levelselecttimeleft", "Time limit:"), ("levelselectgoldtime", "Gold:"),
        ("levelselectsilvertime", "Silver:"), ("levelselectbronzetime", "Bronze:"),
        ("levelselectcasual", "Casual Mode"), ("levelselectnormal", "Timed Mode"),
        ("mapmicro", "Microscopic"), ("mapbugs", "Bugs"), ("maptable", "Tabletop"),
        ("mapfish", "Fish Tank"), ("mapgrass", "The Lawn"), ("mapcity", "The City"),
        ("mapsky", "The Sky"), ("mapspace", "Outer Space"),
        # endurance
        ("endurancetitle", "Endurance"), ("enduranceamoeba", "Amoeba"), ("enduranceocean", "Ocean"),
        ("endurancecluster", "Cluster"),
        ("complete", "Complete"), ("incomplete", "Incomplete"),
        # options
        ("ok", "OK"), ("previousscreen", "Back"), ("cheats", "Cheats"), ("cheatstip", "Toggle the cheats you have earned"),
        ("medals", "Medals"), ("medalstip", "Submit your medal times"), ("fullscreen", "Full screen"),
        ("greygoospeed", "Goo speed"), ("soundeffectvolume", "Sound effects"), ("musicvolume", "Music"),
        ("versionlabel", "Version %1%"),
        # profiles
        ("changeplayertitle", "Choose Player"), ("editname", "Rename"), ("editnametip", "Change this player's name"),
        ("deleteplayer", "Delete Player"), ("deleteplayertip", "Remove this player and their progress"),
        ("newplayer", "New Player"), ("newplayertip", "Make a new player"), ("cancel", "Cancel"),
        ("enternamelabel", "Enter your name:"), ("namealreadyexists", "That name is already taken."),
        ("yes", "Yes"), ("no", "No"), ("deleteplayeryestip", "Delete the player"),
        ("deleteplayernotip", "Keep the player"), ("deleteplayerlabel", "Delete this player for good?"),
        # exit
        ("confirmexit", "Do you really want to leave?"),
        # cheats
        ("returntooptions", "Back to the options"),
        ("cheatsdescription", "Cheats you have unlocked. They change how the goo looks and plays."),
        ("cheatwideeyes", "Wide eyes"), ("cheatsmalleyes", "Small eyes"), ("cheatbigeyes", "Big eyes"),
        ("cheatcyclops", "One eye"), ("cheatpersonify", "Voices"), ("cheatfelinify", "Cat noises"),
        ("cheatrainbowgoo", "Rainbow goo"), ("cheatsuperfast", "Super fast"),
        ("cheatgothroughwalls", "Through walls"), ("cheatinvinsible", "Invincible"),
        ("cheatgravitywell", "Gravity well"), ("cheatgravitywelltip", "Hold the button to pull things in"),
        # gallery
        ("galleryemptytitle", "Nothing eaten yet"), ("gallerytitle", "Gallery: %1% eaten"),
        ("gallerypagenumber", "Page %1% of %2%"), ("none", "None"),
        # medals
        ("submitmedals", "Submit Medals"), ("submit", "Submit"),
        ("medalsdescription", "Send your medal times to the high score table."),
        ("medalsname", "Name:"), ("medalspassword", "Password:"), ("medalsremember", "Remember me"),
        ("submitmedalsresult", "Medals"), ("submittingmedals", "Sending your medals..."),
        ("medalsubmitfailed", "The medals could not be sent. Please try again later."),
        ("medalssubmitsuccess", "Your medals were sent."),
    ]
    for k, v in ui:
        add(k, v)
    for area, text in LEVEL_NAMES.items():
        add("levelname" + area, text)
    for area, (title, text) in TIPS.items():
        add("tip%stitle" % area, title)
        add("tip%stext" % area, text)
    add("greygoo", "Grey goo")
    for k in KINDS:
        add(k[0], k[1])
    for stem, blocks in COMICS:
        for b in blocks:
            add(b[0], b[1])
    seen = set()
    out = ['<Workbook>', ' <Worksheet Name="strings">', '  <Table>']
    for k, v in rows:
        if k in seen:
            raise SystemExit("duplicate string key " + k)
        seen.add(k)
        out.append('   <Row><Cell><Data ss:Type="String">%s</Data></Cell><Cell><Data ss:Type="String">%s</Data></Cell></Row>'
                   % (esc(k), esc(v)))
    out += ['  </Table>', ' </Worksheet>', '</Workbook>']
    return "\n".join(out) + "\n"


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: levelgen.py <assets folder>\n")
        return 2
    root = sys.argv[1]
    write(root, "strings.xml", strings())
    write(root, "graphics/entitydefs.xml", entitydefs())
    write(root, "graphics/tiledefs.xml", tiledefs())
    write(root, "graphics/animationdefs.xml", animationdefs())
    for stem, blocks in COMICS:
        write(root, "graphics/%s.png.xml" % stem, chunked(stem, 800, 600))
        write(root, "graphics/%stextoverlay.xml" % stem,
              overlay([(b[0], b[2], b[3], b[4], b[5], b[6], (0.1, 0.1, 0.1)) for b in blocks]))
    write(root, "graphics/titlescreen.png.xml", chunked("titlescreen", 800, 600))
    write(root, "graphics/levelselect.png.xml", chunked("levelselect", 800, 600))
    write(root, "graphics/levelselecttextoverlay.xml", overlay([
        ("mapmicro", 0, 40, 120, 160, 145, (0.15, 0.15, 0.3)),
        ("mapbugs", 0, 40, 262, 200, 285, (0.15, 0.15, 0.3)),
        ("maptable", 0, 40, 400, 240, 423, (0.15, 0.15, 0.3)),
        ("mapfish", 0, 270, 515, 410, 538, (0.15, 0.15, 0.3)),
        ("mapgrass", 0, 270, 300, 410, 323, (0.15, 0.15, 0.3)),
        ("mapcity", 0, 240, 160, 400, 183, (0.15, 0.15, 0.3)),
        ("mapsky", 0, 460, 100, 620, 123, (0.15, 0.15, 0.3)),
        ("mapspace", 0, 470, 250, 730, 273, (0.9, 0.9, 1.0))]))
    counts = {}
    medals = {}
    for index, (fname, _x, _y) in enumerate(LEVELS):
        stem = fname[:-4]
        theme = stem.rstrip("0123456789")
        counts[theme] = counts.get(theme, 0) + 1
        text, gold = level_xml(fname, theme, counts[theme], index)
        text = "\n".join(fix_damage(text.split("\n")))
        write(root, "levels/" + fname, text)
        medals[fname] = (int(round(1.5 * gold)), gold, int(round(1.1 * gold)), int(round(1.3 * gold)))
    for fname, theme in ENDURANCE:
        text, _ = level_xml(fname, theme, 1, {"amoeba": 3, "fish": 17, "space": 50}[theme], endurance=True)
        text = "\n".join(fix_damage(text.split("\n")))
        write(root, "levels/" + fname, text)
    out = ["<medaltimes>"]
    for fname in sorted(medals, key=lambda s: s.encode()):
        t = medals[fname]
        out.append('  <level name="%s" timelimit="%d" goldtime="%d" silvertime="%d" bronzetime="%d"/>'
                   % (fname, t[0], t[1], t[2], t[3]))
    out.append("</medaltimes>")
    write(root, "levels/medaltimes.xml", "\n".join(out) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
