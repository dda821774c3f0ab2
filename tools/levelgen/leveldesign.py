"""leveldesign: the game's levels as a design table, and the pieces they are built from.

Every level has its own row in LEVELS below: field size, where the goo starts and how big, its
growth rate, its goal, whether the nothing-smaller failure is armed, and its cast. A cast is a
list of set pieces (the functions under "Set pieces"), each placed and tuned by hand for the
level: a swarm of food drifting in from chosen sides, a herd grazing around the goo from the
first second, a troop on a patrol path that scatters when the goo comes near, hunters that
enter along a path and then hunt, shooters, lurkers, timed waves of visitors, and so on.

Difficulty: inside a world the first level teaches one idea with a generous goal; later ones
combine hunters, evaders, patrols, shooters, special kinds and waves, with faster and keener
(shorter update period) enemies and larger goals. Across the game speeds, hunter counts and
goals rise and the growth rate falls.

No randomness and no clock: the same table always writes the same bytes.
"""
import math

# ---------------------------------------------------------------------------------------------
# Formatting


def fmt(v):
    if isinstance(v, bool):
        return "true" if v else "false"
    if isinstance(v, int):
        return str(v)
    s = "%.6f" % v
    s = s.rstrip("0").rstrip(".")
    return s if s not in ("", "-0") else "0"


def attrs(pairs):
    return "".join(' %s="%s"' % (k, v if isinstance(v, str) else fmt(v)) for k, v in pairs if v is not None)


def r1(v):
    return round(v, 1)


# ---------------------------------------------------------------------------------------------
# Controllers. Affect filters: ("greygoo", "larger") names a kind; ("*", "larger") is any kind.

def ctrl(kind, affect=(), dont=(), pairs=None, **a):
    order = ["updateperiod", "direction", "directionvariance", "directionvaryaccel", "speed",
             "speedvariance", "speedvaryaccel", "accel", "priority", "firstpriority", "affectdist",
             "firstaffectdist", "initpathpos", "loop", "first", "shot", "shotx", "shoty", "shotperiod",
             "leavesize", "leavetime"]
    pa = [("type", kind)] + [(k, a[k]) for k in order if k in a]
    children = []
    for name, cond in affect:
        if name == "*":
            children.append('<affect all="true" condition="%s"/>' % cond)
        else:
            children.append('<affect entitydef="%s" condition="%s"/>' % (name, cond))
    for name, cond in dont:
        children.append('<dontaffect entitydef="%s" condition="%s"/>' % (name, cond))
    if pairs:
        for p in pairs:
            children.append('<pair x1="%s" y1="%s" coefx1="%s" coefy1="%s" x2="%s" y2="%s" coefx2="%s" coefy2="%s"/>'
                            % tuple(fmt(r1(v)) for v in p))
    if not children:
        return ["    <controller%s/>" % attrs(pa)]
    return ["    <controller%s>" % attrs(pa)] + ["      " + c for c in children] + ["    </controller>"]


def wander(speed, variance=30, turn=40, direction=None, first=None, firstpriority=None, priority=None):
    return ctrl("movedirection", direction=direction, directionvariance=variance, directionvaryaccel=turn,
                speed=speed, speedvariance=r1(speed * 0.3), speedvaryaccel=r1(speed * 0.5), accel=r1(speed * 4),
                first=first, firstpriority=firstpriority, priority=priority)


def flee(speed, dist, period=None, fromall=False, dont=(), firstpriority=None):
    affect = [("*", "larger")] if fromall else [("greygoo", "larger")]
    return ctrl("evade", updateperiod=period, speed=r1(speed), accel=r1(speed * 4), affectdist=dist,
                firstpriority=firstpriority, affect=affect, dont=dont)


def hunt(speed, reach, period=None, shot=None, shotperiod=None, firstpriority=None, dont=()):
    a = dict(updateperiod=period, speed=r1(speed), accel=r1(speed * 4), affectdist=reach,
             firstpriority=firstpriority)
    if shot is not None:
        a.update(shot=shot, shotx=0.6, shoty=0, shotperiod=shotperiod)
    return ctrl("attack", affect=[("greygoo", "smaller")], dont=dont, **a)


def keepin(speed, dist=None, firstpriority=None):
    return ctrl("stayinlevel", speed=r1(speed), accel=r1(speed * 4), affectdist=dist, firstpriority=firstpriority)


def leave(speed, time=None, size=None):
    return ctrl("leavelevel", speed=r1(speed), accel=r1(speed * 4), leavetime=time, leavesize=size)


def sit(priority=None):
    return ctrl("stationary", priority=priority)


def dodge(speed, kinds, seconds=0.8):
    return ctrl("avoid", speed=r1(speed), accel=r1(speed * 5), affectdist=seconds,
                affect=[(k, "all") for k in kinds])


def follow(pairs, speed, loop=True, first=True, priority=None):
    return ctrl("pathfollow", speed=speed, accel=300, loop=loop, first=first, priority=priority, pairs=pairs)


# ---------------------------------------------------------------------------------------------
# Paths: closed or open chains of smooth pieces through way points.

def smooth(points, closed=True):
    """Cubic pieces through the points (tangents from the neighbours); control offsets are
    the pieces' coefficients."""
    n = len(points)
    pairs = []
    last = n if closed else n - 1
    for i in range(last):
        p0, p1 = points[i], points[(i + 1) % n]
        a = points[(i - 1) % n] if (closed or i > 0) else p0
        b = points[(i + 2) % n] if (closed or i + 2 < n) else p1
        t0 = ((p1[0] - a[0]) / 6.0, (p1[1] - a[1]) / 6.0)
        t1 = ((b[0] - p0[0]) / 6.0, (b[1] - p0[1]) / 6.0)
        pairs.append((p0[0], p0[1], t0[0], t0[1], p1[0], p1[1], -t1[0], -t1[1]))
    return pairs


def straight(points, closed=True):
    n = len(points)
    last = n if closed else n - 1
    return [(points[i][0], points[i][1], 0, 0, points[(i + 1) % n][0], points[(i + 1) % n][1], 0, 0)
            for i in range(last)]


def oval(cx, cy, rx, ry, n=8, turn=0.0):
    return [(cx + rx * math.cos(2 * math.pi * k / n + turn), cy + ry * math.sin(2 * math.pi * k / n + turn))
            for k in range(n)]


def eight(cx, cy, rx, ry):
    return [(cx + rx * math.sin(t), cy + ry * math.sin(t) * math.cos(t))
            for t in [2 * math.pi * k / 12 for k in range(12)]]


def star(cx, cy, r, points=5):
    out = []
    for k in range(points * 2):
        rr = r if k % 2 == 0 else r * 0.45
        a = math.pi * k / points - math.pi / 2
        out.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    return out


def path_of(shape, cx, cy, rx, ry):
    if shape == "oval":
        return smooth(oval(cx, cy, rx, ry))
    if shape == "eight":
        return smooth(eight(cx, cy, rx, ry))
    if shape == "box":
        return straight([(cx - rx, cy - ry), (cx + rx, cy - ry), (cx + rx, cy + ry), (cx - rx, cy + ry)])
    if shape == "diamond":
        return straight([(cx, cy - ry), (cx + rx, cy), (cx, cy + ry), (cx - rx, cy)])
    if shape == "star":
        return straight(star(cx, cy, rx))
    if shape == "clover":
        pts = []
        for k in range(16):
            t = 2 * math.pi * k / 16
            rr = 0.55 + 0.45 * abs(math.cos(2 * t))
            pts.append((cx + rx * rr * math.cos(t), cy + ry * rr * math.sin(t)))
        return smooth(pts)
    if shape == "wave":  # a closed slalom: out along a sine, back along the other
        pts = [(cx - rx + 2 * rx * k / 6, cy - ry * 0.5 + ry * 0.5 * math.sin(k * math.pi / 1.5)) for k in range(7)]
        pts += [(cx + rx - 2 * rx * k / 6, cy + ry * 0.5 + ry * 0.5 * math.sin(k * math.pi / 1.5)) for k in range(7)]
        return smooth(pts)
    raise ValueError(shape)


# ---------------------------------------------------------------------------------------------
# Level context


class Ctx:
    def __init__(self, w, h, goo, victory, d, kinds):
        self.w, self.h = w, h
        self.gx, self.gy, self.S = goo
        self.V = victory
        self.d = d  # difficulty 0 (first level) .. 1 (last)
        self.kinds = kinds
        self.shots = 0
        self.specials = False

    def sides(self, which):
        m = 40
        out = []
        for s in which:
            if s == "l":
                out.append(("left", -self.h / 2 + m, self.h / 2 - m))
            elif s == "r":
                out.append(("right", -self.h / 2 + m, self.h / 2 - m))
            elif s == "t":
                out.append(("top", -self.w / 2 + m, self.w / 2 - m))
            elif s == "b":
                out.append(("bottom", -self.w / 2 + m, self.w / 2 - m))
        return out


def emitter(etype, kind, lo, hi, ctrls, extra=(), rate=None, sched=None, sides=None, pos=None,
            shotnum=None, spin=False):
    a = [("type", etype), ("entitydef", kind)]
    if pos is not None:
        a += [("posx", int(round(pos[0]))), ("posy", int(round(pos[1])))]
    if shotnum is not None:
        a.append(("shotemitnum", shotnum))
    a += [("minarea", r1(lo)), ("maxarea", r1(hi))]
    if spin:
        a += [("anglevariance", 180), ("angularvel", 20), ("angularvelvariance", 15), ("anglevelposorneg", True)]
    a += list(extra)
    out = ["  <emitter%s>" % attrs(a)]
    if rate is not None:
        out.append('    <randomemit rate="%s"/>' % fmt(rate))
    if sched:
        out.append("    <scheduledemit>" + "".join(
            '<emit time="%s"%s/>' % (fmt(t), (' pathpos="%s"' % fmt(p)) if p else "") for t, p in sched)
            + "</scheduledemit>")
    for s, lo_, hi_ in sides or []:
        out.append('    <%s min="%s" max="%s"/>' % (s, fmt(r1(lo_)), fmt(r1(hi_))))
    for cl in ctrls:
        out += cl
    out.append("  </emitter>")
    return out


# ---------------------------------------------------------------------------------------------
# Set pieces. Sizes are given relative to the goo's start area S; speeds in units per second.

def swarm(c, kind, lo, hi, rate, live, speed, sides="lrtb", fl=150, keep=False, out=None, avoid=None,
          period=None, minperiod=None, fromall=False, dont=(), spin=False, variance=30):
    cl = [wander(speed, variance)]
    if fl:
        cl.append(flee(speed * 1.6, fl, period, fromall, dont))
    if avoid:
        cl.append(dodge(speed * 1.5, avoid))
    if keep:
        cl.append(keepin(speed))
    if out:
        cl.append(leave(speed * 1.2, time=out))
    # the table's rates and counts are for the field alone; a third more keeps the screen busy
    extra = [("maxlive", int(round(live * 1.3)))] + ([("minemitperiod", minperiod)] if minperiod else [])
    return emitter("side", kind, lo * c.S, hi * c.S, cl, extra, rate=round(rate * 1.3, 2), sides=c.sides(sides),
                   spin=spin)


def herd(c, kind, n, lo, hi, at, radius, shape="oval", speed=25, rest="sit", fl=60, out=None, spin=False):
    """Food on screen from the first second: n entities spaced along a slow path around a point;
    they graze along it until the goo comes near, then scatter and keep to themselves."""
    cx, cy = at
    pairs = path_of(shape, cx, cy, radius, radius * 0.75)
    cl = [follow(pairs, speed), flee(55 + 35 * c.d, fl)]
    cl.append(sit() if rest == "sit" else wander(30 + 20 * c.d, 180, 60))
    cl.append(keepin(60))
    if out:
        cl.append(leave(80, time=out))
    sched = [(0, (k / float(n)) if k else 0) for k in range(n)]
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, rate=None, sched=sched, pos=pairs[0][:2], spin=spin)


def patrol(c, kind, n, lo, hi, shape, at, rx, ry, speed, scatter=True, every=0.0, spin=False):
    """A troop on a path. Food troops break up when the goo comes near; hazard troops never leave it."""
    pairs = path_of(shape, at[0], at[1], rx, ry)
    if scatter:
        cl = [follow(pairs, speed), flee(speed * 1.3, 140), wander(speed * 0.8, 180, 60), keepin(speed)]
    else:
        cl = [follow(pairs, speed, first=False, priority=0.55)]
    sched = [(every * k, (k / float(n)) if k else 0) for k in range(n)]
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, sched=sched, pos=pairs[0][:2], spin=spin)


def hunter(c, kind, lo, hi, rate, live, speed, reach, period=None, sides="lrtb", out=None, keep=True,
           minperiod=None, dont=()):
    cl = [wander(speed * 0.8, 40), hunt(speed * 1.25, reach, period, dont=dont)]
    if keep:
        cl.append(keepin(speed))
    if out:
        cl.append(leave(speed, time=out))
    extra = [("maxlive", live)] + ([("minemitperiod", minperiod)] if minperiod else [])
    return emitter("side", kind, lo * c.S, hi * c.S, cl, extra, rate=rate, sides=c.sides(sides))


def swooper(c, kind, lo, hi, times, entry, speed, reach, period=None):
    """Hunters that arrive on a set entrance path (their first phase: nothing distracts them), then
    wander and hunt. entry: way points from outside the field inwards."""
    pairs = smooth(entry, closed=False)
    cl = [follow(pairs, speed * 1.4, loop=False), wander(speed * 0.8, 60),
          hunt(speed * 1.2, reach, period, firstpriority=0), keepin(speed, firstpriority=0)]
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, sched=[(t, 0) for t in times], pos=entry[0])


def shooter(c, kind, shotkind, lo, hi, rate, live, speed, reach, shotperiod, period=None, sides="lrtb"):
    num = c.shots
    c.shots += 1
    cl = [wander(speed * 0.8, 40), hunt(speed, reach, period, shot=num, shotperiod=shotperiod), keepin(speed)]
    out = emitter("side", kind, lo * c.S, hi * c.S, cl, [("maxlive", live)], rate=rate, sides=c.sides(sides))
    area = 0.1 * c.S
    out += emitter("shot", shotkind, area, area, [ctrl("movedirection", speed=260 + 60 * c.d, accel=3000)],
                   [("absdamage", r1(0.12 * c.S))], shotnum=num)
    return out


def lurker(c, kind, spots, lo, hi, reach, speed, period=0.5, frac=None, spin=False):
    """Stationary dangers (or bait) that pounce on a goo that comes within reach."""
    out = []
    for (x, y) in spots:
        cl = [sit(), hunt(speed, reach, period), keepin(speed)] if reach > 0 else [sit()]
        extra = [("fracdamage", frac)] if frac else []
        out += emitter("spot", kind, lo * c.S, hi * c.S, cl, extra, sched=[(0, 0)], pos=(x, y), spin=spin)
    return out


def drifter(c, kind, lo, hi, rate, live, speed, frac=0.15, sides="lrtb", keep=False, dodgegoo=False):
    """Damagers that drift through; some steer around things in their way."""
    cl = [wander(speed, 20, 20)]
    if dodgegoo:
        cl.append(dodge(speed * 1.5, ["greygoo"], 0.6))
    if keep:
        cl.append(keepin(speed))
    return emitter("side", kind, lo * c.S, hi * c.S, cl, [("maxlive", live), ("fracdamage", frac)], rate=rate,
                   sides=c.sides(sides), spin=kind in ("virion", "fork"))


def wave(c, kind, times, side, lo, hi, speed, stay=6.0, spin=False):
    """Timed waves: visitors that come in from one side at set times and leave again."""
    cl = [wander(speed, 15, 20), flee(speed * 1.4, 120), leave(speed * 1.3, time=stay)]
    return emitter("side", kind, lo * c.S, hi * c.S, cl, sched=[(t, 0) for t in times], sides=c.sides(side),
                   spin=spin)


def specials(c, kind, lo, hi, rate, live, speed, sides="lrtb"):
    c.specials = True
    cl = [wander(speed, 60, 60), flee(speed * 1.5, 160, 0.2), keepin(speed)]
    return emitter("side", kind, lo * c.S, hi * c.S, cl, [("maxlive", live), ("special", True)], rate=rate,
                   sides=c.sides(sides))


def scatter_food(c, kind, spots, lo, hi, speed=30, spin=False):
    """Single pieces placed by hand, for the levels won by eating everything."""
    out = []
    for k, (x, y) in enumerate(spots):
        cl = [wander(speed, 90, 60, direction=(k * 67) % 360), keepin(60), flee(70, 120)]
        out += emitter("spot", kind, lo * c.S, hi * c.S, cl, sched=[(0, 0)], pos=(x, y), spin=spin)
    return out


def lad(c, t, span=3.2):
    """A band of food sizes, t of the way up the level's ladder (0: snack-sized at the start, 1:
    half the goal). Returned relative to the goo's start area."""
    k = (c.V / c.S) if c.V else 4.0
    lo = 0.25 * (2.0 * k) ** t
    return lo, lo * span


# ---------------------------------------------------------------------------------------------
# The design table. Columns: file, field (w, h), goo (x, y, start area), growth rate, goal,
# nothing-smaller check, cast. Goals: ("size", k) = reach k times the start area; ("all",) = eat
# everything (only scheduled emitters); ("specials", n) = eat n special entities.
# Hazards are named by their roles in the tips of each world; sizes are relative to the goo's
# start area, so a level can be rescaled without retuning its cast.

def L(file, field, goo, growth, goal, cast, check=False, onTop=None, anim=False):
    return dict(file=file, field=field, goo=goo, growth=growth, goal=goal, cast=cast, check=check,
                ontop=onTop, anim=anim)


LEVELS = [
    # --- Microscopic: one idea each -------------------------------------------------------------
    # Soil: just eat. A grazing herd around the start, dust blowing in from the left and top.
    L("soil.xml", (1800, 1300), (-250, 150, 1500), 0.113, ("size", 7), lambda c: (
        herd(c, "dustmote", 8, 0.3, 0.7, (-250, 150), 230, "oval", 20)
        + swarm(c, "dustmote", 0.25, 0.8, 1.4, 16, 40, "lt", fl=0)
        + swarm(c, "pollen", *lad(c, 0.45), rate=0.9, live=10, speed=45, sides="rb", fl=120)
        + swarm(c, "clay", *lad(c, 0.8), rate=0.5, live=5, speed=35, sides="tb", fl=0, spin=True))),
    # Bacteria: viruses sting. They drift in slowly; rods swim away from the goo.
    L("bacteria.xml", (2050, 1450), (0, 0, 1750), 0.1, ("size", 8), lambda c: (
        herd(c, "coccus", 10, 0.3, 0.75, (0, 0), 260, "clover", 18, spin=True)
        + swarm(c, "rodbacterium", *lad(c, 0.4), rate=1.0, live=12, speed=55, sides="lr", fl=140, keep=True)
        + swarm(c, "pollen", *lad(c, 0.75), rate=0.5, live=6, speed=40, sides="tb", fl=0, spin=True)
        + drifter(c, "virion", 1.6, 3.5, 0.25, 3, 30, sides="tb"))),
    # Blood: white cells hunt, slowly and late to notice (long update period).
    L("blood.xml", (2400, 1300), (-600, 0, 2000), 0.095, ("size", 8.5), lambda c: (
        herd(c, "platelet", 9, 0.3, 0.8, (-600, 0), 240, "eight", 30)
        + swarm(c, "redcell", *lad(c, 0.3), rate=1.3, live=14, speed=70, sides="l", fl=120, variance=10,
                spin=True)
        + swarm(c, "coccus", *lad(c, 0.8), rate=0.5, live=6, speed=50, sides="tb", fl=150)
        + hunter(c, "whitecell", 2.5, 0.9 * 6.5, 0.12, 2, 45, 260, period=0.8, sides="r"))),
    # Pond water: things flee from anything bigger; slipper animalcules hunt and others dodge them.
    L("amoeba.xml", (2150, 1800), (300, -250, 1900), 0.09, ("size", 9), lambda c: (
        herd(c, "diatom", 8, 0.3, 0.8, (300, -250), 250, "diamond", 22, rest="wander")
        + swarm(c, "diatom", *lad(c, 0.2), rate=1.0, live=10, speed=45, sides="rt", fl=140, fromall=True,
                dont=[("diatom", "all")])
        + swarm(c, "amoeba", *lad(c, 0.5), rate=0.8, live=8, speed=40, sides="lb", fl=150, avoid=["paramecium"])
        + swarm(c, "rodbacterium", *lad(c, 0.85), rate=0.5, live=5, speed=55, sides="lr", fl=170)
        + hunter(c, "paramecium", 2.2, 6.0, 0.15, 2, 55, 300, period=0.5, sides="lb"))),
    # --- Bugs ---------------------------------------------------------------------------------
    # 1: a mite colony marching round a box, flies passing by.
    L("bugs1.xml", (1900, 1450), (0, 250, 2100), 0.1, ("size", 8), lambda c: (
        patrol(c, "mite", 10, 0.3, 0.75, "box", (0, 0), 420, 260, 60)
        + swarm(c, "ant", *lad(c, 0.4), rate=0.9, live=10, speed=60, sides="lr", fl=140)
        + swarm(c, "fly", *lad(c, 0.75), rate=0.6, live=6, speed=80, sides="tb", fl=180, out=12))),
    # 2: spiders arrive from the corners along their threads, then hunt.
    L("bugs2.xml", (2300, 1700), (-400, 0, 2100), 0.095, ("size", 8.5), lambda c: (
        herd(c, "mite", 8, 0.3, 0.8, (-400, 0), 220, "oval", 25)
        + swarm(c, "ant", *lad(c, 0.35), rate=1.1, live=12, speed=55, sides="rtb", fl=140, keep=True)
        + swarm(c, "fly", *lad(c, 0.75), rate=0.6, live=6, speed=85, sides="lr", fl=170, out=14)
        + swooper(c, "spider", 2.0, 5.0, [8, 22], [(950, -700), (700, -350), (350, -150)], 60, 280, 0.4)
        + swooper(c, "spider", 2.5, 5.5, [15, 30], [(950, 700), (600, 400), (200, 300)], 60, 280, 0.4))),
    # 3: beetles spit; ants walk a figure eight.
    L("bugs3.xml", (2400, 1800), (0, 0, 2250), 0.09, ("size", 9), lambda c: (
        patrol(c, "ant", 10, 0.35, 0.9, "eight", (0, 0), 600, 450, 70)
        + swarm(c, "mite", 0.25, 0.7, 1.2, 14, 50, "lrtb", fl=130, fromall=True, dont=[("mite", "all")])
        + swarm(c, "fly", *lad(c, 0.7), rate=0.6, live=6, speed=90, sides="tb", fl=190, out=15)
        + shooter(c, "beetle", "spit", 2.0, 5.5, 0.14, 2, 50, 380, 2.6, 0.4, "lr"))),
    # 4: spiders and beetles together, flies dodge the spiders.
    L("bugs4.xml", (2650, 1700), (600, -300, 2200), 0.085, ("size", 9.5), lambda c: (
        herd(c, "mite", 9, 0.3, 0.8, (600, -300), 240, "star", 30, rest="wander")
        + swarm(c, "ant", *lad(c, 0.35), rate=1.2, live=12, speed=65, sides="lb", fl=150)
        + swarm(c, "fly", *lad(c, 0.7), rate=0.7, live=7, speed=95, sides="rt", fl=190, avoid=["spider"])
        + shooter(c, "beetle", "spit", 2.2, 6.0, 0.12, 2, 55, 400, 2.3, 0.3, "tb")
        + hunter(c, "spider", 2.0, 6.5, 0.12, 2, 65, 300, 0.3, "lr", minperiod=6))),
    # 5: the nest: timed swarms of flies, spiders on patrol guard the middle.
    L("bugs5.xml", (2900, 2050), (-800, 500, 2300), 0.08, ("size", 10), lambda c: (
        herd(c, "mite", 10, 0.3, 0.8, (-800, 500), 250, "clover", 28)
        + swarm(c, "ant", *lad(c, 0.3), rate=1.2, live=14, speed=70, sides="lrtb", fl=150, keep=True)
        + wave(c, "fly", [6, 6.5, 7, 20, 20.5, 21, 34, 34.5, 35], "r", *lad(c, 0.65), speed=110, stay=7)
        + patrol(c, "spider", 3, 3.0, 5.0, "oval", (0, 0), 350, 260, 90, scatter=False, every=1.2)
        + shooter(c, "beetle", "spit", 2.2, 6.5, 0.12, 3, 60, 420, 2.0, 0.25, "tb"))),
]

LEVELS += [
    # --- Tabletop -----------------------------------------------------------------------------
    # 1: crumbs everywhere; forks lie still and sting whoever bumps into them.
    L("table1.xml", (2150, 1450), (0, 0, 2400), 0.1, ("size", 8), lambda c: (
        herd(c, "crumb", 10, 0.3, 0.75, (0, 0), 280, "oval", 15, spin=True)
        + swarm(c, "pea", *lad(c, 0.3), rate=0.9, live=10, speed=40, sides="lrtb", fl=0, keep=True, spin=True)
        + swarm(c, "grape", *lad(c, 0.8), rate=0.4, live=5, speed=35, sides="tb", fl=0, spin=True)
        + lurker(c, "fork", [(-550, -300), (550, 320)], 2.5, 3.5, 0, 0, frac=0.15))),
    # 2: peas roll round a slalom; grapes flee.
    L("table2.xml", (2400, 1550), (-650, 300, 2350), 0.095, ("size", 8.5), lambda c: (
        herd(c, "crumb", 5, 0.3, 0.7, (-650, 300), 190, "diamond", 12, spin=True)
        + patrol(c, "pea", 10, 0.3, 0.8, "wave", (0, 0), 750, 420, 75, spin=True)
        + swarm(c, "crumb", 0.25, 0.7, 1.3, 14, 35, "lt", fl=120, spin=True)
        + swarm(c, "grape", *lad(c, 0.55), rate=0.7, live=7, speed=55, sides="rb", fl=170, spin=True)
        + drifter(c, "fork", 2.5, 4.0, 0.15, 2, 40, sides="tb", dodgegoo=True))),
    # 3: cookies are the prize, guarded by forks that slide across.
    L("table3.xml", (2500, 1800), (0, -450, 2300), 0.09, ("size", 9), lambda c: (
        herd(c, "crumb", 9, 0.3, 0.8, (0, -450), 240, "diamond", 20, spin=True)
        + swarm(c, "pea", *lad(c, 0.3), rate=1.0, live=10, speed=50, sides="lr", fl=140, spin=True, fromall=True,
                dont=[("pea", "all"), ("crumb", "all")])
        + swarm(c, "grape", *lad(c, 0.55), rate=0.6, live=6, speed=55, sides="b", fl=170, spin=True)
        + swarm(c, "cookie", *lad(c, 0.85), rate=0.35, live=4, speed=40, sides="lrb", fl=190, keep=True, spin=True)
        + drifter(c, "fork", 3.0, 4.5, 0.2, 3, 60, sides="lr"))),
    # 4: clear the table: everything is laid out at the start, nothing more comes.
    L("table4.xml", (2050, 1550), (-500, -350, 2150), 0.4, ("all",), lambda c: (
        scatter_food(c, "crumb", [(-300, -250), (-250, -420), (-650, -150), (-700, -450), (-420, -100),
                                  (-150, -380)], 0.35, 0.7, spin=True)
        + scatter_food(c, "pea", [(0, 0), (200, -300), (-250, 200), (400, 100)], 0.8, 1.3, spin=True)
        + scatter_food(c, "grape", [(500, 400), (-500, 450), (650, -400)], 1.5, 2.2, spin=True)
        + scatter_food(c, "cookie", [(100, 450), (700, 200)], 2.4, 3.0, speed=15, spin=True))),
    # 5: teacups stand still; the goo must not starve: crumbs go stale and are cleared away.
    L("table5.xml", (2650, 1900), (300, 300, 2600), 0.09, ("size", 9), lambda c: (
        herd(c, "crumb", 12, 0.3, 0.9, (300, 300), 300, "clover", 15, out=30, spin=True)
        + swarm(c, "grape", 1.1, 3.0, 0.9, 9, 50, "lrtb", fl=160, spin=True)
        + swarm(c, "cookie", *lad(c, 0.7), rate=0.4, live=5, speed=45, sides="lr", fl=180, spin=True)
        + lurker(c, "teacup", [(-700, -450), (700, -450), (-700, 500)], 3.0, 4.0, 0, 0)
        + drifter(c, "fork", 3.0, 5.0, 0.15, 2, 55, sides="tb", dodgegoo=True)), check=True),
    # 6: timed waves of peas roll across; forks patrol a box round the middle.
    L("table6.xml", (2600, 1750), (-850, 0, 2500), 0.085, ("size", 9.5), lambda c: (
        herd(c, "crumb", 10, 0.3, 0.8, (-850, 0), 230, "eight", 25, spin=True)
        + wave(c, "pea", [4, 4.4, 4.8, 5.2, 15, 15.4, 15.8, 26, 26.4, 26.8, 37, 37.4, 37.8], "t", *lad(c, 0.3),
               speed=90, spin=True)
        + swarm(c, "grape", *lad(c, 0.5), rate=0.9, live=9, speed=60, sides="rb", fl=170, spin=True)
        + swarm(c, "cookie", *lad(c, 0.8), rate=0.4, live=4, speed=50, sides="lr", fl=190, spin=True)
        + patrol(c, "fork", 2, 3.0, 5.0, "box", (150, 0), 380, 300, 110, scatter=False, every=2.0))),
    # 7: the whole table: teacups to finish with, forks everywhere.
    L("table7.xml", (3100, 2150), (0, 600, 2600), 0.08, ("size", 10.5), lambda c: (
        herd(c, "crumb", 10, 0.3, 0.8, (0, 600), 260, "star", 25, spin=True)
        + swarm(c, "pea", *lad(c, 0.25), rate=1.2, live=12, speed=60, sides="lrt", fl=150, keep=True, spin=True)
        + swarm(c, "grape", *lad(c, 0.45), rate=0.8, live=8, speed=65, sides="lr", fl=180, keep=True, spin=True)
        + swarm(c, "cookie", *lad(c, 0.65), rate=0.5, live=5, speed=60, sides="tb", fl=190, spin=True)
        + swarm(c, "teacup", *lad(c, 0.9), rate=0.3, live=3, speed=40, sides="lr", fl=0, keep=True)
        + drifter(c, "fork", 3.0, 6.0, 0.2, 3, 70, sides="lrtb", dodgegoo=True))),
    # --- Fish tank ----------------------------------------------------------------------------
    # 1: shrimps school round the tank; jellyfish drift down.
    L("fish1.xml", (2400, 1800), (-300, -200, 2500), 0.095, ("size", 8.5), lambda c: (
        herd(c, "shrimp", 10, 0.3, 0.8, (-300, -200), 260, "oval", 30)
        + swarm(c, "shrimp", *lad(c, 0.3), rate=1.0, live=10, speed=60, sides="lr", fl=150, keep=True, fromall=True,
                dont=[("shrimp", "all"), ("minnow", "all")])
        + swarm(c, "minnow", *lad(c, 0.7), rate=0.7, live=7, speed=75, sides="lr", fl=180, variance=15)
        + drifter(c, "jellyfish", 1.8, 4.0, 0.2, 3, 25, sides="t", frac=0.12)), anim=True),
    # 2: the pike lurks in the weed and strikes; minnows steer clear of it.
    L("fish2.xml", (2750, 1900), (600, 300, 2500), 0.087, ("size", 9.5), lambda c: (
        herd(c, "shrimp", 5, 0.3, 0.7, (600, 300), 190, "diamond", 12)
        + patrol(c, "shrimp", 12, 0.3, 0.85, "clover", (300, 100), 600, 450, 55)
        + swarm(c, "minnow", *lad(c, 0.45), rate=1.0, live=10, speed=80, sides="lr", fl=170, avoid=["pike"])
        + drifter(c, "jellyfish", 2.0, 4.5, 0.15, 3, 30, sides="tb", frac=0.12)
        + lurker(c, "pike", [(-800, -450), (-700, 500)], 3.0, 5.0, 320, 140, period=0.3)), anim=True),
    # 3: schools pass in waves; pikes hunt in the open.
    L("fish3.xml", (3100, 2050), (0, 0, 2600), 0.08, ("size", 10.5), lambda c: (
        herd(c, "shrimp", 10, 0.3, 0.8, (0, 0), 280, "eight", 30)
        + swarm(c, "shrimp", *lad(c, 0.15), rate=1.1, live=11, speed=65, sides="tb", fl=160)
        + wave(c, "minnow", [5, 5.3, 5.6, 5.9, 6.2, 18, 18.3, 18.6, 18.9, 31, 31.3, 31.6, 31.9], "l",
               *lad(c, 0.35), speed=120, stay=8)
        + swarm(c, "minnow", *lad(c, 0.65), rate=0.7, live=7, speed=85, sides="rtb", fl=190, avoid=["pike"])
        + drifter(c, "jellyfish", 2.0, 5.0, 0.2, 3, 35, sides="t", frac=0.15, dodgegoo=True)
        + hunter(c, "pike", 2.5, 7.5, 0.12, 2, 80, 360, 0.25, "lr")), anim=True),
]

LEVELS += [
    # --- The lawn -----------------------------------------------------------------------------
    # 1: seeds lie in the grass; snails creep.
    L("grass1.xml", (2150, 1700), (0, 300, 2600), 0.1, ("size", 8), lambda c: (
        herd(c, "seed", 10, 0.3, 0.75, (0, 300), 270, "oval", 12)
        + swarm(c, "seed", 0.25, 0.7, 1.0, 12, 30, "t", fl=0)
        + swarm(c, "snail", *lad(c, 0.45), rate=0.8, live=9, speed=25, sides="lr", fl=0, keep=True)
        + swarm(c, "frog", *lad(c, 0.8), rate=0.4, live=4, speed=60, sides="b", fl=200)), onTop="grass"),
    # 2: the owl swoops in from the sky, twice.
    L("grass2.xml", (2400, 1800), (-500, -300, 2600), 0.095, ("size", 8.5), lambda c: (
        herd(c, "seed", 9, 0.3, 0.8, (-500, -300), 240, "clover", 15)
        + swarm(c, "snail", *lad(c, 0.35), rate=1.0, live=10, speed=30, sides="lrb", fl=0)
        + swarm(c, "frog", *lad(c, 0.65), rate=0.6, live=6, speed=70, sides="rt", fl=190)
        + swooper(c, "owl", 2.5, 5.5, [10, 26], [(1000, -750), (500, -350), (0, -100)], 80, 340, 0.3)),
      onTop="grass"),
    # 3: a tidy patch: eat every last thing in it.
    L("grass3.xml", (1900, 1450), (450, 250, 2250), 0.42, ("all",), lambda c: (
        scatter_food(c, "seed", [(250, 300), (600, 50), (300, 450), (650, 420), (150, 100)], 0.3, 0.7)
        + scatter_food(c, "snail", [(-200, 300), (-500, -100), (100, -350), (-600, 400)], 0.75, 1.2, speed=12)
        + scatter_food(c, "frog", [(-400, -400), (500, -400), (-100, 0)], 1.4, 2.3)), onTop="grass"),
    # 4: mice run a slalom; frogs hop away from the goo and from the owl.
    L("grass4.xml", (2750, 1800), (-800, 400, 2700), 0.09, ("size", 9), lambda c: (
        herd(c, "seed", 10, 0.3, 0.8, (-800, 400), 250, "diamond", 15)
        + swarm(c, "snail", *lad(c, 0.25), rate=1.0, live=10, speed=35, sides="tb", fl=0)
        + swarm(c, "frog", *lad(c, 0.5), rate=0.7, live=7, speed=75, sides="lr", fl=190, avoid=["owl"])
        + patrol(c, "mouse", 6, *lad(c, 0.8), shape="wave", at=(100, -100), rx=800, ry=500, speed=100)
        + hunter(c, "owl", 2.5, 6.5, 0.1, 1, 70, 320, 0.35, "t", out=25))),
    # 5: the seeds blow away if not eaten; a long way to grow.
    L("grass5.xml", (3000, 2050), (0, 0, 2800), 0.085, ("size", 9.5), lambda c: (
        herd(c, "seed", 12, 0.3, 0.9, (0, 0), 300, "star", 18, out=25)
        + swarm(c, "snail", 1.05, 2.6, 1.0, 10, 35, "lrtb", fl=0, keep=True)
        + swarm(c, "frog", *lad(c, 0.55), rate=0.7, live=7, speed=80, sides="lr", fl=190)
        + swarm(c, "mouse", *lad(c, 0.85), rate=0.4, live=4, speed=110, sides="tb", fl=220)
        + swooper(c, "owl", 2.5, 6.0, [14, 34], [(-1250, -850), (-700, -400), (-200, -250)], 90, 360, 0.25)),
      check=True, onTop="grass"),
    # 6: everything at once, with two owls.
    L("grass6.xml", (3350, 2150), (900, -500, 2800), 0.08, ("size", 10.5), lambda c: (
        herd(c, "seed", 10, 0.3, 0.8, (900, -500), 260, "eight", 20)
        + swarm(c, "snail", *lad(c, 0.25), rate=1.1, live=12, speed=40, sides="lrtb", fl=0)
        + swarm(c, "frog", *lad(c, 0.45), rate=0.8, live=8, speed=85, sides="lb", fl=200, avoid=["owl"])
        + swarm(c, "mouse", *lad(c, 0.7), rate=0.6, live=6, speed=120, sides="rt", fl=230, period=0.2)
        + hunter(c, "owl", 2.5, 7.5, 0.15, 2, 85, 380, 0.2, "lrt", minperiod=8)), onTop="grass"),
    # --- The city -----------------------------------------------------------------------------
    # 1: pigeons in the square.
    L("city1.xml", (2400, 1700), (0, 0, 2800), 0.1, ("size", 8), lambda c: (
        herd(c, "pigeon", 10, 0.3, 0.8, (0, 0), 280, "oval", 25, rest="wander")
        + swarm(c, "pigeon", 0.25, 0.7, 1.1, 12, 50, "lrtb", fl=150)
        + swarm(c, "dog", *lad(c, 0.5), rate=0.7, live=7, speed=60, sides="lr", fl=170)
        + swarm(c, "bicycle", *lad(c, 0.85), rate=0.4, live=4, speed=90, sides="tb", fl=0, out=15))),
    # 2: the ring road: cars lap a box, buses come through.
    L("city2.xml", (2900, 1800), (-700, -300, 2800), 0.095, ("size", 8.5), lambda c: (
        herd(c, "pigeon", 9, 0.3, 0.8, (-700, -300), 230, "diamond", 25)
        + swarm(c, "dog", *lad(c, 0.35), rate=0.9, live=9, speed=65, sides="lt", fl=170)
        + patrol(c, "car", 6, *lad(c, 0.75), shape="box", at=(0, 0), rx=900, ry=520, speed=130, every=1.0)
        + hunter(c, "bus", 2.5, 5.5, 0.1, 1, 70, 280, 0.6, "lr", out=20))),
    # 3: the police patrol (and their cars light up).
    L("city3.xml", (2750, 2050), (500, 500, 2900), 0.09, ("size", 9), lambda c: (
        herd(c, "pigeon", 10, 0.3, 0.8, (500, 500), 260, "clover", 25)
        + swarm(c, "dog", *lad(c, 0.3), rate=1.0, live=10, speed=70, sides="lrtb", fl=170, keep=True, fromall=True,
                dont=[("dog", "all"), ("bicycle", "all")])
        + swarm(c, "bicycle", *lad(c, 0.55), rate=0.6, live=6, speed=95, sides="lr", fl=190)
        + patrol(c, "policecar", 4, *lad(c, 0.85), shape="eight", at=(-100, -100), rx=800, ry=550, speed=140,
                 every=1.5)
        + hunter(c, "bus", 2.5, 6.0, 0.1, 1, 75, 300, 0.5, "tb"))),
    # 4: rush hour: waves of cars from the left, houses to finish on.
    L("city4.xml", (3350, 1700), (-1000, 0, 2900), 0.085, ("size", 9.5), lambda c: (
        herd(c, "pigeon", 10, 0.3, 0.8, (-1000, 0), 240, "oval", 25)
        + swarm(c, "dog", *lad(c, 0.3), rate=1.0, live=10, speed=70, sides="tb", fl=170, keep=True)
        + wave(c, "car", [6, 6.6, 7.2, 7.8, 20, 20.6, 21.2, 21.8, 34, 34.6, 35.2], "l", *lad(c, 0.6), speed=150,
               stay=9)
        + lurker(c, "house", [(300, -400), (900, 350), (-300, 420)], *lad(c, 0.95), reach=0, speed=0)
        + hunter(c, "bus", 2.5, 6.5, 0.12, 2, 80, 300, 0.4, "r"))),
    # 5: starving streets: pigeons fly off, dogs are bigger than the goo at the start.
    L("city5.xml", (2750, 1900), (0, -400, 3000), 0.09, ("size", 9), lambda c: (
        herd(c, "pigeon", 12, 0.3, 0.9, (0, -400), 280, "star", 22, rest="wander", out=28)
        + swarm(c, "dog", 1.05, 2.8, 1.0, 10, 65, "lrb", fl=0)
        + swarm(c, "bicycle", *lad(c, 0.55), rate=0.7, live=7, speed=100, sides="lr", fl=190)
        + swarm(c, "car", *lad(c, 0.85), rate=0.4, live=4, speed=120, sides="tb", fl=0, keep=True)),
      check=True),
    # 6: buses on a beat; police cars flee.
    L("city6.xml", (3100, 2150), (800, 500, 3000), 0.085, ("size", 10), lambda c: (
        herd(c, "pigeon", 10, 0.3, 0.8, (800, 500), 260, "eight", 25)
        + swarm(c, "dog", *lad(c, 0.25), rate=1.1, live=11, speed=75, sides="lrt", fl=180)
        + swarm(c, "bicycle", *lad(c, 0.45), rate=0.8, live=8, speed=100, sides="lr", fl=190, avoid=["bus"])
        + swarm(c, "policecar", *lad(c, 0.7), rate=0.5, live=5, speed=120, sides="tb", fl=230, period=0.2)
        + patrol(c, "bus", 2, 3.0, 6.0, "wave", (-200, -200), 900, 500, 120, scatter=False, every=3.0))),
    # 7: the old town: houses to eat, buses hunting between them.
    L("city7.xml", (3350, 2400), (-900, -600, 3100), 0.083, ("size", 10.5), lambda c: (
        herd(c, "pigeon", 10, 0.3, 0.8, (-900, -600), 250, "clover", 25)
        + swarm(c, "dog", *lad(c, 0.25), rate=1.1, live=11, speed=80, sides="lrtb", fl=180, keep=True)
        + swarm(c, "car", *lad(c, 0.5), rate=0.7, live=7, speed=130, sides="lr", fl=0, out=14)
        + lurker(c, "house", [(0, 0), (700, -500), (-600, 600), (900, 600)], *lad(c, 0.85), reach=0, speed=0)
        + hunter(c, "bus", 2.5, 7.5, 0.15, 2, 90, 340, 0.25, "lrtb"))),
    # 8: the whole city.
    L("city8.xml", (3600, 2400), (0, 700, 3200), 0.08, ("size", 11), lambda c: (
        herd(c, "pigeon", 11, 0.3, 0.8, (0, 700), 270, "oval", 28)
        + swarm(c, "dog", *lad(c, 0.2), rate=1.2, live=12, speed=85, sides="lrt", fl=180)
        + swarm(c, "bicycle", *lad(c, 0.4), rate=0.8, live=8, speed=110, sides="lr", fl=200, avoid=["bus"])
        + patrol(c, "policecar", 5, *lad(c, 0.6), shape="box", at=(0, -150), rx=1100, ry=650, speed=150,
                 every=1.2)
        + swarm(c, "house", *lad(c, 0.85), rate=0.25, live=3, speed=20, sides="tb", fl=0, keep=True)
        + hunter(c, "bus", 3.0, 8.0, 0.15, 3, 95, 360, 0.2, "lrtb", minperiod=5))),
]

LEVELS += [
    # --- The sky (tall fields) ----------------------------------------------------------------
    # 1: balloons float up from below.
    L("sky1.xml", (1900, 2400), (0, 500, 3100), 0.1, ("size", 8), lambda c: (
        herd(c, "balloon", 10, 0.3, 0.8, (0, 500), 260, "oval", 20)
        + swarm(c, "balloon", 0.25, 0.75, 1.0, 12, 45, "b", fl=140, variance=20)
        + swarm(c, "bird", *lad(c, 0.5), rate=0.8, live=8, speed=90, sides="lr", fl=180)
        + swarm(c, "cloud", *lad(c, 0.85), rate=0.35, live=4, speed=30, sides="lr", fl=0)), onTop="sky"),
    # 2: a flock circles; the first aeroplane.
    L("sky2.xml", (2150, 2650), (-400, -600, 3100), 0.095, ("size", 8.5), lambda c: (
        herd(c, "balloon", 5, 0.3, 0.7, (-400, -600), 190, "diamond", 12)
        + patrol(c, "bird", 12, 0.3, 0.85, "oval", (-200, -300), 600, 700, 90)
        + swarm(c, "balloon", *lad(c, 0.35), rate=0.9, live=9, speed=45, sides="b", fl=150)
        + swarm(c, "cloud", *lad(c, 0.7), rate=0.4, live=5, speed=35, sides="lr", fl=0)
        + hunter(c, "plane", 2.5, 5.5, 0.08, 1, 90, 300, 0.5, "lr", out=16)), onTop="sky"),
    # 3: helicopters hover and dodge planes.
    L("sky3.xml", (2400, 2650), (500, 0, 3200), 0.09, ("size", 9), lambda c: (
        herd(c, "balloon", 10, 0.3, 0.8, (500, 0), 260, "clover", 22)
        + swarm(c, "bird", *lad(c, 0.3), rate=1.0, live=10, speed=95, sides="lr", fl=180, keep=True, fromall=True,
                dont=[("bird", "all"), ("balloon", "all")])
        + swarm(c, "helicopter", *lad(c, 0.65), rate=0.5, live=5, speed=70, sides="t", fl=200, avoid=["plane"])
        + hunter(c, "plane", 2.5, 6.0, 0.12, 2, 100, 320, 0.4, "lr")), onTop="sky"),
    # 4: the storm front: clouds drift in waves, birds scatter.
    L("sky4.xml", (2650, 2900), (0, -800, 3200), 0.085, ("size", 9.5), lambda c: (
        herd(c, "bird", 10, 0.3, 0.8, (0, -800), 260, "star", 30, rest="wander")
        + swarm(c, "balloon", *lad(c, 0.25), rate=1.0, live=10, speed=50, sides="b", fl=160, keep=True)
        + wave(c, "cloud", [5, 5.8, 6.6, 7.4, 19, 19.8, 20.6, 33, 33.8, 34.6], "r", *lad(c, 0.55), speed=70,
               stay=12)
        + swarm(c, "helicopter", *lad(c, 0.8), rate=0.4, live=4, speed=80, sides="lr", fl=210)
        + swooper(c, "plane", 2.5, 6.5, [12, 28], [(-1100, -1200), (-500, -700), (100, -400)], 110, 340, 0.3)),
      onTop="sky"),
    # 5: up and away: the balloons leave if not caught; airships are the goal.
    L("sky5.xml", (2400, 3100), (-300, 900, 3300), 0.09, ("size", 9), lambda c: (
        herd(c, "balloon", 12, 0.3, 0.9, (-300, 900), 280, "eight", 22, out=26)
        + swarm(c, "bird", 1.05, 2.6, 1.0, 10, 90, "lr", fl=180)
        + swarm(c, "helicopter", *lad(c, 0.6), rate=0.6, live=6, speed=85, sides="t", fl=210)
        + swarm(c, "airship", *lad(c, 0.85), rate=0.3, live=3, speed=40, sides="lr", fl=0, keep=True)),
      check=True, onTop="sky"),
    # 6: planes patrol the lanes.
    L("sky6.xml", (2900, 2900), (800, 800, 3300), 0.085, ("size", 10), lambda c: (
        herd(c, "bird", 10, 0.3, 0.8, (800, 800), 260, "diamond", 30)
        + swarm(c, "balloon", *lad(c, 0.25), rate=1.0, live=10, speed=55, sides="b", fl=160)
        + swarm(c, "cloud", *lad(c, 0.45), rate=0.6, live=6, speed=40, sides="lr", fl=0)
        + swarm(c, "helicopter", *lad(c, 0.7), rate=0.5, live=5, speed=90, sides="tb", fl=220, avoid=["plane"])
        + patrol(c, "plane", 3, 3.0, 6.5, "box", (-100, -100), 850, 850, 160, scatter=False, every=2.5))),
    # 7: the whole sky.
    L("sky7.xml", (3100, 3350), (0, 0, 3400), 0.08, ("size", 11), lambda c: (
        herd(c, "bird", 11, 0.3, 0.8, (0, 0), 280, "clover", 30)
        + swarm(c, "balloon", *lad(c, 0.2), rate=1.1, live=11, speed=60, sides="b", fl=170, keep=True)
        + swarm(c, "cloud", *lad(c, 0.4), rate=0.6, live=6, speed=45, sides="lr", fl=0)
        + swarm(c, "helicopter", *lad(c, 0.6), rate=0.6, live=6, speed=95, sides="lrt", fl=160, period=0.2)
        + swarm(c, "airship", *lad(c, 0.85), rate=0.3, live=3, speed=45, sides="lr", fl=0)
        + hunter(c, "plane", 3.0, 8.0, 0.15, 3, 110, 380, 0.2, "lrtb", minperiod=5)), onTop="sky"),
]

# --- Outer space: the goo outgrows a solar system, then galaxies. Each row lists the level's own
# food kinds (small to large), and its set pieces.
S_ = "satellite", "asteroid", "moon", "planet", "ringedplanet", "star", "nebula", "galaxy", "galaxygroup", \
    "galaxycluster", "supercluster"
LEVELS += [
    L("space1.xml", (2400, 1800), (0, 0, 3400), 0.1, ("size", 8), lambda c: (
        herd(c, "satellite", 10, 0.3, 0.8, (0, 0), 280, "oval", 30)
        + swarm(c, "satellite", 0.25, 0.7, 1.0, 10, 50, "lr", fl=150)
        + swarm(c, "asteroid", *lad(c, 0.6), rate=0.7, live=8, speed=40, sides="tb", fl=0, spin=True))),
    L("space2.xml", (2650, 1900), (-600, 400, 3400), 0.095, ("size", 8.5), lambda c: (
        herd(c, "asteroid", 10, 0.3, 0.8, (-600, 400), 250, "star", 25, spin=True)
        + swarm(c, "satellite", *lad(c, 0.3), rate=1.0, live=10, speed=60, sides="lrt", fl=160)
        + swarm(c, "moon", *lad(c, 0.7), rate=0.5, live=5, speed=35, sides="r", fl=0, spin=True)
        + drifter(c, "comet", 2.0, 4.5, 0.15, 2, 120, sides="lr", frac=0.12))),
    L("space3.xml", (2650, 2050), (0, -500, 3500), 0.1, ("specials", 6), lambda c: (
        herd(c, "asteroid", 10, 0.3, 0.8, (0, -500), 260, "eight", 25, spin=True)
        + swarm(c, "moon", *lad(c, 0.4), rate=0.8, live=8, speed=40, sides="lrtb", fl=0, spin=True)
        + specials(c, "energy1", 0.4, 1.2, 0.35, 3, 70)
        + drifter(c, "comet", 2.0, 5.0, 0.15, 2, 130, sides="tb", frac=0.12))),
    L("space4.xml", (2900, 2150), (700, 500, 3500), 0.09, ("size", 9), lambda c: (
        herd(c, "satellite", 5, 0.3, 0.7, (700, 500), 190, "diamond", 12)
        + patrol(c, "asteroid", 12, 0.3, 0.85, "clover", (300, 200), 700, 550, 60, spin=True)
        + swarm(c, "moon", *lad(c, 0.4), rate=0.8, live=8, speed=45, sides="lt", fl=0, spin=True)
        + swarm(c, "planet", *lad(c, 0.8), rate=0.4, live=4, speed=30, sides="lr", fl=0, spin=True)
        + lurker(c, "blackhole", [(-700, -500)], 3.0, 4.0, 300, 40, period=0.6, spin=True))),
    L("space5.xml", (2900, 2300), (-800, -600, 3600), 0.09, ("size", 9), lambda c: (
        herd(c, "moon", 12, 0.3, 0.9, (-800, -600), 280, "diamond", 20, out=28, spin=True)
        + swarm(c, "planet", 1.05, 2.8, 0.9, 9, 40, "lrtb", fl=0, keep=True, spin=True)
        + swarm(c, "ringedplanet", *lad(c, 0.75), rate=0.4, live=4, speed=35, sides="rb", fl=0)
        + drifter(c, "comet", 2.0, 5.0, 0.18, 2, 140, sides="lrt", frac=0.12, dodgegoo=True)), check=True),
    L("space6.xml", (3000, 2300), (0, 0, 3600), 0.087, ("size", 9.5), lambda c: (
        herd(c, "moon", 10, 0.3, 0.8, (0, 0), 270, "oval", 25, spin=True)
        + swarm(c, "planet", *lad(c, 0.35), rate=0.9, live=9, speed=45, sides="lr", fl=160, keep=True, spin=True)
        + wave(c, "ringedplanet", [8, 9, 10, 24, 25, 26], "t", *lad(c, 0.7), speed=60, stay=14)
        + hunter(c, "blackhole", 2.5, 6.0, 0.1, 1, 45, 300, 0.6, "b"))),
    L("space7.xml", (3000, 2400), (600, -600, 3700), 0.095, ("specials", 7), lambda c: (
        herd(c, "moon", 5, 0.3, 0.7, (600, -600), 190, "diamond", 12, spin=True)
        + patrol(c, "planet", 10, 0.3, 0.8, "box", (0, 0), 700, 550, 70, spin=True)
        + swarm(c, "ringedplanet", *lad(c, 0.4), rate=0.6, live=6, speed=45, sides="lr", fl=160)
        + specials(c, "energy2", 0.4, 1.3, 0.35, 3, 80, "tb")
        + drifter(c, "comet", 2.2, 5.5, 0.2, 3, 150, sides="lr", frac=0.15, dodgegoo=True)
        + lurker(c, "blackhole", [(-800, 600)], 3.0, 4.0, 320, 50, period=0.5, spin=True))),
    L("space8.xml", (3100, 2400), (-900, 0, 3700), 0.085, ("size", 10), lambda c: (
        herd(c, "planet", 10, 0.3, 0.8, (-900, 0), 260, "clover", 25, spin=True)
        + swarm(c, "ringedplanet", *lad(c, 0.35), rate=0.9, live=9, speed=50, sides="rtb", fl=170, keep=True)
        + swarm(c, "star", *lad(c, 0.75), rate=0.4, live=4, speed=30, sides="r", fl=0, spin=True)
        + hunter(c, "blackhole", 2.5, 6.5, 0.1, 2, 50, 320, 0.5, "tb")
        + drifter(c, "comet", 2.0, 5.0, 0.15, 2, 160, sides="lr", frac=0.15))),
    L("space9.xml", (3350, 2400), (0, 700, 3800), 0.085, ("size", 10), lambda c: (
        herd(c, "ringedplanet", 10, 0.3, 0.8, (0, 700), 270, "eight", 25)
        + swarm(c, "planet", *lad(c, 0.25), rate=1.0, live=10, speed=55, sides="lr", fl=170, spin=True, fromall=True,
                dont=[("planet", "all"), ("ringedplanet", "all")])
        + swarm(c, "star", *lad(c, 0.55), rate=0.6, live=6, speed=40, sides="t", fl=0, spin=True)
        + swooper(c, "blackhole", 2.5, 6.5, [12, 30], [(-1400, -1000), (-800, -500), (-300, -300)], 60, 330, 0.4))),
    L("space10.xml", (3350, 2500), (800, 600, 3800), 0.083, ("size", 10.5), lambda c: (
        herd(c, "planet", 5, 0.3, 0.7, (800, 600), 190, "diamond", 12, spin=True)
        + patrol(c, "star", 12, 0.3, 0.85, "star", (200, 100), 800, 800, 80, spin=True)
        + swarm(c, "ringedplanet", *lad(c, 0.3), rate=0.9, live=9, speed=55, sides="lb", fl=170, keep=True)
        + swarm(c, "nebula", *lad(c, 0.7), rate=0.4, live=4, speed=30, sides="rt", fl=0)
        + hunter(c, "blackhole", 2.5, 7.0, 0.12, 2, 55, 340, 0.4, "lr")
        + drifter(c, "comet", 2.2, 5.5, 0.2, 3, 170, sides="tb", frac=0.15, dodgegoo=True))),
    L("space11.xml", (3100, 2400), (-700, -500, 3900), 0.095, ("specials", 8), lambda c: (
        herd(c, "star", 10, 0.3, 0.8, (-700, -500), 260, "star", 25, spin=True)
        + swarm(c, "nebula", *lad(c, 0.4), rate=0.7, live=7, speed=40, sides="lrtb", fl=170)
        + specials(c, "energy1", 0.4, 1.3, 0.4, 3, 90, "lr")
        + hunter(c, "blackhole", 2.5, 6.0, 0.1, 2, 55, 320, 0.4, "tb", out=20))),
    L("space12.xml", (3100, 2300), (0, 0, 3900), 0.083, ("size", 10.5), lambda c: (
        herd(c, "star", 11, 0.3, 0.8, (0, 0), 290, "diamond", 25, spin=True)
        + swarm(c, "nebula", *lad(c, 0.3), rate=1.2, live=12, speed=45, sides="lr", fl=170, keep=True)
        + wave(c, "galaxy", [7, 7.7, 8.4, 22, 22.7, 23.4, 37, 37.7], "b", *lad(c, 0.65), speed=60, stay=14,
               spin=True)
        + lurker(c, "blackhole", [(-1000, -700), (1000, 700)], 3.0, 4.5, 330, 55, period=0.4, spin=True)
        + drifter(c, "comet", 2.2, 6.0, 0.2, 3, 180, sides="lr", frac=0.15))),
    L("space13.xml", (3200, 2400), (900, -700, 4000), 0.08, ("size", 11), lambda c: (
        herd(c, "star", 5, 0.3, 0.7, (900, -700), 190, "diamond", 12, spin=True)
        + patrol(c, "nebula", 12, 0.3, 0.85, "wave", (0, 0), 1000, 600, 70)
        + swarm(c, "star", *lad(c, 0.3), rate=1.0, live=10, speed=50, sides="lrb", fl=170, keep=True, spin=True)
        + swarm(c, "galaxy", *lad(c, 0.7), rate=0.5, live=5, speed=40, sides="t", fl=0, spin=True)
        + hunter(c, "blackhole", 2.5, 7.5, 0.14, 2, 60, 350, 0.3, "lr", minperiod=6)
        + drifter(c, "comet", 2.2, 6.0, 0.2, 3, 190, sides="tb", frac=0.15, dodgegoo=True))),
    L("space14.xml", (3200, 2400), (-1000, 700, 4000), 0.08, ("size", 10), lambda c: (
        herd(c, "nebula", 12, 0.3, 0.9, (-1000, 700), 300, "clover", 22, out=30)
        + swarm(c, "galaxy", 1.05, 2.8, 1.2, 14, 45, "lrtb", fl=0, spin=True)
        + swarm(c, "galaxygroup", *lad(c, 0.75), rate=0.35, live=4, speed=35, sides="rt", fl=0)
        + swooper(c, "blackhole", 2.5, 7.0, [10, 26], [(1500, -1150), (900, -600), (300, -200)], 60, 340, 0.3)),
      check=True),
    L("space15.xml", (3350, 2650), (0, -700, 4100), 0.09, ("specials", 8), lambda c: (
        herd(c, "nebula", 5, 0.3, 0.7, (0, -700), 190, "diamond", 12)
        + patrol(c, "galaxy", 10, 0.3, 0.8, "eight", (0, 0), 900, 650, 75, spin=True)
        + swarm(c, "nebula", *lad(c, 0.4), rate=0.7, live=7, speed=45, sides="lr", fl=170)
        + specials(c, "energy2", 0.4, 1.3, 0.35, 3, 100, "lrtb")
        + hunter(c, "blackhole", 2.5, 6.5, 0.12, 2, 60, 340, 0.3, "lrtb")
        + drifter(c, "comet", 2.2, 6.0, 0.2, 3, 200, sides="tb", frac=0.15, dodgegoo=True))),
    L("space16.xml", (3300, 2450), (800, 800, 4200), 0.08, ("size", 11), lambda c: (
        herd(c, "galaxy", 11, 0.3, 0.8, (800, 800), 290, "oval", 25, spin=True)
        + swarm(c, "nebula", *lad(c, 0.25), rate=1.2, live=12, speed=50, sides="lt", fl=170, keep=True)
        + swarm(c, "galaxygroup", *lad(c, 0.55), rate=0.6, live=6, speed=45, sides="rb", fl=180, keep=True)
        + swarm(c, "galaxycluster", *lad(c, 0.85), rate=0.3, live=3, speed=35, sides="lr", fl=0)
        + hunter(c, "blackhole", 2.5, 8.0, 0.14, 3, 65, 360, 0.25, "lrtb", minperiod=5))),
    L("space17.xml", (3400, 2600), (-900, -800, 4200), 0.08, ("size", 10), lambda c: (
        herd(c, "nebula", 5, 0.3, 0.7, (-900, -800), 190, "diamond", 12)
        + patrol(c, "galaxy", 12, 0.3, 0.85, "diamond", (-200, -100), 1000, 750, 80, spin=True)
        + swarm(c, "galaxygroup", *lad(c, 0.35), rate=0.9, live=9, speed=50, sides="lrtb", fl=180, keep=True,
                avoid=["blackhole"])
        + wave(c, "galaxycluster", [9, 10, 11, 27, 28, 29, 45, 46], "r", *lad(c, 0.7), speed=55, stay=15)
        + lurker(c, "blackhole", [(900, -700), (-1000, 800)], 3.0, 5.0, 340, 60, period=0.3, spin=True)
        + drifter(c, "comet", 2.5, 7.0, 0.2, 3, 210, sides="lr", frac=0.15, dodgegoo=True))),
    L("space18.xml", (3400, 2600), (0, 800, 4300), 0.08, ("size", 10.5), lambda c: (
        herd(c, "galaxygroup", 11, 0.3, 0.8, (0, 800), 300, "star", 25)
        + swarm(c, "galaxy", *lad(c, 0.25), rate=1.5, live=16, speed=55, sides="lrt", fl=170, keep=True, spin=True)
        + swarm(c, "galaxycluster", *lad(c, 0.55), rate=0.8, live=9, speed=45, sides="lr", fl=190, keep=True,
                avoid=["blackhole"])
        + swarm(c, "supercluster", *lad(c, 0.85), rate=0.3, live=3, speed=35, sides="t", fl=0)
        + hunter(c, "blackhole", 3.0, 8.5, 0.15, 3, 70, 380, 0.2, "lrtb", minperiod=5)
        + drifter(c, "comet", 2.5, 7.0, 0.2, 2, 220, sides="tb", frac=0.15))),
    L("space19.xml", (3500, 2650), (1000, -800, 4400), 0.08, ("size", 11), lambda c: (
        herd(c, "galaxy", 5, 0.3, 0.7, (1000, -800), 190, "diamond", 12, spin=True)
        + patrol(c, "galaxygroup", 12, 0.3, 0.85, "clover", (0, 0), 1100, 800, 85)
        + swarm(c, "galaxy", *lad(c, 0.2), rate=1.4, live=15, speed=55, sides="lb", fl=170, keep=True, spin=True)
        + swarm(c, "galaxycluster", *lad(c, 0.45), rate=0.7, live=7, speed=50, sides="rt", fl=190, period=0.2)
        + swarm(c, "supercluster", *lad(c, 0.8), rate=0.35, live=4, speed=40, sides="lr", fl=200)
        + swooper(c, "blackhole", 3.0, 8.0, [8, 20, 32], [(-1650, 1250), (-900, 600), (-300, 300)], 70, 380, 0.2)
        + hunter(c, "blackhole", 3.0, 9.0, 0.1, 2, 75, 380, 0.2, "tb", minperiod=8))),
    # The end: a dark field with galaxies left; eat them all.
    L("end.xml", (2900, 2150), (0, 0, 4500), 0.4, ("all",), lambda c: (
        scatter_food(c, "star", [(250, 0), (-250, 50), (0, 250), (0, -260), (400, 300), (-420, -280)], 0.3, 0.6,
                     spin=True)
        + scatter_food(c, "galaxy", [(700, -300), (-700, 350), (300, 600), (-300, -600)], 0.8, 1.3, spin=True)
        + scatter_food(c, "galaxygroup", [(950, 550), (-950, -550), (900, -650)], 1.5, 2.2, speed=20)
        + scatter_food(c, "galaxycluster", [(-900, 650), (0, -700)], 2.6, 3.2, speed=15)
        + scatter_food(c, "supercluster", [(1000, 0)], 3.8, 4.2, speed=10))),
]

# Endurance: big fields, no goal but growing; everything at once, ramping with waves.
ENDURANCE_LEVELS = [
    L("amoebaendurance.xml", (3600, 2900), (0, 0, 2000), 0.087, ("size", 40), lambda c: (
        herd(c, "diatom", 12, 0.3, 0.8, (0, 0), 300, "clover", 20, rest="wander")
        + swarm(c, "diatom", *lad(c, 0.1), rate=1.2, live=16, speed=45, sides="lrtb", fl=140, fromall=True,
                dont=[("diatom", "all")])
        + swarm(c, "amoeba", *lad(c, 0.3), rate=0.9, live=12, speed=45, sides="lr", fl=160, avoid=["paramecium"])
        + swarm(c, "rodbacterium", *lad(c, 0.55), rate=0.6, live=8, speed=60, sides="tb", fl=170)
        + hunter(c, "paramecium", 2.0, 30.0, 0.2, 4, 60, 320, 0.4, "lrtb"))),
    L("fishendurance.xml", (3850, 2900), (0, 0, 2500), 0.087, ("size", 40), lambda c: (
        herd(c, "shrimp", 5, 0.3, 0.7, (0, 0), 190, "diamond", 12)
        + patrol(c, "shrimp", 14, 0.3, 0.85, "oval", (0, 0), 500, 380, 35)
        + swarm(c, "shrimp", *lad(c, 0.1), rate=1.2, live=14, speed=60, sides="lr", fl=150)
        + swarm(c, "minnow", *lad(c, 0.35), rate=0.9, live=12, speed=80, sides="lrtb", fl=180, avoid=["pike"])
        + drifter(c, "jellyfish", 2.0, 20.0, 0.2, 4, 30, sides="t", frac=0.12, dodgegoo=True)
        + hunter(c, "pike", 2.5, 30.0, 0.15, 3, 85, 360, 0.3, "lr")), anim=True),
    L("clusterendurance.xml", (4100, 3100), (0, 0, 3500), 0.087, ("size", 40), lambda c: (
        herd(c, "satellite", 12, 0.3, 0.8, (0, 0), 300, "star", 25)
        + swarm(c, "asteroid", *lad(c, 0.1), rate=1.2, live=14, speed=50, sides="lrtb", fl=150, spin=True)
        + swarm(c, "planet", *lad(c, 0.3), rate=0.8, live=10, speed=45, sides="lr", fl=0, spin=True)
        + swarm(c, "star", *lad(c, 0.5), rate=0.6, live=8, speed=45, sides="tb", fl=0, spin=True)
        + swarm(c, "galaxy", *lad(c, 0.75), rate=0.4, live=5, speed=45, sides="lr", fl=0, spin=True)
        + drifter(c, "comet", 2.0, 20.0, 0.2, 3, 200, sides="lr", frac=0.12)
        + hunter(c, "blackhole", 2.5, 30.0, 0.15, 3, 70, 380, 0.25, "lrtb"))),
]
