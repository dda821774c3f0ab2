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
  tests/campaign.txt                 the campaign plan the content tests read (world, food floor)
and, beside this script, DESIGN.md: the design table with the autopilot's figures and the curve.
The medal times come from tests/autopilot_runs.txt (see "Medal times come from play" below).

The picture layouts (sheet sizes, cell grids) must match tools/entityart, which draws them.
No randomness and no clock: the same script always writes the same bytes.
"""
import math
import os
import sys

import leveldesign as design

# ---------------------------------------------------------------------------------------------
# Entity kinds, in the order of tools/entityart's kKinds (keep both in step); ENTITY_SHEETS
# says which sheet and cell draws each.
# role: food (eaten when smaller), predator (eats the goo when the goo is smaller), damager
# (hurts a smaller goo on touch), shooter (fires "spit"), shot, special.
KINDS = [
    # name, display name, aspect, coverage, role, effect colour
    ("dustmote", "Dust mote", 1.0, 0.70, "food", (0.8, 0.7, 0.5)),
    ("pollen", "Pollen grain", 1.0, 0.785, "food", (1.0, 0.9, 0.3)),
    ("clay", "Clay crumb", 1.0, 0.75, "food", (0.7, 0.45, 0.3)),
    ("rodbacterium", "Rod bacterium", 2.0, 0.75, "food", (0.5, 0.9, 0.4)),
    ("coccus", "Round bacterium", 1.0, 0.785, "food", (0.6, 0.9, 0.6)),
    ("virion", "Virus", 1.0, 0.6, "damager", (0.9, 0.4, 0.9)),
    ("redcell", "Red blood cell", 1.0, 0.785, "food", (1.0, 0.3, 0.3)),
    ("platelet", "Platelet", 1.4, 0.7, "food", (1.0, 0.7, 0.6)),
    ("whitecell", "White blood cell", 1.0, 0.785, "predator", (0.95, 0.95, 1.0)),
    ("amoeba", "Amoeba", 1.0, 0.7, "food", (0.6, 0.8, 1.0)),
    ("diatom", "Diatom", 1.6, 0.7, "food", (0.7, 1.0, 0.8)),
    ("paramecium", "Slipper animalcule", 2.0, 0.72, "predator", (0.8, 0.9, 0.6)),
    ("mite", "Mite", 1.3, 0.65, "food", (0.9, 0.6, 0.2)),
    ("ant", "Ant", 1.6, 0.55, "food", (0.6, 0.25, 0.2)),
    ("fly", "Fly", 1.2, 0.6, "food", (0.4, 0.5, 0.6)),
    ("beetle", "Beetle", 1.3, 0.7, "shooter", (0.3, 0.8, 0.4)),
    ("spider", "Spider", 1.0, 0.5, "predator", (0.5, 0.4, 0.4)),
    ("spit", "Spit", 1.0, 0.785, "shot", (0.7, 1.0, 0.5)),
    ("crumb", "Crumb", 1.0, 0.7, "food", (0.9, 0.75, 0.45)),
    ("pea", "Pea", 1.0, 0.785, "food", (0.5, 0.9, 0.3)),
    ("grape", "Grape", 1.0, 0.785, "food", (0.6, 0.3, 0.7)),
    ("cookie", "Cookie", 1.0, 0.785, "food", (0.85, 0.6, 0.3)),
    ("teacup", "Teacup", 1.3, 0.65, "food", (0.9, 0.9, 1.0)),
    ("fork", "Fork", 3.0, 0.45, "damager", (0.8, 0.8, 0.85)),
    ("shrimp", "Shrimp", 1.6, 0.6, "food", (1.0, 0.6, 0.5)),
    ("minnow", "Minnow", 2.0, 0.65, "food", (0.6, 0.7, 0.8)),
    ("jellyfish", "Jellyfish", 1.0, 0.65, "damager", (0.9, 0.6, 1.0)),
    ("pike", "Pike", 2.6, 0.6, "predator", (0.4, 0.6, 0.3)),
    ("seed", "Seed", 1.4, 0.7, "food", (0.8, 0.7, 0.4)),
    ("snail", "Snail", 1.4, 0.7, "food", (0.8, 0.6, 0.4)),
    ("frog", "Frog", 1.2, 0.65, "food", (0.3, 0.8, 0.3)),
    ("mouse", "Mouse", 1.6, 0.6, "food", (0.6, 0.6, 0.6)),
    ("owl", "Owl", 1.0, 0.7, "predator", (0.7, 0.5, 0.3)),
    ("pigeon", "Pigeon", 1.3, 0.65, "food", (0.6, 0.6, 0.7)),
    ("dog", "Dog", 1.6, 0.6, "food", (0.8, 0.6, 0.3)),
    ("bicycle", "Bicycle", 1.7, 0.5, "food", (0.3, 0.6, 0.9)),
    ("car", "Car", 2.0, 0.8, "food", (0.9, 0.2, 0.2)),
    ("policecar", "Police car", 2.0, 0.8, "food", (0.3, 0.4, 1.0)),
    ("bus", "Bus", 2.8, 0.85, "predator", (1.0, 0.8, 0.2)),
    ("house", "House", 1.0, 0.8, "food", (0.8, 0.5, 0.4)),
    ("balloon", "Balloon", 0.8, 0.7, "food", (1.0, 0.3, 0.4)),
    ("bird", "Bird", 1.5, 0.55, "food", (0.3, 0.3, 0.4)),
    ("cloud", "Cloud", 1.8, 0.7, "food", (0.95, 0.95, 1.0)),
    ("helicopter", "Helicopter", 1.8, 0.6, "food", (0.3, 0.6, 0.3)),
    ("airship", "Airship", 2.4, 0.75, "food", (0.8, 0.8, 0.7)),
    ("plane", "Aeroplane", 1.6, 0.5, "predator", (0.85, 0.85, 0.9)),
    ("satellite", "Satellite", 1.6, 0.5, "food", (0.8, 0.8, 0.5)),
    ("asteroid", "Asteroid", 1.2, 0.75, "food", (0.6, 0.55, 0.5)),
    ("comet", "Comet", 2.2, 0.55, "damager", (0.6, 0.9, 1.0)),
    ("moon", "Moon", 1.0, 0.785, "food", (0.85, 0.85, 0.85)),
    ("planet", "Planet", 1.0, 0.785, "food", (0.4, 0.6, 1.0)),
    ("ringedplanet", "Ringed planet", 2.0, 0.5, "food", (0.9, 0.8, 0.5)),
    ("star", "Star", 1.0, 0.785, "food", (1.0, 0.95, 0.6)),
    ("energy1", "Spark of energy", 1.0, 0.6, "special", (1.0, 1.0, 0.6)),
    ("nebula", "Nebula", 1.4, 0.6, "food", (0.9, 0.5, 0.8)),
    ("blackhole", "Black hole", 1.0, 0.785, "predator", (0.6, 0.3, 0.9)),
    ("galaxy", "Galaxy", 1.4, 0.6, "food", (0.8, 0.8, 1.0)),
    ("galaxygroup", "Galaxy group", 1.0, 0.6, "food", (0.7, 0.8, 1.0)),
    ("galaxycluster", "Galaxy cluster", 1.0, 0.6, "food", (1.0, 0.8, 0.7)),
    ("supercluster", "Supercluster", 1.3, 0.6, "food", (0.8, 1.0, 0.9)),
    ("energy2", "Bolt of energy", 1.0, 0.6, "special", (0.6, 1.0, 1.0)),
]
KIND_BY_NAME = {k[0]: k for k in KINDS}

# The entity sheets, one a world: "entities<world>", 512 x 512, four rows of four 128 px cells,
# holding the kinds that world's levels place (in KINDS order) and then the second animation
# frames of those kinds. A level loads only its world's sheet, not the pictures of every kind.
# The end's levels place space kinds and load the space sheet. tools/entityart draws the same
# layout, and graphics/imagemaps.xml declares it (the tips are cut from these sheets too).
ENTITY_SHEETS = [
    ("micro", ["dustmote", "pollen", "clay", "rodbacterium", "coccus", "virion", "redcell", "platelet",
               "whitecell", "amoeba", "diatom", "paramecium"]),
    ("bugs", ["mite", "ant", "fly", "beetle", "spider", "spit", "spiderstep"]),
    ("table", ["crumb", "pea", "grape", "cookie", "teacup", "fork"]),
    ("fish", ["shrimp", "minnow", "jellyfish", "pike", "pikebite"]),
    ("grass", ["seed", "snail", "frog", "mouse", "owl", "owlflap"]),
    ("city", ["pigeon", "dog", "bicycle", "car", "policecar", "bus", "house"]),
    ("sky", ["balloon", "bird", "cloud", "helicopter", "airship", "plane"]),
    ("space", ["satellite", "asteroid", "comet", "moon", "planet", "ringedplanet", "star", "energy1",
               "nebula", "blackhole", "galaxy", "galaxygroup", "galaxycluster", "supercluster",
               "energy2"]),
]
# Picture name (a kind, or a second frame) -> (image map, cell).
SHEET_CELL = {name: ("entities" + world, cell) for world, names in ENTITY_SHEETS
              for cell, name in enumerate(names)}
assert all(len(names) <= 16 for _w, names in ENTITY_SHEETS)
assert all(k[0] in SHEET_CELL for k in KINDS)

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

# Each world's tile sheet holds 4 cells of 254 px, each inside a one-pixel border that repeats
# the cell's opposite edge (the tiles wrap), so a tile drawn at a fractional position never
# samples its neighbour in the sheet. Tiles are laid 254 px apart.
TILE_STEP = 254
TILE_SHEET = (512, 512)

# Sound names the defs use (all synthesised by tools/soundgen).
EAT_SOUND = "crunch"


# Medal times come from play. The content test content_play_tests, run with QF_MEDAL_RUNS=32 in a
# release build, plays every timed level 32 times with an autopilot that sees only the screen
# (run i: seed 1000 + 7919 i, skill i mod 4, the clock switched off) and prints each run's time;
# those lines are kept in assets/tests/autopilot_runs.txt (tools/levelgen/measure-medals.sh does
# all of it), and the times below come from them. A
# medal is earned by the level time in whole seconds (the fraction dropped), a time-out by the
# time itself going past the limit.
# - gold, a careful player's target: the third best of the 32 runs (the best tenth), in whole
#   seconds, a second lower where more than a quarter of the runs would tie for it;
# - bronze covers the median run (the upper middle of the won runs): a clean finish earns it;
#   silver lies half way between gold and bronze;
# - the time limit gives the median run a planned share of the clock (its "hardness", median /
#   limit): 0.45 on the first level of the first world, rising by 0.03 from one world's first
#   level to the next and by 0.10 across each world to its last level, so that openers teach and
#   closers test. The limit is never below bronze + 2 s nor below the 90th-percentile run (at most
#   a tenth of the runs run out of time), and in the first world, where a new player starts,
#   never below the worst run + 10 %.
# Where silver, bronze and the limit are what the game derives from gold alone (1.1, 1.3 and 1.5
# times gold), the level file gives only the gold time; elsewhere it gives all four.
RUNS_FILE = "tests/autopilot_runs.txt"
WORLD_ORDER = ["micro", "bugs", "table", "fish", "grass", "city", "sky", "space", "end"]


def read_runs(root):
    runs = {}
    path = os.path.join(root, RUNS_FILE)
    if os.path.exists(path):
        for line in open(path, encoding="utf-8"):
            p = line.split()
            if len(p) > 2 and p[0] == "runs":
                runs[p[1]] = [-1.0 if x == "-" else float(x) for x in p[2:]]
    return runs


def half_up(v):
    """The game rounds halves up (Python's round() would round them to even)."""
    return int(math.floor(v + 0.5))


def median_run(runs):
    won = sorted(t for t in runs if t >= 0)
    return won[len(won) // 2] if won else None


def target_hardness(file):
    world = design.WORLD_OF[file]
    files = [f for w, fs, _o, _c in design.WORLDS if w == world for f in fs]
    t = files.index(file) / float(max(1, len(files) - 1))
    return 0.45 + 0.03 * WORLD_ORDER.index(world) + 0.10 * t


def medal_times(file, runs):
    """(limit, gold, silver, bronze) in seconds from the level's recorded runs, by the rule above."""
    if not runs:
        return 600, 300, 330, 390  # not measured yet: generous, and the content tests fail
    n = len(runs)
    t = sorted(x if x >= 0 else float("inf") for x in runs)
    whole = [math.floor(x) for x in t if x != float("inf")]
    gold = whole[max(0, half_up(0.1 * n) - 1)]
    while gold > 1 and sum(1 for x in whole if x <= gold) * 4 > n and sum(1 for x in whole if x <= gold - 1) >= 2:
        gold -= 1
    median = median_run(runs)
    bronze = max(int(math.floor(median)), gold + 2)
    silver = (gold + bronze) // 2
    p90 = t[int(math.ceil(0.9 * n)) - 1]
    if p90 == float("inf"):
        raise SystemExit(file + ": more than a tenth of the autopilot's runs were lost")
    # (run times are kept to a tenth of a second: a run shown as 75.0 may have taken 75.04 s)
    limit = max(int(math.ceil(median / target_hardness(file))), bronze + 2, int(math.ceil(p90 + 0.05)))
    if design.WORLD_OF[file] == "micro":
        if t[-1] == float("inf"):
            raise SystemExit(file + ": an autopilot run of the first world was lost")
        limit = max(limit, int(math.ceil(t[-1] * 1.1)))
    return limit, gold, silver, bronze


def derived(gold):
    return half_up(1.5 * gold), gold, half_up(1.1 * gold), half_up(1.3 * gold)


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
# Feature table of the kinds (all optional):
# Vehicles turn like cars (only while moving, within a turning circle) and collide as boxes.
MOVE_TO_TURN = {"car": 2.5, "policecar": 2.5, "bus": 3.5, "bicycle": 2.0}
RECT_REACT = {"car", "policecar", "bus", "house", "teacup", "satellite"}
# Drifters: they face where they steer, but their motion keeps its momentum.
NEWTON = {"satellite", "comet", "airship"}
# Touched only by the goo: everything else passes through them.
GOO_ONLY = {"energy1", "energy2", "cloud"}
# Looping sounds while alive (and a different one during the first phase).
LOOPS = {"fly": "buzzloop", "car": "engineloop", "bus": "engineloop", "policecar": "engineloop",
         "helicopter": "rotorloop", "blackhole": "humloop"}
FIRST_LOOPS = {"policecar": "sirenloop"}
# Frame animations: (idle/slow, fast, attack) by kind.
ANIMS = {"spider": ("spiderwalk", "spiderwalkfast", None), "owl": (None, "owlflap", None),
         "pike": (None, None, "pikebite")}
# Goo reactions other than eating and bouncing: it slides along the furniture.
GOO_SLIDES = ("house", "teacup", "fork")
# Kinds that destroy themselves on touching another: spit breaks on anything as big as itself,
# comets fall into black holes, balloons burst on aeroplanes.
SELF_DESTROY = {"spit": [("default", "largerequal")], "comet": [("blackhole", "all")],
                "balloon": [("plane", "all")]}


def entitydefs():
    out = ["<entitydefs>"]
    goo = [("name", "greygoo"), ("animationdef", "gooripple"), ("groweat", True),
           ("smoothturn", True), ("areacoverage", 0.785), ("damagesound", "goohurt"),
           ("attacksound", "gulp"), ("effectr", 0.7), ("effectg", 0.9), ("effectb", 0.7)]
    out.append("  <entitydef%s>" % attrs(goo))
    out.append('    <intersectionshapes><circle posx="0" posy="0" radius="0.5"/></intersectionshapes>')
    out.append('    <reaction entitydef="greygoo" condition="all" effect="none"/>')
    for k in KINDS:
        if k[4] in ("shot",):
            out.append('    <reaction entitydef="%s" condition="all" effect="none"/>' % k[0])
    for k in GOO_SLIDES:
        out.append('    <reaction entitydef="%s" condition="largerequal" effect="slide"/>' % k)
    out.append('    <reaction entitydef="default" condition="smaller" effect="eat"/>')
    out.append('    <reaction entitydef="default" condition="largerequal" effect="bounce"/>')
    out.append("  </entitydef>")
    for name, _disp, aspect, cover, role, eff in KINDS:
        sheet, cell = SHEET_CELL[name]
        a = [("name", name), ("imagemap", sheet), ("imagemapcell", cell)]
        if name in ANIMS:
            slow, fast, attack = ANIMS[name]
            a += [("moveslowanimation", slow), ("movefastanimation", fast), ("attackanimation", attack)]
        a.append(("eatensound", EAT_SOUND if role != "special" else "zap"))
        if role == "predator":
            a.append(("attacksound", "chomp"))
        if role == "shooter":
            a.append(("attacksound", "spitsound"))
        if name in LOOPS:
            a.append(("loopsound", LOOPS[name]))
        if name in FIRST_LOOPS:
            a.append(("firstloopsound", FIRST_LOOPS[name]))
        if name in DIRECTED:
            a += [("directedtravel", True), ("smoothturn", True), ("maxangularvel", 270)]
        if name in NEWTON:
            a.append(("newtontravel", True))
        if name in MOVE_TO_TURN:
            a += [("movetoturn", True), ("turnradius", MOVE_TO_TURN[name]), ("movetoturnextra", 40)]
        if name in RECT_REACT:
            a.append(("reactshape", "rect"))
        if name in WOBBLE:
            a.append(("wobble", True))
        if role == "shot":
            a += [("lifelength", 3), ("matchangletovel", True)]
        if name in ("star", "supercluster", "blackhole"):
            a.append(("normaldeathexplosion", True))
        if name in GOO_ONLY:
            a.append(("gooreactiononly", True))
        a += [("aspectratio", aspect), ("areacoverage", cover)]
        a += [("effectr", eff[0]), ("effectg", eff[1]), ("effectb", eff[2])]
        out.append("  <entitydef%s>" % attrs([p for p in a if p[1] is not None]))
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
        for other, cond in SELF_DESTROY.get(name, []):
            out.append('    <reaction entitydef="%s" condition="%s" effect="destroyself"/>' % (other, cond))
        out.append("  </entitydef>")
    out.append("</entitydefs>")
    return "\n".join(out) + "\n"


def tiledefs():
    """Each world's sheet "tiles<world>" (tools/entityart/tileart.cpp) holds four padded cells:
    0 the ground, 1 ground detail (mostly clear, for a layer under the entities), 2 props
    (mostly clear, sparse, for a layer over the entities) and 3 the world's extra: the fish
    tank's second water frame, the lawn's grass tufts, the sky's wisp of cloud."""
    out = ["<tiledefs>"]
    for t in THEMES:
        for kind, cell in (("ground", 0), ("detail", 1), ("props", 2)):
            out.append('  <tiledef name="%s%s" imagemap="tiles%s" cell="%d"/>' % (kind, t[0], t[0], cell))
    out.append('  <tiledef name="groundfishwater" animationdef="watershimmer"/>')
    out.append('  <tiledef name="grasstuft" imagemap="tilesgrass" cell="3"/>')
    out.append('  <tiledef name="cloudwisp" imagemap="tilessky" cell="3"/>')
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
    # Creature frames: the spider mid-step, the pike with its jaws open and the owl with its
    # wings raised are second frames in their world's entity sheet, beside the kind's own
    # picture; the water's two frames are cells 0 and 3 of the fish tank's tile sheet.
    for name, looping, time, frames in (
            ("spiderwalk", True, 0.6, [("spider", 1), ("spiderstep", 1)]),
            ("spiderwalkfast", True, 0.3, [("spider", 1), ("spiderstep", 1)]),
            ("owlflap", True, 0.5, [("owl", 1), ("owlflap", 1)]),
            ("pikebite", False, 0.5, [("pikebite", 2), ("pike", 1), ("pikebite", 1), ("pike", 1)]),
            ("watershimmer", True, 1.6, [(("tilesfish", 0), 1), (("tilesfish", 3), 1)])):
        cells = [(SHEET_CELL.get(c, c), t) for c, t in frames]
        out.append('  <animationdef name="%s" imagemap="%s" looping="%s" time="%s">'
                   % (name, cells[0][0][0], fmt(looping), fmt(time)))
        for (_sheet, c), t in cells:
            out.append('    <frame cell="%d" time="%d"/>' % (c, t))
        out.append("  </animationdef>")
    out.append("</animationdefs>")
    return "\n".join(out) + "\n"


def chunked(name, width, height):
    """An 800 x 600 picture in two 512 x 512 pictures, name_0 and name_1, laid out as
    tools/entityart's savePage makes them: name_0 is the top-left 512 x 512; name_1 holds the
    288 x 512 strip on the right at its left edge and, beside it, the 800 x 88 strip at the
    bottom cut in four pieces stacked downwards."""
    # file, chunk in the file (x, y, width, height), destination on the page (x, y)
    chunks = [(0, (0, 0, 512, 512), (0, 0)), (1, (0, 0, 288, 512), (512, 0)),
              (1, (288, 0, 224, 88), (0, 512)), (1, (288, 88, 224, 88), (224, 512)),
              (1, (288, 176, 224, 88), (448, 512)), (1, (288, 264, 128, 88), (672, 512))]
    out = ['<chunkedimage width="%d" height="%d">' % (width, height)]
    for i in range(2):
        out.append('  <file name="%s_%d">' % (name, i))
        for f, (x, y, w, h), (dx, dy) in chunks:
            if f == i:
                out.append('    <chunk srcX1="%d" srcY1="%d" srcX2="%d" srcY2="%d" dstX="%d" dstY="%d"/>'
                           % (x, y, x + w, y + h, dx, dy))
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


# Comic pages: (file stem, [(block id, text, angle, x1, y1, x2, y2)]); tools/entityart draws each
# caption's panel 3 px around its box, clear of the Continue button (688-788 x 555-585)
COMICS = [
    ("comic1", [("comic1a", "In a forgotten lab, a drop of grey goo wakes up.", 0, 40, 40, 360, 120),
                ("comic1b", "It is very small. And very, very hungry.", 0, 440, 460, 760, 540)]),
    ("comic2", [("comic2a", "Steer with the mouse. Touch anything smaller than you to eat it.", 0, 40, 40, 380, 130),
                ("comic2b", "Stay clear of bigger things until you have grown.", 0, 420, 455, 760, 545)]),
    ("comic10", [("comic10a", "And so the goo ate everything there was.", 0, 40, 40, 380, 130),
                 ("comic10b", "Alone in the dark, it wondered what was for dessert.", 0, 420, 455, 760, 545)]),
]


def level_length(index):
    for (i0, l0), (i1, l1) in zip(LENGTH_ANCHORS, LENGTH_ANCHORS[1:]):
        if i0 <= index <= i1:
            t = (index - i0) / float(i1 - i0)
            return math.exp(math.log(l0) + t * (math.log(l1) - math.log(l0)))
    return LENGTH_ANCHORS[-1][1]


def level_xml(row, theme, num, index, times, endurance=False):
    """One level file from its row of the design table (tools/levelgen/leveldesign.py); times:
    (limit, gold, silver, bronze) of the timed mode."""
    tname, foods, hazards = THEME[theme]
    name = row["file"]
    w, h = row["field"]
    gx, gy, start = row["goo"]
    goal = row["goal"]
    victory = start * goal[1] if goal[0] == "size" else None
    ctx = design.Ctx(w, h, (gx, gy, start), victory, min(index, 59) / 59.0, foods + hazards)
    cast = row["cast"](ctx)
    unit = level_length(index) / math.sqrt(start)
    root = [("width", w), ("height", h), ("growthrate", row["growth"])]
    if index < 4 and not endurance:
        root.append(("firstsongonly", True))
    if goal[0] == "all":
        root.append(("victoryeateverything", True))
    elif goal[0] == "specials":
        root.append(("numspecialentities", goal[1]))
    else:
        root.append(("victorysize", round(victory)))
    root.append(("unitmultiplier", float(fmt_sci(unit))))
    if row["check"]:
        root.append(("smallerentitycheck", True))
    if not endurance:
        limit, gold, silver, bronze = times
        root.append(("goldtimeta", gold))
        if derived(gold) != times:
            root += [("silvertimeta", silver), ("bronzetimeta", bronze), ("timelimitta", limit)]
    root += [("area", tname if not endurance else "endurance" + theme), ("levelnum", num)]
    root_s = "".join(' %s="%s"' % (k, fmt_sci(v) if k == "unitmultiplier" else
                                   (v if isinstance(v, str) else fmt(v))) for k, v in root)
    out = ["<level%s>" % root_s]
    out.append('  <goo x="%d" y="%d" area="%s" shadowx="5" shadowy="5"/>' % (gx, gy, fmt(start)))
    if num == 1 and not endurance:
        out.append('  <tip title="tip%stitle" text="tip%stext" image="tip%s"/>' % (tname, tname, tname))
    if index == 0 and not endurance:
        out.append("  <comic>")
        for c in ("comic1", "comic2"):
            out.append('    <page chunkedfilename="%s.png.xml" textoverlayfilename="%stextoverlay.xml"/>' % (c, c))
        out.append("  </comic>")
    out += tile_layers(row, tname, w, h, index)
    out += cast
    if name == "end.xml":
        out.append('  <end creditsonly="false"/>')
    out.append("</level>")
    check_level(name, row, start, cast, ctx)
    return "\n".join(out) + "\n"


# Until a world has tile kinds of its own for the second layer ("detail<ground>" under the
# entities, "props<ground>" over them, in tiledefs()), the layers use the shared kinds: grass
# tufts, and wisps of cloud tinted to the world.
DETAIL_STAND_IN = {
    "soil": ("cloudwisp", (0.45, 0.3, 0.2), 0.4), "bacteria": ("cloudwisp", (0.55, 0.8, 0.55), 0.45),
    "blood": ("cloudwisp", (1.0, 0.55, 0.55), 0.4), "amoeba": ("cloudwisp", (0.75, 1.0, 0.85), 0.45),
    "bugs": ("grasstuft", (0.7, 0.8, 0.5), 0.55), "table": ("cloudwisp", (0.6, 0.4, 0.25), 0.35),
    "fish": ("cloudwisp", (0.85, 0.95, 1.0), 0.3), "grass": ("grasstuft", (0.8, 1.0, 0.7), 0.6),
    "city": ("cloudwisp", (0.3, 0.3, 0.35), 0.35), "sky": ("cloudwisp", (1.0, 1.0, 1.0), 0.25),
    "space": ("cloudwisp", (0.55, 0.35, 0.85), 0.3), "end": ("cloudwisp", (0.45, 0.35, 0.75), 0.3),
}
PROPS_STAND_IN = {"grass": ("grasstuft", (1.0, 1.0, 1.0), 0.9), "sky": ("cloudwisp", (1.0, 1.0, 1.0), 0.55)}


def tile_kinds():
    return set(t.split('name="')[1].split('"')[0] for t in tiledefs().split("\n") if 'name="' in t)


def tile_cell(kind, tint, alpha, flip):
    a = [("name", kind)]
    if flip:
        a.append(("flipx", True))
    if tint != (1.0, 1.0, 1.0):
        a += [("r", tint[0]), ("g", tint[1]), ("b", tint[2])]
    a.append(("a", alpha))
    return "<tile%s/>" % attrs([(k, fmt(v) if not isinstance(v, str) else v) for k, v in a])


def tile_layers(row, tname, w, h, index):
    """The ground (animated water in the fish tank); with the row's "d" a sparse layer of ground
    detail under the entities, with "p" a sparse layer of props over them, only on the outermost
    ring of tiles, so that nothing on top hides a threat where the goo plays."""
    tw = int(math.ceil(w / float(TILE_STEP)))
    th = int(math.ceil(h / float(TILE_STEP)))
    ground = "groundfishwater" if row["anim"] else "ground" + tname
    kinds = tile_kinds()
    out = ["  <tilelayers>"]

    def layer(ontop, cell):
        out.append('    <tilelayer tileswide="%d" tileshigh="%d" tilewidth="%d" tileheight="%d" ontop="%s">'
                   % (tw, th, TILE_STEP, TILE_STEP, fmt(ontop)))
        for y in range(th):
            out.append("      " + "".join(cell(x, y) for x in range(tw)))
        out.append("    </tilelayer>")

    layer(False, lambda x, y: '<tile name="%s"/>' % ground)
    if "d" in row["layers"]:
        own = "detail" + tname
        kind, tint, alpha = (own, (1.0, 1.0, 1.0), 1.0) if own in kinds else DETAIL_STAND_IN[tname]
        # an irregular scatter: about one cell in three
        layer(False, lambda x, y: tile_cell(kind, tint, alpha, (x + 2 * y) % 2 == 1)
              if (x * 5 + y * 7 + index) % 3 == 0 else '<tile name="null"/>')
    if "p" in row["layers"]:
        own = "props" + tname
        stand_in = PROPS_STAND_IN.get(tname)
        if own in kinds or stand_in:
            kind, tint, alpha = (own, (1.0, 1.0, 1.0), 1.0) if own in kinds else stand_in

            def prop(x, y):
                ring = x == 0 or y == 0 or x == tw - 1 or y == th - 1
                if ring and (x + 2 * y + index) % 3 == 0:
                    return tile_cell(kind, tint, alpha, (x + y) % 2 == 1)
                return '<tile name="null"/>'
            layer(True, prop)
    out.append("  </tilelayers>")
    return out


def check_level(name, row, start, cast, ctx):
    """Design rules the table must keep (the content tests check the written files too)."""
    text = "\n".join(cast)
    randoms = []
    for block in text.split("<emitter")[1:]:
        if "<randomemit" in block:
            randoms.append(float(block.split('minarea="')[1].split('"')[0]))
    if row["goal"][0] == "all" and randoms:
        raise SystemExit(name + ": a level won by eating everything may not emit at random")
    if row["check"] and not (randoms and min(randoms) > start):
        raise SystemExit(name + ": the nothing-smaller check could never fail")
    if row["goal"][0] == "specials" and not ctx.specials:
        raise SystemExit(name + ": no special entities to eat")


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
    "bugs": ("Bugs", "Ants march in columns along their trails: follow one and eat. Beetles spit at you. Spiders bite."),
    "table": ("Tabletop", "Crumbs, peas and grapes are everywhere. Watch out for the forks."),
    "fish": ("Fish tank", "Shrimps and minnows swim past in shoals: catch them as they go. Jellyfish sting and pikes bite."),
    "grass": ("The lawn", "Seeds blow away and frogs hop off: eat them while they last. The owl is looking for a snack too."),
    "city": ("The city", "Pigeons, dogs and cars. Buses stop for nobody."),
    "sky": ("The sky", "Balloons rise on the updraft and float away: catch them on the way up. Aeroplanes are big and hungry."),
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
        # the hover panel shows time left on the clock ("Left for gold: 0:14")
        ("levelselecttimeleft", "Left at best:"), ("levelselectgoldtime", "Left for gold:"),
        ("levelselectsilvertime", "Left for silver:"), ("levelselectbronzetime", "Left for bronze:"),
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
        # saved games and level files that do not load
        ("savednoticetitle", "Saved games"),
        ("savedrestored", "%1% could not be read, so the last good copy was brought back from the backup."),
        ("savedlost", "%1% could not be read and there was no good copy to bring back, so it starts anew. "
                      "The damaged file was kept as %2% in the save folder."),
        ("savedoptions", "Your settings"), ("savedprofiles", "The list of players"),
        ("savedlevelprogress", "Your level progress"), ("savedeatentotals", "Your eaten totals"),
        ("savedhiscores", "Your medals and online name"), ("savedplaytime", "The play-time statistics"),
        ("levelloadfailedtitle", "Level not loaded"),
        ("levelloadfailed", "The level %1% could not be loaded: its file is missing or damaged. "
                            "Reinstalling the game brings it back."),
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
    runs = read_runs(root)
    rows = {r["file"]: r for r in design.LEVELS + design.ENDURANCE_LEVELS}
    counts = {}
    medals = {}
    facts = []
    for index, (fname, _x, _y) in enumerate(LEVELS):
        stem = fname[:-4]
        theme = stem.rstrip("0123456789")
        counts[theme] = counts.get(theme, 0) + 1
        medals[fname] = medal_times(fname, runs.get(fname))
        text = level_xml(rows[fname], theme, counts[theme], index, medals[fname])
        write(root, "levels/" + fname, text)
        facts.append((fname, rows[fname], text))
    for fname, theme in ENDURANCE:
        text = level_xml(rows[fname], theme, 1, {"amoeba": 3, "fish": 17, "space": 50}[theme], None,
                         endurance=True)
        write(root, "levels/" + fname, text)
        facts.append((fname, rows[fname], text))
    out = ["<medaltimes>"]
    for fname in sorted(medals, key=lambda s: s.encode()):
        t = medals[fname]
        out.append('  <level name="%s" timelimit="%d" goldtime="%d" silvertime="%d" bronzetime="%d"/>'
                   % (fname, t[0], t[1], t[2], t[3]))
    out.append("</medaltimes>")
    write(root, "levels/medaltimes.xml", "\n".join(out) + "\n")
    write(root, "tests/campaign.txt", campaign(facts))
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "DESIGN.md"), "w", encoding="utf-8",
              newline="\n") as f:
        f.write(design_md(facts, runs, medals))
    return 0


def campaign(facts):
    """The plan the content tests read: each level's world and its food floor."""
    out = ["# Written by tools/levelgen/levelgen.py from the design table: per level its world and the",
           "# fewest edible things that may be on screen in its first 30 s."]
    for fname, row, _text in facts:
        out.append("level %s world=%s food=%d" % (fname, row["world"], row["food"]))
    return "\n".join(out) + "\n"


ROLE = {k[0]: k[4] for k in KINDS}


def threats(text):
    """The hazards of a level file, by kind, and its mechanics read off the emitters."""
    kinds = []
    for block in text.split("<emitter")[1:]:
        kind = block.split('entitydef="')[1].split('"')[0]
        role = ROLE.get(kind)
        if role in ("predator", "damager", "shooter") and kind not in kinds:
            kinds.append(kind)
    return ", ".join(kinds) or "none"


def design_md(facts, runs, medals):
    out = ["# The campaign's design", "",
           "Written by `levelgen.py` from the design table in `leveldesign.py` and the autopilot's recorded",
           "runs (`assets/tests/autopilot_runs.txt`, 32 runs a level, release build); do not edit by hand.",
           "Goal: the goo's goal as a multiple of its start area, \"all\" (eat everything) or the number of",
           "special things to eat. Runs: best / median / worst of the 32 runs in seconds, and how many of them",
           "went over the time limit. Times: gold / silver / bronze / limit. Hardness: the median run's",
           "share of the limit (how hard the level medals); within each world it rises from the first level",
           "to the last, and each world's first level is harder than the previous world's.", ""]
    out.append("## The worlds")
    out.append("")
    for w, _files, _o, _c in design.WORLDS:
        out.append("- %s: %s" % (w, design.WORLD_IDEAS[w]))
    out += ["", "## The levels", "",
            "Food: the fewest edible things that may be on screen through the first 30 s (below six only",
            "where scarcity is the idea).", ""]
    out.append("| Level | Idea | Goal | Growth | Field | Threats | Layers | Food | Runs (s) | Over | Times (s) "
               "| Hardness |")
    out.append("|---|---|---|---|---|---|---|---|---|---|---|---|")
    for fname, row, text in facts:
        goal = row["goal"]
        g = ("x%g" % goal[1]) if goal[0] == "size" else ("all" if goal[0] == "all" else "%d specials" % goal[1])
        if row.get("check"):
            g += ", starves"
        r = runs.get(fname)
        if fname in medals and r:
            limit, gold, silver, bronze = medals[fname]
            won = sorted(t for t in r if t >= 0)
            over = sum(1 for t in r if t < 0 or t > limit)
            rs = "%.1f / %.1f / %.1f" % (won[0], median_run(r), won[-1])
            ts = "%d / %d / %d / %d" % (gold, silver, bronze, limit)
            hard = "%.2f" % (median_run(r) / limit)
            ov = "%d" % over
        else:
            rs, ts, hard, ov = "-", "-", "-", "-"
        written = [("detail" if 'ontop="false"' in t else "props") for t in text.split("<tilelayer ")[2:]]
        layers = ", ".join(written) or "-"
        out.append("| %s | %s | %s | %g | %d x %d | %s | %s | %d | %s | %s | %s | %s |"
                   % (fname[:-4], row["idea"], g, row["growth"], row["field"][0], row["field"][1], threats(text),
                      layers, row["food"], rs, ov, ts, hard))
    out += ["", "## The curve", "",
            "Per world: the first and the last level's goal, growth rate and hardness.", "",
            "| World | Levels | First level | Last level | Hardness, first -> last |", "|---|---|---|---|---|"]
    rowmap = {f: r for f, r, _t in facts}
    for w, files, _o, _c in design.WORLDS:
        if len(files) < 2:
            continue
        def desc(f):
            goal = rowmap[f]["goal"]
            g = ("x%g" % goal[1]) if goal[0] == "size" else goal[0]
            return "%s: %s, growth %g" % (f[:-4], g, rowmap[f]["growth"])
        def hard(f):
            return ("%.2f" % (median_run(runs[f]) / medals[f][0])) if runs.get(f) else "-"
        out.append("| %s | %d | %s | %s | %s -> %s |" % (w, len(files), desc(files[0]), desc(files[-1]),
                                                        hard(files[0]), hard(files[-1])))
    return "\n".join(out) + "\n"


if __name__ == "__main__":
    sys.exit(main())
