"""leveldesign: the campaign as a design table, and the set pieces its levels are built from.

Every level is one idea, written down in its row of LEVELS below (the "idea" column: what the
player learns or must do there), and its cast is built from that idea: the pieces under "Set
pieces" are the vocabulary (food spread over the field at the start, currents, trails, schools,
orbits, tame food, hunters, shooters, lurkers, timed waves, ...), and each level combines the
few that say its idea. No two levels share more than half of their pieces (the content tests
compare the kinds of piece each level is made of, whatever their names, sizes and numbers).

Each world has a mechanic of its own, taught by its first level and tested by its last:
  micro  the rules of the game, one a level, on a current that carries food past
  bugs   trails: columns of insects marching along paths; spiders on threads; beetles spit
  table  a laid table: food lying still where it was put, cutlery and cups in the way
  fish   schools: shoals that cross the tank at set times; a pike in the weed
  grass  things leave: seeds blow away, frogs hop off; the owl swoops down
  city   traffic: cars, buses and police on their roads; tame pigeons
  sky    lanes and updrafts: balloons rise and float off the top, planes keep to their lanes
  space  gravity and energy: orbits, black holes, sparks of energy to collect, lean fields

The curve: within a world the goal grows and the growth rate falls from the opener to the
closer, and each world's opener asks more than the previous world's (see WORLDS); threats come
faster and keener later in a world. The time limits (tools/levelgen/levelgen.py) give the median
autopilot run a share of the clock that rises the same way.

Timed twins: in the first world the current brings food a third faster in the timed mode
(rateta), so that a new player racing the clock is never left waiting.

Food density: through its first 30 s every level keeps at least six things the goo can eat on
screen (the content play test measures it along the autopilot's runs), unless its row sets a
lower "food" floor because scarcity is its idea. The "snacks" piece does most of it: a level's
smallest food lying all over the field and settling again in batches through the opening.

Tile layers: every level lies on its world's ground; "layers" adds a sparse detail layer under
the entities ("d") and a sparse layer of props over them ("p"), kept to the field's outermost
ring of tiles; a world's own tile kinds "detail<ground>" and "props<ground>" are used as soon as
tiledefs() has them, shared stand-ins (tinted wisps, grass tufts) until then.

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


def wander(speed, variance=30, turn=40, direction=None, firstpriority=None, priority=None):
    return ctrl("movedirection", direction=direction, directionvariance=variance, directionvaryaccel=turn,
                speed=speed, speedvariance=r1(speed * 0.3), speedvaryaccel=r1(speed * 0.5), accel=r1(speed * 4),
                firstpriority=firstpriority, priority=priority)


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


def approach(speed, reach, period=None):
    """Attack turned round: steer up to a goo bigger than itself (tame or curious food)."""
    return ctrl("attack", updateperiod=period, speed=r1(speed), accel=r1(speed * 4), affectdist=reach,
                affect=[("greygoo", "larger")])


def keepin(speed, dist=None, firstpriority=None):
    return ctrl("stayinlevel", speed=r1(speed), accel=r1(speed * 4), affectdist=dist, firstpriority=firstpriority)


def leave(speed, time=None, size=None):
    return ctrl("leavelevel", speed=r1(speed), accel=r1(speed * 4), leavetime=time, leavesize=size)


def sit(priority=None, firstpriority=None):
    return ctrl("stationary", priority=priority, firstpriority=firstpriority)


def dodge(speed, kinds, seconds=0.8):
    return ctrl("avoid", speed=r1(speed), accel=r1(speed * 5), affectdist=seconds,
                affect=[(k, "all") for k in kinds])


def follow(pairs, speed, loop=True, first=True, priority=None, firstpriority=None):
    return ctrl("pathfollow", speed=speed, accel=300, loop=loop, first=first, priority=priority,
                firstpriority=firstpriority, pairs=pairs)


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


def serpentine(x0, y0, x1, y1, rows):
    """An open path that sweeps a box row by row (left to right, then back)."""
    pts = []
    for r in range(rows):
        y = y0 + (y1 - y0) * (r + 0.5) / rows
        xs = (x0, x1) if r % 2 == 0 else (x1, x0)
        pts += [(xs[0], y), (xs[1], y)]
    return straight(pts, closed=False)


def path_length(pairs):
    """Length of a chain of straight pieces (what serpentine and spots make)."""
    return sum(math.hypot(p[4] - p[0], p[5] - p[1]) for p in pairs)


# ---------------------------------------------------------------------------------------------
# Level context


class Ctx:
    def __init__(self, w, h, goo, victory, d, kinds):
        self.w, self.h = w, h
        self.gx, self.gy, self.S = goo
        self.V = victory
        self.d = d  # place in the campaign, 0 (first level) .. 1 (last)
        self.kinds = kinds
        self.shots = 0
        self.specials = False

    def sides(self, which, span=1.0):
        m = 40
        hw, hh = (self.w / 2 - m) * span, (self.h / 2 - m) * span
        out = []
        for s in which:
            if s == "l":
                out.append(("left", -hh, hh))
            elif s == "r":
                out.append(("right", -hh, hh))
            elif s == "t":
                out.append(("top", -hw, hw))
            elif s == "b":
                out.append(("bottom", -hw, hw))
        return out

    def inset(self, f=0.1):
        return (-self.w / 2 * (1 - f), -self.h / 2 * (1 - f), self.w / 2 * (1 - f), self.h / 2 * (1 - f))


def emitter(etype, kind, lo, hi, ctrls, extra=(), rate=None, sched=None, sides=None, pos=None,
            shotnum=None, spin=False, ratetimed=None):
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
        out.append('    <randomemit%s/>' % attrs([("rate", rate), ("rateta", ratetimed)]))
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


def spread(n, offset=0.5):
    """n path positions spread evenly (never exactly 0: a scheduled emit with pathpos 0 would
    keep the previous entity's position)."""
    return [max(1e-4, round((k + offset) / n, 4)) for k in range(n)]


# ---------------------------------------------------------------------------------------------
# Set pieces. Sizes are given relative to the goo's start area S; speeds in units per second.

def sprinkle(c, kind, n, lo, hi, speed=20, region=None, rows=3, fl=0, rest="wander", spin=False, keep=True):
    """Food lying about from the first second: n pieces spread over a region (the whole field by
    default), grazing (or lying still) where they land."""
    x0, y0, x1, y1 = region or c.inset(0.12)
    pairs = serpentine(x0, y0, x1, y1, rows)
    cl = [follow(pairs, 0, loop=False)]
    if rest == "sit":
        cl.append(sit(firstpriority=0.6))
    else:
        cl.append(wander(speed, 180, 60, firstpriority=0.6))
    if fl:
        cl.append(flee(speed * 2 + 30, fl))
    if keep:
        cl.append(keepin(max(speed, 30)))
    sched = [(0, p) for p in spread(n)]
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, sched=sched, pos=pairs[0][:2], spin=spin)


def sweep(boxes):
    """One open path that sweeps each box in turn (rows back and forth), and the stretch of the
    path (start and end fraction) that lies in each box."""
    pts, marks = [], []
    for (x0, y0, x1, y1), rows in boxes:
        first = len(pts)
        gap = (y1 - y0) / rows
        steps = max(2, int(round((x1 - x0) / 150.0)))
        for r in range(rows):
            y = y0 + gap * (r + 0.5)
            # each row zigzags a little, so that what lies along it is not lined up
            row = [(x0 + (x1 - x0) * k / steps, y + gap * 0.3 * (1 if (k + r) % 2 else -1)) for k in range(steps + 1)]
            pts += row if r % 2 == 0 else row[::-1]
        marks.append((first, len(pts) - 1))
    pairs = straight(pts, closed=False)
    run = [0.0]
    for p in pairs:
        run.append(run[-1] + math.hypot(p[4] - p[0], p[5] - p[1]))
    total = run[-1]
    return pairs, [(run[i] / total, run[j] / total) for i, j in marks]


def snacks(c, kind, lo=0.15, hi=0.5, density=1.0, speed=12, rest="sit", spin=False, fl=0, until=27,
           every=1.5, out=None):
    """The small change of a level: its smallest food lying all over the field from the first
    second (about 14 a screen, more round the goo's start, where a small goo feeds first) and
    settling again in small batches through the opening, more of them as the goo grows, so that
    a hungry goo always has something in sight."""
    screens = (c.w * c.h) / (800.0 * 600.0) * density
    field = c.inset(0.05)
    hw, hh = 650, 480
    gx = min(max(c.gx, field[0] + hw), field[2] - hw)
    gy = min(max(c.gy, field[1] + hh), field[3] - hh)
    patch = (gx - hw, gy - hh, gx + hw, gy + hh)
    rows = max(3, int(round((field[3] - field[1]) / 170.0)))  # rows a third of a screen apart
    pairs, ((p0, p1), (f0, f1)) = sweep([(patch, 6), (field, rows)])
    cl = [follow(pairs, 0, loop=False)]
    cl.append(sit(firstpriority=0.6) if rest == "sit" else wander(speed, 180, 60, firstpriority=0.6))
    if fl:
        cl.append(flee(speed * 2 + 30, fl))
    cl.append(keepin(max(speed, 30), dist=25))  # close to the edges too: a goo there has food in sight
    if out:
        cl.append(leave(speed + 40, time=out))

    def at(lo_, hi_, u):
        return max(1e-4, round(lo_ + (hi_ - lo_) * u, 4))
    n_patch, n_field = int(round(10 * density)), int(round(20 * screens))
    sched = [(0, at(p0, p1, (k + 0.5) / n_patch)) for k in range(n_patch)]
    sched += [(0, at(f0, f1, (k + 0.5) / n_field)) for k in range(n_field)]
    batch = 3.4 * screens * every / 1.5
    k, t = 0, every
    while t <= until:
        # a growing goo sweeps up more: the batches grow with the time; golden-ratio steps
        # along the sweep put every batch on new spots
        for j in range(int(round(batch * (1 + 0.8 * t / 30.0)))):
            sched.append((round(t, 2), at(f0, f1, (k * 0.618034) % 1.0)))
            k += 1
        if t <= 12:
            for j in range(int(round(3 * density))):
                sched.append((round(t, 2), at(p0, p1, (k * 0.618034) % 1.0)))
                k += 1
        t += every
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, sched=sched, pos=pairs[0][:2], spin=spin)


def spot_path(spots):
    """A path through chosen spots, and where along it (0..1) each spot lies: pieces emitted at
    those marks follow it to their spot and sit there."""
    pts = list(spots)
    if len(pts) == 1:
        pts = [pts[0], (pts[0][0] + 30, pts[0][1])]
    pairs = straight(pts, closed=False)
    total = path_length(pairs)
    marks, run = [0.0], 0.0
    for p in pairs:
        run += math.hypot(p[4] - p[0], p[5] - p[1])
        marks.append(run / total)
    return pairs, [max(1e-4, min(0.9999, m)) for m in marks[:len(spots)]]


def placed(c, kind, spots, lo, hi, spin=False):
    """Pieces put down at chosen spots, lying still until eaten."""
    pairs, marks = spot_path(spots)
    cl = [follow(pairs, 0, loop=False), sit(firstpriority=0.6)]
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, sched=[(0, m) for m in marks], pos=spots[0], spin=spin)


def stream(c, kind, lo, hi, rate, live, speed, side="l", span=0.9, variance=8, fl=0, spin=False, ratetimed=None):
    """A current: food comes in on one side and drifts straight across, out the other side."""
    cl = [wander(speed, variance, 10)]
    if fl:
        cl.append(flee(speed * 1.5, fl))
    return emitter("side", kind, lo * c.S, hi * c.S, cl, [("maxlive", live)], rate=rate, sides=c.sides(side, span),
                   spin=spin, ratetimed=ratetimed)


def swarm(c, kind, lo, hi, rate, live, speed, sides="lrtb", fl=150, keep=True, out=None, avoid=None,
          period=None, minperiod=None, fromall=False, dont=(), spin=False, variance=30):
    """Food wandering in from the edges and staying; it flees from a bigger goo."""
    cl = [wander(speed, variance)]
    if fl:
        cl.append(flee(speed * 1.6, fl, period, fromall, dont))
    if avoid:
        cl.append(dodge(speed * 1.5, avoid))
    if keep:
        cl.append(keepin(speed))
    if out:
        cl.append(leave(speed * 1.2, time=out))
    extra = [("maxlive", live)] + ([("minemitperiod", minperiod)] if minperiod else [])
    return emitter("side", kind, lo * c.S, hi * c.S, cl, extra, rate=rate, sides=c.sides(sides), spin=spin)


def tame(c, kind, lo, hi, rate, live, speed, reach, sides="lrtb", spin=False):
    """Food that comes up to a goo bigger than itself (to be fed), and wanders otherwise."""
    cl = [wander(speed, 60, 60), approach(speed * 1.2, reach, 0.3), keepin(speed)]
    return emitter("side", kind, lo * c.S, hi * c.S, cl, [("maxlive", live)], rate=rate, sides=c.sides(sides),
                   spin=spin)


def trail(c, kind, points, n, every, lo, hi, speed, closed=False, prefill=0, fl=140, spin=False):
    """A column on the march: n walkers leave the trail's start one after another and follow
    it (prefill of them already on the way at the start); near the goo they break ranks."""
    pairs = smooth(points, closed=closed)
    cl = [follow(pairs, speed, loop=closed), flee(speed * 1.4, fl), wander(speed * 0.8, 180, 60), keepin(speed)]
    sched = [(0, p) for p in spread(prefill, 0.0)] if prefill else []
    sched += [(every * (k + 1), 1e-4) for k in range(n)]
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, sched=sched, pos=points[0], spin=spin)


def orbit(c, kind, n, centre, rx, ry, speed, lo, hi, spin=False, shape="oval"):
    """Bodies evenly spaced round a loop, going round for ever: cut across their ring."""
    pairs = path_of(shape, centre[0], centre[1], rx, ry)
    cl = [follow(pairs, speed, first=False, priority=0.55)]
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, sched=[(0, p) for p in spread(n, 0.0)],
                   pos=pairs[0][:2], spin=spin)


def herd(c, kind, n, lo, hi, at, radius, shape="oval", speed=25, rest="sit", fl=60, out=None, spin=False):
    """A group grazing round a point from the first second: spaced along a slow path, they
    scatter when the goo comes near and keep to themselves."""
    cx, cy = at
    pairs = path_of(shape, cx, cy, radius, radius * 0.75)
    cl = [follow(pairs, speed), flee(55 + 35 * c.d, fl)]
    cl.append(sit() if rest == "sit" else wander(30 + 20 * c.d, 180, 60))
    cl.append(keepin(60))
    if out:
        cl.append(leave(80, time=out))
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, sched=[(0, p) for p in spread(n, 0.0)],
                   pos=pairs[0][:2], spin=spin)


def patrol(c, kind, n, lo, hi, shape, at, rx, ry, speed, scatter=True, every=0.0, spin=False):
    """A troop on a path. Food troops break up when the goo comes near; hazard troops never leave it."""
    pairs = path_of(shape, at[0], at[1], rx, ry)
    if scatter:
        cl = [follow(pairs, speed), flee(speed * 1.3, 140), wander(speed * 0.8, 180, 60), keepin(speed)]
    else:
        cl = [follow(pairs, speed, first=False, priority=0.55)]
    sched = [(every * k, p) for k, p in enumerate(spread(n, 0.0))]
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, sched=sched, pos=pairs[0][:2], spin=spin)


def lane(c, kind, lo, hi, points, speed, times, closed=False, frac=None):
    """A hazard that keeps to its lane (an open path crossed at set times, then off the field, or
    a closed beat driven for ever)."""
    pairs = (smooth if len(points) > 2 else straight)(points, closed=closed)
    cl = [follow(pairs, speed, loop=closed, first=False, priority=0.55)]
    extra = [("fracdamage", frac)] if frac else []
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, extra, sched=[(t, 1e-4) for t in times], pos=points[0])


def hunter(c, kind, lo, hi, rate, live, speed, reach, period=None, sides="lrtb", out=None, keep=True,
           minperiod=None, dont=()):
    cl = [wander(speed * 0.8, 40), hunt(speed * 1.25, reach, period, dont=dont)]
    if keep:
        cl.append(keepin(speed))
    if out:
        cl.append(leave(speed, time=out))
    extra = [("maxlive", live)] + ([("minemitperiod", minperiod)] if minperiod else [])
    return emitter("side", kind, lo * c.S, hi * c.S, cl, extra, rate=rate, sides=c.sides(sides))


def swooper(c, kind, lo, hi, times, entry, speed, reach, period=None, out=None):
    """Hunters that arrive on a set entrance path (their first phase: nothing distracts them), then
    wander and hunt. entry: way points from outside the field inwards."""
    pairs = smooth(entry, closed=False)
    cl = [follow(pairs, speed * 1.4, loop=False), wander(speed * 0.8, 60),
          hunt(speed * 1.2, reach, period, firstpriority=0), keepin(speed, firstpriority=0)]
    if out:
        cl.append(leave(speed, time=out))
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
    """Still dangers (or obstacles) at chosen spots that pounce on a goo coming within reach."""
    pairs, marks = spot_path(spots)
    cl = [follow(pairs, 0, loop=False), sit(firstpriority=0.6)]
    if reach > 0:
        cl += [hunt(speed, reach, period), keepin(speed)]
    extra = [("fracdamage", frac)] if frac else []
    sched = [(0, m) for m in marks]
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, extra, sched=sched, pos=spots[0], spin=spin)


def drifter(c, kind, lo, hi, rate, live, speed, frac=0.15, sides="lrtb", keep=False, dodgegoo=False):
    """Damagers that drift through; some steer around things in their way."""
    cl = [wander(speed, 20, 20)]
    if dodgegoo:
        cl.append(dodge(speed * 1.5, ["greygoo"], 0.6))
    if keep:
        cl.append(keepin(speed))
    return emitter("side", kind, lo * c.S, hi * c.S, cl, [("maxlive", live), ("fracdamage", frac)], rate=rate,
                   sides=c.sides(sides), spin=kind in ("virion", "fork"))


def wave(c, kind, times, side, lo, hi, speed, stay=6.0, spin=False, fl=120):
    """Timed waves: visitors that come in from one side at set times and leave again."""
    cl = [wander(speed, 15, 20)]
    if fl:
        cl.append(flee(speed * 1.4, fl))
    cl.append(leave(speed * 1.3, time=stay))
    return emitter("side", kind, lo * c.S, hi * c.S, cl, sched=[(t, 0) for t in times], sides=c.sides(side),
                   spin=spin)


def school(c, kind, times, size, side, lo, hi, speed, gap=0.25, stay=10.0, fl=150):
    """Shoals: at each time a school of `size` swims in from one side together, turns tail from
    a bigger goo and leaves after a while."""
    sched = [(t + k * gap, 0) for t in times for k in range(size)]
    cl = [wander(speed, 6, 8), flee(speed * 1.3, fl, 0.2, fromall=True, dont=[(kind, "all")]),
          leave(speed * 1.2, time=stay)]
    return emitter("side", kind, lo * c.S, hi * c.S, cl, sched=sched, sides=c.sides(side, 0.5))


def specials(c, kind, lo, hi, rate, live, speed, sides="lrtb", fl=160, keep=True):
    c.specials = True
    cl = [wander(speed, 60, 60), flee(speed * 1.5, fl, 0.2)]
    if keep:
        cl.append(keepin(speed))
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


def nest(c, kind, at, times, burst, lo, hi, speed, fl=140, spin=False):
    """A nest that pours out a burst of its kind at each of the set times; they spread out
    from it and stay."""
    sched = [(t + 0.15 * k, 0) for t in times for k in range(burst)]
    cl = [wander(speed, 180, 90), flee(speed * 1.4, fl), keepin(speed)]
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, sched=sched, pos=at, spin=spin)


def nursery(c, kind, at, rate, live, lo, hi, speed, spin=False):
    """A birthplace: new ones appear at one spot all the time and drift away from it."""
    cl = [wander(speed, 180, 30), keepin(speed)]
    return emitter("spot", kind, lo * c.S, hi * c.S, cl, [("maxlive", live)], rate=rate, pos=at, spin=spin)


def chase(c, kind, times, entries, lo, hi, speed, fl=200, special=True):
    """Runaways that come in along their own entry road (the first phase: a police car's siren
    sounds), then run from a bigger goo and keep to the field. One emitter per entry."""
    out = []
    for k, entry in enumerate(entries):
        pairs = smooth(entry, closed=False)
        cl = [follow(pairs, speed * 1.3, loop=False), wander(speed, 60, 60, firstpriority=0),
              flee(speed * 1.4, fl, 0.2, firstpriority=0), keepin(speed, firstpriority=0)]
        extra = [("special", True)] if special else []
        if special:
            c.specials = True
        out += emitter("spot", kind, lo * c.S, hi * c.S, cl, extra, sched=[(t, 0) for t in times[k::len(entries)]],
                       pos=entry[0])
    return out


# ---------------------------------------------------------------------------------------------
# The worlds in play order: their levels, and the goal (times the start area) and growth rate
# of their first and last level. Each world's first level asks more than the previous world's
# first level; levels in between are interpolated unless their row says otherwise.
WORLDS = [
    ("micro", ["soil.xml", "bacteria.xml", "blood.xml", "amoeba.xml"], (6.0, 0.11), (7.0, 0.1)),
    ("bugs", ["bugs%d.xml" % i for i in range(1, 6)], (7.0, 0.095), (8.5, 0.085)),
    ("table", ["table%d.xml" % i for i in range(1, 8)], (7.5, 0.09), (9.0, 0.08)),
    ("fish", ["fish%d.xml" % i for i in range(1, 4)], (8.0, 0.085), (9.5, 0.075)),
    ("grass", ["grass%d.xml" % i for i in range(1, 7)], (8.5, 0.08), (10.0, 0.07)),
    ("city", ["city%d.xml" % i for i in range(1, 9)], (9.0, 0.075), (10.5, 0.065)),
    ("sky", ["sky%d.xml" % i for i in range(1, 8)], (9.5, 0.07), (11.0, 0.062)),
    ("space", ["space%d.xml" % i for i in range(1, 20)], (10.0, 0.065), (12.0, 0.055)),
    ("end", ["end.xml"], (None, 0.4), (None, 0.4)),
]
WORLD_OF = {f: w for w, files, _o, _c in WORLDS for f in files}
# Each world's own mechanic (taught by its first level, tested by its last).
WORLD_IDEAS = {
    "micro": "the rules of the game, one a level (eat smaller, bigger hurts, bigger eats you, smaller flees), "
             "on a current that carries food past",
    "bugs": "trails: columns of insects marching along paths; spiders on threads, beetles that spit",
    "table": "a laid table: food lying still where it was put, cutlery and cups in the way",
    "fish": "schools: shoals that cross the tank at set times; a pike in the weed",
    "grass": "things leave: seeds blow away, frogs hop off; the owl swoops down",
    "city": "traffic: cars, buses and police on their roads; tame pigeons",
    "sky": "updrafts and lanes: balloons rise and float off the top, planes keep to their lanes",
    "space": "gravity and energy: orbits, black holes, sparks of energy to collect, lean fields",
    "end": "the last of everything, to be eaten up",
}


def world_curve(file):
    """(goal multiple, growth rate) interpolated from the world's first to its last level."""
    for w, files, (k0, g0), (k1, g1) in WORLDS:
        if file in files:
            t = files.index(file) / float(max(1, len(files) - 1))
            k = None if k0 is None else round(k0 + (k1 - k0) * t, 2)
            return k, round(g0 + (g1 - g0) * t, 4)
    return 40.0, 0.087  # endurance


# ---------------------------------------------------------------------------------------------
# The design table. Columns: file, idea (one line: what the player learns or must do), field
# (w, h), goo (x, y, start area), goal, cast; then, where they differ from the defaults:
# goal "size" takes its multiple from the world's curve unless given; "all" = eat everything
# (only scheduled emitters); ("specials", n) = eat n special things. growth: the world's curve
# unless given. check: the nothing-smaller failure is armed. layers: "d" a detail layer under
# the entities, "p" props over them. food: the fewest edible things that may be on screen in
# the first 30 s (six unless scarcity is the idea). anim: the animated water ground.

def L(file, idea, field, goo, goal, cast, growth=None, check=False, layers="dp", food=6, anim=False):
    k, g = world_curve(file)
    if goal == "size":
        goal = ("size", k)
    elif goal == "all":
        goal = ("all",)
    return dict(file=file, idea=idea, field=field, goo=goo, growth=growth or g, goal=goal, cast=cast,
                check=check, layers=layers, food=food, anim=anim, world=WORLD_OF.get(file, "endurance"))


LEVELS = [
    # --- Microscopic: the rules of the game, one a level, on a current ---------------------------
    L("soil.xml", "Eat anything smaller than you and grow: dust seeps down through the soil; nothing here hurts",
      (1400, 1000), (0, 100, 1500), "size", lambda c: (
          snacks(c, "dustmote")
          + stream(c, "dustmote", *lad(c, 0.1, 8.0), rate=1.5, live=20, speed=30, side="t", spin=True,
                   ratetimed=2.0)
          + sprinkle(c, "pollen", 10, *lad(c, 0.35), speed=15, rows=2)
          + sprinkle(c, "clay", 6, *lad(c, 0.8), rest="sit", rows=2, spin=True))),
    L("bacteria.xml", "Bigger things hurt: viruses ride the current with the food; grow before you touch one",
      (1600, 1200), (-350, 0, 1750), "size", lambda c: (
          snacks(c, "coccus")
          + stream(c, "rodbacterium", *lad(c, 0.4), rate=1.5, live=16, speed=45, side="l", ratetimed=2.0)
          + drifter(c, "virion", 1.6, 3.2, 0.3, 4, 35, sides="l", frac=0.12)
          + swarm(c, "pollen", *lad(c, 0.75), rate=0.5, live=6, speed=35, sides="tb", fl=0, spin=True))),
    L("blood.xml", "Bigger things eat you: the bloodstream carries red cells past, white cells swim up it to hunt",
      (2000, 1100), (-500, 0, 2000), "size", lambda c: (
          snacks(c, "platelet", speed=20)
          + stream(c, "redcell", *lad(c, 0.3), rate=2.2, live=24, speed=75, side="l", spin=True, ratetimed=2.9)
          + stream(c, "coccus", *lad(c, 0.8), rate=0.6, live=6, speed=55, side="l")
          + hunter(c, "whitecell", 2.5, 5.5, 0.12, 2, 45, 260, period=0.8, sides="r"))),
    L("amoeba.xml", "Smaller things flee: diatoms dart from anything bigger; corner them against the pond's edge",
      (1700, 1300), (300, -200, 1900), "size", lambda c: (
          snacks(c, "diatom", speed=20, fl=110)
          + swarm(c, "diatom", *lad(c, 0.25), rate=1.2, live=14, speed=45, fl=140, fromall=True,
                  dont=[("diatom", "all")])
          + swarm(c, "amoeba", *lad(c, 0.55), rate=0.8, live=8, speed=40, sides="lb", fl=150, avoid=["paramecium"])
          + hunter(c, "paramecium", 2.2, 6.0, 0.15, 2, 55, 300, period=0.5, sides="rt"))),
    # --- Bugs: trails ---------------------------------------------------------------------------
    L("bugs1.xml", "Follow the ant trail: a column of ants winds across the ground; walk along it and eat",
      (1800, 1350), (0, 350, 2100), "size", lambda c: (
          snacks(c, "mite")
          + trail(c, "ant", [(-960, -300), (-500, -450), (-100, -150), (300, -350), (700, -100), (960, -250)],
                  40, 1.0, 0.25, 0.7, 55, prefill=14)
          + swarm(c, "fly", *lad(c, 0.7), rate=0.6, live=6, speed=80, sides="tb", fl=180, out=14))),
    L("bugs2.xml", "Spiders drop in from the corners on their threads at set times, then hunt: watch the corners",
      (2000, 1500), (-400, 0, 2100), "size", lambda c: (
          snacks(c, "mite")
          + trail(c, "ant", oval(0, 0, 750, 520, 8), 24, 1.5, *lad(c, 0.3), speed=45, closed=True, prefill=14)
          + swarm(c, "fly", *lad(c, 0.7), rate=0.6, live=6, speed=85, sides="lr", fl=170)
          + swooper(c, "spider", 2.0, 5.0, [9, 24], [(1050, -800), (700, -400), (350, -150)], 60, 280, 0.4)
          + swooper(c, "spider", 2.5, 5.5, [16, 32], [(1050, 800), (650, 450), (200, 300)], 60, 280, 0.4))),
    L("bugs3.xml", "Beetles spit from a distance: keep moving while you eat your way through the mite colony",
      (2000, 1500), (0, 0, 2250), "size", lambda c: (
          snacks(c, "ant", speed=15)
          + patrol(c, "mite", 18, *lad(c, 0.3), shape="clover", at=(0, 0), rx=650, ry=500, speed=50)
          + swarm(c, "fly", *lad(c, 0.7), rate=0.6, live=6, speed=90, sides="tb", fl=190)
          + shooter(c, "beetle", "spit", 2.0, 5.5, 0.14, 2, 50, 380, 2.6, 0.4, "lr"))),
    L("bugs4.xml", "The crossing: two ant trails cross in the middle, where a spider lies in ambush",
      (2000, 1500), (-600, 400, 2200), "size", lambda c: (
          snacks(c, "mite")
          + trail(c, "ant", [(-1060, -120), (-500, 80), (0, -30), (500, 100), (1060, -60)], 40, 1.0,
                  *lad(c, 0.3), speed=60, prefill=12)
          + trail(c, "ant", [(60, -810), (-80, -400), (30, 0), (-60, 400), (80, 810)], 40, 1.2,
                  *lad(c, 0.45), speed=50, prefill=10)
          + lurker(c, "spider", [(0, 0)], 3.0, 4.0, 260, 80, period=0.3)
          + swarm(c, "fly", *lad(c, 0.75), rate=0.7, live=7, speed=95, sides="rt", fl=190, avoid=["spider"])
          + shooter(c, "beetle", "spit", 2.2, 6.0, 0.1, 1, 50, 400, 3.0, 0.4, "b"))),
    L("bugs5.xml", "The nest: ants pour out of the nest in waves while spiders circle it and beetles spit",
      (2200, 1600), (-700, 450, 2300), "size", lambda c: (
          snacks(c, "mite")
          + nest(c, "ant", (250, -150), [0, 8, 16, 24, 32, 40, 48], 10, *lad(c, 0.35), speed=45)
          + patrol(c, "spider", 3, 3.0, 5.0, "oval", (250, -150), 380, 280, 90, scatter=False, every=1.2)
          + shooter(c, "beetle", "spit", 2.2, 6.5, 0.12, 3, 60, 420, 2.0, 0.25, "tb")
          + swarm(c, "fly", *lad(c, 0.7), rate=0.7, live=7, speed=100, sides="lr", fl=190, out=14))),
    # --- Tabletop: a laid table ------------------------------------------------------------------
    L("table1.xml", "A laid table: crumbs and peas lie still where they fell; sweep them up and slide round the cups",
      (1800, 1300), (0, 0, 2400), "size", lambda c: (
          snacks(c, "crumb")
          + placed(c, "pea", [(x, y) for y in (-380, 0, 380) for x in (-600, -200, 200, 600)], *lad(c, 0.35),
                   spin=True)
          + lurker(c, "teacup", [(-420, -200), (420, 200), (0, 420)], 2.6, 3.4, 0, 0)
          + swarm(c, "grape", *lad(c, 0.7), rate=0.6, live=7, speed=35, fl=0, spin=True))),
    L("table2.xml", "Peas roll: they roll across the table in lines and off the far edge; catch them on the way",
      (2000, 1400), (-600, 300, 2350), "size", lambda c: (
          snacks(c, "crumb")
          + stream(c, "pea", *lad(c, 0.3), rate=2.0, live=22, speed=90, side="l", span=0.8, spin=True)
          + wave(c, "grape", [3, 3.5, 4, 14, 14.5, 15, 25, 25.5, 26, 36, 36.5, 37, 47, 47.5, 48], "t", *lad(c, 0.6),
                 speed=70, stay=20, spin=True, fl=150)
          + placed(c, "cookie", [(500, -350), (-300, -400), (650, 380)], *lad(c, 0.85), spin=True))),
    L("table3.xml", "Forks lie still and sting: eat the crumbs scattered round them without touching a tine",
      (2000, 1500), (0, -450, 2300), "size", lambda c: (
          snacks(c, "crumb")
          + lurker(c, "fork", [(-550, -150), (550, -150), (-300, 350), (350, 380)], 2.8, 3.6, 0, 0, frac=0.15,
                   spin=True)
          + placed(c, "pea", [(-550 + 170 * math.cos(a), -150 + 130 * math.sin(a)) for a in range(0, 6)]
                   + [(550 + 170 * math.cos(a), -150 + 130 * math.sin(a)) for a in range(0, 6)], *lad(c, 0.3),
                   spin=True)
          + swarm(c, "grape", *lad(c, 0.6), rate=0.8, live=8, speed=55, sides="lrb", fl=170, spin=True,
                  fromall=True, dont=[("grape", "all"), ("pea", "all"), ("crumb", "all")]))),
    L("table4.xml", "Clear the table: everything is laid out at the start and nothing more comes; eat it all",
      (1800, 1300), (-500, -300, 2150), "all", lambda c: (
          placed(c, "crumb", [(-300, -250), (-250, -420), (-650, -150), (-700, -450), (-420, -100),
                              (-150, -380), (-100, 100), (-550, 250)], 0.35, 0.7, spin=True)
          + placed(c, "pea", [(0, 0), (200, -300), (-250, 200), (400, 100), (150, 350)], 0.8, 1.3, spin=True)
          + placed(c, "grape", [(500, 400), (-500, 450), (650, -400)], 1.5, 2.2, spin=True)
          + placed(c, "cookie", [(100, 450), (700, 150)], 2.4, 3.0, spin=True)),
      growth=0.4, food=0),
    L("table5.xml", "Grapes hide behind the teacups: chase them round the cups, and slide along the cups yourself",
      (2200, 1600), (300, 300, 2600), "size", lambda c: (
          snacks(c, "crumb")
          + lurker(c, "teacup", [(-700, -450), (-150, -300), (450, -450), (-600, 350), (0, 150), (700, 300)],
                   2.8, 3.6, 0, 0)
          + swarm(c, "grape", *lad(c, 0.45), rate=1.0, live=10, speed=60, fl=200, spin=True, avoid=["teacup"])
          + sprinkle(c, "pea", 16, *lad(c, 0.25), speed=25, fl=120, spin=True))),
    L("table6.xml", "The cutlery drawer: rows of forks sweep across the table at set times; wait for the gaps",
      (2200, 1500), (-850, 0, 2500), "size", lambda c: (
          snacks(c, "crumb")
          + lane(c, "fork", 3.0, 4.0, [(-1150, -350), (1150, -350)], 160, [5, 17, 29, 41, 53, 65], frac=0.15)
          + lane(c, "fork", 3.0, 4.0, [(-1150, 300), (1150, 300)], 160, [11, 23, 35, 47, 59, 71], frac=0.15)
          + swarm(c, "grape", *lad(c, 0.45), rate=0.9, live=9, speed=60, sides="rb", fl=170, spin=True)
          + swarm(c, "cookie", *lad(c, 0.8), rate=0.4, live=4, speed=50, sides="lr", fl=190, spin=True))),
    L("table7.xml", "The banquet: forks circle the cookie plate, teacups to finish on; everything at once",
      (2400, 1700), (0, 550, 2600), "size", lambda c: (
          snacks(c, "crumb")
          + placed(c, "cookie", [(-120, -180), (120, -180), (0, -40), (-140, 60), (140, 60)], *lad(c, 0.6), spin=True)
          + patrol(c, "fork", 3, 3.0, 5.0, "box", (0, -60), 330, 260, 120, scatter=False, every=1.5)
          + stream(c, "pea", *lad(c, 0.25), rate=1.2, live=12, speed=80, side="r", spin=True)
          + swarm(c, "grape", *lad(c, 0.45), rate=0.8, live=8, speed=65, sides="lr", fl=180, spin=True)
          + swarm(c, "teacup", *lad(c, 0.9), rate=0.3, live=3, speed=40, sides="lr", fl=0))),
    # --- Fish tank: schools -----------------------------------------------------------------------
    L("fish1.xml", "Schools swim past: shoals of shrimps cross the tank at set times; catch them as they go",
      (2000, 1500), (-300, -200, 2500), "size", lambda c: (
          snacks(c, "shrimp", speed=20)
          + school(c, "shrimp", [2, 9, 16, 23, 30, 37, 44, 51, 58], 8, "l", *lad(c, 0.3), speed=80)
          + swarm(c, "minnow", *lad(c, 0.7), rate=0.7, live=7, speed=75, sides="lr", fl=180, variance=15)
          + drifter(c, "jellyfish", 1.8, 4.0, 0.2, 3, 25, sides="t", frac=0.12)), anim=True),
    L("fish2.xml", "The pike lurks in the weed and strikes: minnows steer clear of it, and so should you",
      (2200, 1600), (600, 300, 2500), "size", lambda c: (
          snacks(c, "shrimp", speed=20)
          + lurker(c, "pike", [(-700, -400), (-600, 450)], 3.0, 5.0, 320, 140, period=0.3)
          + swarm(c, "minnow", *lad(c, 0.45), rate=1.0, live=10, speed=80, sides="lr", fl=170, avoid=["pike"])
          + school(c, "shrimp", [4, 14, 24, 34, 44, 54], 7, "r", *lad(c, 0.3), speed=85)), anim=True),
    L("fish3.xml", "Feeding frenzy: schools from both sides, jellyfish drifting down, pikes hunting in the open",
      (2400, 1700), (0, 0, 2600), "size", lambda c: (
          snacks(c, "shrimp", speed=20)
          + school(c, "shrimp", [3, 12, 21, 30, 39, 48, 57], 7, "l", *lad(c, 0.2), speed=110)
          + school(c, "minnow", [7, 16, 25, 34, 43, 52, 61], 6, "r", *lad(c, 0.45), speed=110)
          + drifter(c, "jellyfish", 2.0, 5.0, 0.2, 3, 35, sides="t", frac=0.15, dodgegoo=True)
          + hunter(c, "pike", 2.5, 7.5, 0.12, 2, 80, 360, 0.25, "lr")), anim=True),
    # --- The lawn: things leave ---------------------------------------------------------------------
    L("grass1.xml", "Seeds blow away: they lie in the grass only a short while before the wind takes them",
      (2000, 1500), (0, 300, 2600), "size", lambda c: (
          snacks(c, "seed", speed=10, out=12)
          + stream(c, "seed", *lad(c, 0.3), rate=1.5, live=16, speed=70, side="l")
          + swarm(c, "snail", *lad(c, 0.5), rate=0.8, live=9, speed=25, fl=0)
          + swarm(c, "frog", *lad(c, 0.8), rate=0.5, live=5, speed=60, sides="b", fl=200, out=12))),
    L("grass2.xml", "The owl swoops in from the sky twice: be big enough, or far away, when it comes",
      (2200, 1600), (-500, -300, 2600), "size", lambda c: (
          snacks(c, "seed")
          + swarm(c, "snail", *lad(c, 0.35), rate=1.0, live=10, speed=30, sides="lrb", fl=0)
          + swarm(c, "mouse", *lad(c, 0.7), rate=0.6, live=6, speed=90, sides="rt", fl=210, out=15)
          + swooper(c, "owl", 2.5, 5.5, [12, 30], [(1200, -900), (600, -450), (0, -150)], 80, 340, 0.3, out=14))),
    L("grass3.xml", "A tidy patch: eat every last thing on it, down to the slowest snail",
      (1700, 1250), (450, 250, 2250), "all", lambda c: (
          scatter_food(c, "seed", [(250, 300), (600, 50), (300, 450), (650, 420), (150, 100), (-50, 450)], 0.3, 0.7)
          + scatter_food(c, "snail", [(-200, 300), (-500, -100), (100, -350), (-600, 400)], 0.75, 1.2, speed=12)
          + scatter_food(c, "frog", [(-400, -400), (500, -400), (-100, 0)], 1.4, 2.3)),
      growth=0.42, food=0),
    L("grass4.xml", "Mice dart round the hedge on a fast run: cut them off as they pass",
      (2200, 1500), (-700, 350, 2700), "size", lambda c: (
          snacks(c, "seed")
          + patrol(c, "mouse", 8, *lad(c, 0.6), shape="wave", at=(100, -100), rx=850, ry=520, speed=150)
          + swarm(c, "frog", *lad(c, 0.45), rate=0.8, live=8, speed=75, sides="lr", fl=190, avoid=["owl"])
          + hunter(c, "owl", 2.5, 6.5, 0.1, 1, 70, 320, 0.35, "t", out=25))),
    L("grass5.xml", "A dry spell: the seeds blow off and the snails start bigger than you; eat fast or starve",
      (2200, 1600), (0, 0, 2800), ("size", 7.5), lambda c: (
          herd(c, "seed", 26, 0.3, 0.9, (0, 0), 360, "star", 18, out=22)
          + swarm(c, "snail", 1.05, 2.6, 1.0, 10, 35, fl=0)
          + swarm(c, "frog", *lad(c, 0.55), rate=0.7, live=7, speed=80, sides="lr", fl=190)
          + swooper(c, "owl", 2.5, 6.0, [14, 34], [(-1200, -900), (-700, -400), (-200, -250)], 90, 360, 0.25)),
      check=True, food=0),
    L("grass6.xml", "Dusk: two owls hunt the lawn while the frogs hop off from them and from you",
      (2400, 1700), (800, -450, 2800), "size", lambda c: (
          snacks(c, "seed")
          + swarm(c, "frog", *lad(c, 0.4), rate=1.0, live=10, speed=85, sides="lb", fl=200, avoid=["owl"], out=16)
          + swarm(c, "mouse", *lad(c, 0.7), rate=0.6, live=6, speed=120, sides="rt", fl=230, period=0.2)
          + stream(c, "snail", *lad(c, 0.25), rate=0.8, live=10, speed=25, side="t")
          + hunter(c, "owl", 2.5, 7.5, 0.15, 2, 85, 380, 0.2, "lrt", minperiod=8))),
    # --- The city: traffic --------------------------------------------------------------------------
    L("city1.xml", "Pigeons come to be fed: they walk right up to a goo bigger than they are",
      (2000, 1500), (0, 0, 2800), "size", lambda c: (
          snacks(c, "pigeon")
          + tame(c, "pigeon", *lad(c, 0.2), rate=1.5, live=16, speed=50, reach=380)
          + swarm(c, "dog", *lad(c, 0.5), rate=0.7, live=7, speed=60, sides="lr", fl=170, fromall=True,
                  dont=[("dog", "all"), ("pigeon", "all")])
          + stream(c, "bicycle", *lad(c, 0.85), rate=0.4, live=4, speed=110, side="l"))),
    L("city2.xml", "The ring road: cars lap the block and never swerve; step into the traffic once you are big",
      (2400, 1600), (-700, -250, 2800), "size", lambda c: (
          snacks(c, "pigeon")
          + orbit(c, "car", 8, (0, 0), 820, 480, 140, *lad(c, 0.7), shape="box")
          + swarm(c, "dog", *lad(c, 0.35), rate=0.9, live=9, speed=65, sides="lt", fl=170)
          + hunter(c, "bus", 2.5, 5.5, 0.1, 1, 70, 280, 0.6, "lr", out=20))),
    L("city3.xml", "Catch the police: five police cars race in with their sirens on and run from you; eat them",
      (2400, 1700), (500, 450, 2900), ("specials", 5), lambda c: (
          snacks(c, "pigeon")
          + chase(c, "policecar", [3, 10, 17, 24, 31, 38, 45, 52, 59, 66],
                  [[(-1300, -500), (-700, -300), (-300, -100)], [(1300, -650), (700, -350), (200, -250)]],
                  0.5, 1.1, 110)
          + swarm(c, "dog", *lad(c, 0.3), rate=1.0, live=10, speed=70, fl=170)
          + hunter(c, "bus", 2.5, 6.0, 0.1, 1, 75, 300, 0.5, "tb"))),
    L("city4.xml", "Rush hour: waves of cars pour in from the left and leave on the right; houses to finish on",
      (2600, 1500), (-900, 0, 2900), "size", lambda c: (
          snacks(c, "pigeon")
          + wave(c, "car", [4, 4.6, 5.2, 5.8, 6.4, 16, 16.6, 17.2, 17.8, 28, 28.6, 29.2, 29.8, 40, 40.6, 41.2,
                            52, 52.6, 53.2], "l", *lad(c, 0.6), speed=150, stay=9, fl=0)
          + tame(c, "dog", *lad(c, 0.3), rate=0.9, live=9, speed=60, reach=300, sides="tb")
          + lurker(c, "house", [(300, -400), (900, 350), (-300, 420)], *lad(c, 0.95), reach=0, speed=0)
          + hunter(c, "bus", 2.5, 6.5, 0.12, 2, 80, 300, 0.4, "r"))),
    L("city5.xml", "Buses stop for nobody: two buses drive their beat; bicycles dodge them, and so should you",
      (2400, 1700), (0, -500, 3000), "size", lambda c: (
          snacks(c, "pigeon")
          + lane(c, "bus", 3.0, 6.0, [(-900, -200), (-300, 300), (300, -250), (900, 250), (300, 500), (-300, -450)],
                 130, [0, 6], closed=True)
          + swarm(c, "bicycle", *lad(c, 0.45), rate=0.9, live=9, speed=100, sides="lr", fl=190, avoid=["bus"])
          + swarm(c, "dog", *lad(c, 0.25), rate=1.0, live=10, speed=70, sides="tb", fl=170))),
    L("city6.xml", "Walkies: dogs are walked round the park on their paths and slip the lead when you come near",
      (2400, 1700), (800, 500, 3000), "size", lambda c: (
          snacks(c, "pigeon")
          + patrol(c, "dog", 12, *lad(c, 0.35), shape="clover", at=(-150, -100), rx=800, ry=550, speed=70)
          + stream(c, "bicycle", *lad(c, 0.55), rate=0.7, live=7, speed=110, side="r")
          + swarm(c, "car", *lad(c, 0.8), rate=0.4, live=4, speed=120, sides="tb", fl=0, out=14)
          + hunter(c, "bus", 2.5, 6.5, 0.12, 1, 80, 300, 0.4, "lr"))),
    L("city7.xml", "The old town: houses stand still while buses hunt the streets and police race through; eat the houses last",
      (2500, 1700), (-900, -600, 3100), "size", lambda c: (
          snacks(c, "pigeon")
          + placed(c, "house", [(0, 0), (700, -500), (-600, 600), (900, 600), (-200, -650)], *lad(c, 0.85))
          + tame(c, "dog", *lad(c, 0.3), rate=1.0, live=10, speed=70, reach=300)
          + swarm(c, "policecar", *lad(c, 0.5), rate=0.7, live=7, speed=130, sides="lr", fl=0, out=14)
          + hunter(c, "bus", 2.5, 7.5, 0.15, 2, 90, 340, 0.25))),
    L("city8.xml", "The whole city: the ring road busy, police on the run, buses hunting every street",
      (2600, 1750), (0, 700, 3200), "size", lambda c: (
          snacks(c, "pigeon")
          + orbit(c, "car", 10, (0, -100), 1050, 620, 150, *lad(c, 0.55), shape="box")
          + swarm(c, "policecar", *lad(c, 0.7), rate=0.5, live=5, speed=120, sides="tb", fl=230, period=0.2)
          + swarm(c, "bicycle", *lad(c, 0.35), rate=0.8, live=8, speed=110, sides="lr", fl=200, avoid=["bus"])
          + hunter(c, "bus", 3.0, 8.0, 0.15, 3, 95, 360, 0.2, minperiod=5))),
    # --- The sky: lanes and updrafts --------------------------------------------------------------
    L("sky1.xml", "Updraft: balloons rise from below and float off the top; catch them on the way up",
      (1500, 2100), (0, 400, 3100), "size", lambda c: (
          snacks(c, "balloon")
          + stream(c, "balloon", *lad(c, 0.25), rate=2.0, live=22, speed=55, side="b", variance=10)
          + swarm(c, "bird", *lad(c, 0.5), rate=0.8, live=8, speed=90, sides="lr", fl=180)
          + wave(c, "cloud", [8, 20, 32, 44, 56, 68], "l", *lad(c, 0.85), speed=35, stay=25, fl=0))),
    L("sky2.xml", "Aeroplanes keep to their lanes: they cross the sky on straight lines at set times; slip between",
      (1700, 2300), (-400, 600, 3100), "size", lambda c: (
          snacks(c, "balloon", density=1.15)
          + lane(c, "plane", 3.0, 5.0, [(-1000, -500), (1000, -500)], 220, [6, 20, 34, 48, 62, 76])
          + lane(c, "plane", 3.0, 5.0, [(1000, 150), (-1000, 150)], 220, [13, 27, 41, 55, 69, 83])
          + stream(c, "bird", *lad(c, 0.4), rate=1.0, live=10, speed=80, side="r")
          + swarm(c, "cloud", *lad(c, 0.75), rate=0.4, live=5, speed=35, sides="lr", fl=0))),
    L("sky3.xml", "Helicopters hover and dodge the planes; the planes hunt anything smaller, you included",
      (1800, 2300), (500, 0, 3200), "size", lambda c: (
          snacks(c, "balloon")
          + swarm(c, "helicopter", *lad(c, 0.6), rate=0.6, live=6, speed=70, sides="t", fl=200, avoid=["plane"])
          + stream(c, "bird", *lad(c, 0.3), rate=1.2, live=12, speed=90, side="l")
          + hunter(c, "plane", 2.5, 6.0, 0.12, 2, 100, 320, 0.4, "lr"))),
    L("sky4.xml", "The storm front: clouds roll in from the right in waves and the birds scatter before them",
      (1900, 2400), (0, -700, 3200), "size", lambda c: (
          snacks(c, "balloon")
          + wave(c, "cloud", [5, 5.8, 6.6, 7.4, 19, 19.8, 20.6, 33, 33.8, 34.6, 47, 47.8, 48.6], "r",
                 *lad(c, 0.55), speed=70, stay=12, fl=0)
          + swarm(c, "bird", *lad(c, 0.3), rate=1.0, live=10, speed=95, fl=180, fromall=True,
                  dont=[("bird", "all"), ("balloon", "all")])
          + swooper(c, "plane", 2.5, 6.5, [12, 28], [(-1100, -1300), (-500, -800), (100, -500)], 110, 340, 0.3))),
    L("sky5.xml", "Balloons burst on aeroplanes: planes dive through the updraft; eat the balloons before they pop",
      (1800, 2500), (-300, 800, 3300), "size", lambda c: (
          snacks(c, "bird", speed=30)
          + stream(c, "balloon", *lad(c, 0.2, 10.0), rate=2.2, live=24, speed=50, side="b", variance=10)
          + herd(c, "bird", 12, *lad(c, 0.35), at=(200, -300), radius=420, shape="oval", speed=60)
          + swooper(c, "plane", 3.0, 6.0, [6, 22, 38], [(1150, -1000), (600, -500), (100, -300)], 110, 360, 0.3,
                    out=12))),
    L("sky6.xml", "Airships coast on their own momentum and cannot swerve: get in their way once you are big",
      (2000, 2200), (700, 700, 3300), "size", lambda c: (
          snacks(c, "balloon")
          + swarm(c, "airship", *lad(c, 0.6), rate=0.7, live=7, speed=45, fl=0, spin=False)
          + stream(c, "bird", *lad(c, 0.3), rate=1.0, live=10, speed=85, side="r")
          + tame(c, "helicopter", *lad(c, 0.45), rate=0.5, live=5, speed=70, reach=350, sides="t")
          + hunter(c, "plane", 3.0, 6.5, 0.1, 1, 100, 330, 0.3, "lr"))),
    L("sky7.xml", "Every lane busy: updrafts below, storm clouds rolling, planes in their lanes and on the hunt",
      (2000, 2300), (0, 0, 3400), "size", lambda c: (
          snacks(c, "balloon")
          + stream(c, "balloon", *lad(c, 0.2), rate=1.2, live=12, speed=55, side="b")
          + wave(c, "cloud", [6, 7, 8, 22, 23, 24, 38, 39, 40, 54, 55, 56], "l", *lad(c, 0.45), speed=60, stay=14)
          + swarm(c, "helicopter", *lad(c, 0.65), rate=0.6, live=6, speed=95, sides="t", fl=160)
          + lane(c, "plane", 3.0, 7.0, [(1150, -700), (-1150, -700)], 240, [9, 25, 41, 57, 73])
          + hunter(c, "plane", 3.0, 8.0, 0.12, 2, 110, 380, 0.2, minperiod=6))),
]

LEVELS += [
    # --- Outer space: gravity and energy --------------------------------------------------------
    L("space1.xml", "Orbits: satellites and rocks circle the planet in rings; cut across the rings to eat them",
      (2200, 1700), (0, 0, 3400), "size", lambda c: (
          snacks(c, "satellite")
          + orbit(c, "satellite", 14, (0, 0), 380, 300, 70, *lad(c, 0.3))
          + orbit(c, "asteroid", 18, (0, 0), 780, 600, 55, *lad(c, 0.5), spin=True)
          + swarm(c, "moon", *lad(c, 0.75), rate=0.5, live=5, speed=35, fl=0, spin=True))),
    L("space2.xml", "The asteroid belt: a band of tumbling rocks streams across the field; comets cut through it",
      (2300, 1750), (-600, 400, 3400), "size", lambda c: (
          snacks(c, "satellite")
          + stream(c, "asteroid", *lad(c, 0.25, 9.0), rate=2.5, live=30, speed=45, side="l", span=0.45, spin=True)
          + wave(c, "comet", [6, 7, 18, 19, 30, 31, 42, 43, 54, 55, 66, 67], "t", 2.0, 4.5, speed=170, stay=6,
                 fl=0))),
    L("space3.xml", "Spark hunt: eat six sparks of energy; they dart away from you",
      (2300, 1800), (0, -500, 3500), ("specials", 6), lambda c: (
          snacks(c, "asteroid")
          + specials(c, "energy1", 0.4, 1.2, 0.35, 3, 70)
          + swarm(c, "moon", *lad(c, 0.4), rate=0.8, live=8, speed=40, fl=0, spin=True)
          + drifter(c, "comet", 2.0, 5.0, 0.15, 2, 130, sides="lr", frac=0.12))),
    L("space4.xml", "A black hole sits still and swallows what comes near: feed round its edge",
      (2400, 1800), (700, 500, 3500), "size", lambda c: (
          snacks(c, "satellite")
          + lurker(c, "blackhole", [(-150, -100)], 3.0, 4.0, 300, 40, period=0.6, spin=True)
          + stream(c, "moon", *lad(c, 0.4), rate=1.0, live=10, speed=40, side="t", spin=True)
          + swarm(c, "planet", *lad(c, 0.8), rate=0.4, live=4, speed=30, sides="lr", fl=0, spin=True,
                  avoid=["blackhole"]))),
    L("space5.xml", "Lean space: the moons drift off and the planets start bigger than you; eat fast or starve",
      (2400, 1800), (-700, -500, 3600), ("size", 8.0), lambda c: (
          herd(c, "moon", 26, 0.3, 0.9, (-700, -500), 360, "diamond", 20, out=28, spin=True)
          + swarm(c, "planet", 1.05, 2.4, 1.0, 10, 40, fl=0, spin=True)
          + swarm(c, "ringedplanet", *lad(c, 0.75), rate=0.4, live=4, speed=35, sides="rb", fl=0, keep=False)
          + drifter(c, "comet", 2.0, 5.0, 0.18, 2, 140, sides="lrt", frac=0.12, dodgegoo=True)),
      check=True, food=0),
    L("space6.xml", "Comets fall into black holes: the hole hunts you, and any comet it meets is gone",
      (2500, 1900), (0, 0, 3600), "size", lambda c: (
          snacks(c, "moon")
          + drifter(c, "comet", 2.0, 4.5, 0.5, 6, 110, frac=0.12)
          + swarm(c, "planet", *lad(c, 0.35), rate=0.9, live=9, speed=45, sides="lr", fl=160, spin=True)
          + wave(c, "ringedplanet", [8, 9, 10, 24, 25, 26, 40, 41, 42], "t", *lad(c, 0.7), speed=60, stay=14)
          + hunter(c, "blackhole", 2.5, 6.0, 0.1, 1, 45, 300, 0.6, "b"))),
    L("space7.xml", "Visitors: ringed planets pass at set times while seven bolts of energy are to be caught",
      (2500, 1900), (600, -600, 3700), ("specials", 7), lambda c: (
          snacks(c, "moon")
          + wave(c, "ringedplanet", [6, 7, 8, 20, 21, 22, 34, 35, 36, 48, 49, 50], "r", *lad(c, 0.4), speed=55,
                 stay=12)
          + specials(c, "energy2", 0.4, 1.3, 0.35, 3, 80, "tb")
          + lurker(c, "blackhole", [(-800, 500)], 3.0, 4.0, 320, 50, period=0.5, spin=True))),
    L("space8.xml", "Twin suns: planets orbit two stars on a figure of eight, comets swing through; the stars are the prize",
      (2500, 1800), (-900, 0, 3700), "size", lambda c: (
          snacks(c, "moon")
          + orbit(c, "planet", 14, (0, 0), 850, 520, 80, *lad(c, 0.35), spin=True, shape="eight")
          + placed(c, "star", [(-430, 0), (430, 0)], *lad(c, 0.9), spin=True)
          + swarm(c, "ringedplanet", *lad(c, 0.55), rate=0.6, live=6, speed=50, sides="tb", fl=170)
          + wave(c, "comet", [10, 11, 30, 31, 50, 51, 70], "l", 2.5, 6.0, speed=180, stay=8, fl=0))),
    L("space9.xml", "The black hole comes along its path at set times, then hunts: be big before it arrives",
      (2500, 1800), (0, 600, 3800), "size", lambda c: (
          snacks(c, "moon")
          + orbit(c, "planet", 16, (0, 0), 800, 560, 60, *lad(c, 0.3), spin=True)
          + stream(c, "star", *lad(c, 0.5), rate=0.8, live=8, speed=40, side="t", spin=True)
          + swooper(c, "blackhole", 2.5, 6.5, [12, 30, 48], [(-1400, -1000), (-800, -500), (-300, -300)], 60, 330,
                    0.4))),
    L("space10.xml", "The solar system: moons and planets in their rings round the sun, a black hole on the prowl",
      (2500, 1850), (800, 600, 3800), "size", lambda c: (
          snacks(c, "moon")
          + orbit(c, "moon", 12, (0, 0), 420, 320, 70, *lad(c, 0.25), spin=True)
          + orbit(c, "planet", 16, (0, 0), 880, 660, 55, *lad(c, 0.45), spin=True)
          + placed(c, "star", [(0, 0)], *lad(c, 0.95), spin=True)
          + hunter(c, "blackhole", 2.5, 7.0, 0.12, 2, 55, 340, 0.4, "lr")
          + drifter(c, "comet", 2.2, 5.5, 0.2, 3, 170, sides="tb", frac=0.15, dodgegoo=True))),
    L("space11.xml", "Sparks in the galaxy: eight sparks of energy to catch while a black hole keeps its beat",
      (2500, 1900), (-700, -500, 3900), ("specials", 8), lambda c: (
          snacks(c, "star")
          + specials(c, "energy1", 0.4, 1.3, 0.4, 3, 90, "lr")
          + lane(c, "blackhole", 3.0, 4.5, [(-700, 0), (0, -550), (700, 0), (0, 550)], 90, [0], closed=True)
          + stream(c, "nebula", *lad(c, 0.4), rate=0.7, live=7, speed=40, side="r"))),
    L("space12.xml", "Nebula drift: a slow current of nebulae, galaxies passing in waves, two black holes in wait",
      (2500, 1850), (0, 0, 3900), "size", lambda c: (
          snacks(c, "star")
          + stream(c, "nebula", *lad(c, 0.3), rate=1.6, live=18, speed=35, side="l")
          + wave(c, "galaxy", [7, 7.7, 8.4, 22, 22.7, 23.4, 37, 37.7, 38.4, 52, 52.7], "b", *lad(c, 0.65),
                 speed=60, stay=14, spin=True)
          + lurker(c, "blackhole", [(-900, -600), (900, 600)], 3.0, 4.5, 330, 55, period=0.4, spin=True)
          + drifter(c, "comet", 2.2, 6.0, 0.2, 3, 180, sides="tb", frac=0.15))),
    L("space13.xml", "The wall: black holes patrol a line across space; slip through the gaps between them",
      (2500, 1850), (900, -650, 4000), "size", lambda c: (
          snacks(c, "star")
          + lane(c, "blackhole", 3.0, 5.0, [(-1000, -300), (1000, 300)], 120, [0, 6, 12], closed=True)
          + swarm(c, "galaxy", *lad(c, 0.6), rate=0.6, live=6, speed=40, sides="t", fl=170, spin=True)
          + tame(c, "nebula", *lad(c, 0.3), rate=1.0, live=10, speed=45, reach=300, sides="lrb"))),
    L("space14.xml", "The nursery: new stars are born at the centre and drift out; a black hole circles the nursery",
      (2500, 1850), (-900, 600, 4000), "size", lambda c: (
          snacks(c, "nebula")
          + nursery(c, "star", (0, 0), 1.8, 24, *lad(c, 0.35), speed=45, spin=True)
          + orbit(c, "blackhole", 1, (0, 0), 520, 400, 60, 3.0, 4.0)
          + swarm(c, "galaxy", *lad(c, 0.7), rate=0.5, live=5, speed=40, sides="lr", fl=180, spin=True))),
    L("space15.xml", "Sparks in the dark: eight bolts of energy guarded by comets that swerve round you",
      (2500, 1900), (0, -700, 4100), ("specials", 8), lambda c: (
          snacks(c, "nebula")
          + specials(c, "energy2", 0.4, 1.3, 0.35, 3, 100, "lrtb")
          + drifter(c, "comet", 2.2, 6.0, 0.25, 4, 200, sides="tb", frac=0.15, dodgegoo=True)
          + swarm(c, "galaxy", *lad(c, 0.4), rate=0.7, live=7, speed=45, sides="lr", fl=170, spin=True)
          + swooper(c, "blackhole", 2.5, 6.5, [15, 40], [(1500, 1150), (900, 600), (400, 300)], 60, 340, 0.3))),
    L("space16.xml", "The great attractor: clusters and groups orbit a black hole at the centre; cut in and out",
      (2500, 1900), (800, 750, 4200), "size", lambda c: (
          snacks(c, "galaxy")
          + lurker(c, "blackhole", [(0, 0)], 3.5, 4.5, 250, 40, period=0.4, spin=True)
          + orbit(c, "galaxygroup", 10, (0, 0), 480, 380, 70, *lad(c, 0.4))
          + orbit(c, "galaxycluster", 12, (0, 0), 900, 720, 55, *lad(c, 0.65))
          + stream(c, "galaxy", *lad(c, 0.25), rate=1.2, live=12, speed=45, side="b", spin=True))),
    L("space17.xml", "Galaxy groups flee from anything bigger, and two black holes lie in wait among them",
      (2500, 1900), (-900, -750, 4200), "size", lambda c: (
          snacks(c, "galaxy")
          + swarm(c, "galaxygroup", *lad(c, 0.35), rate=0.9, live=9, speed=50, fl=180, fromall=True,
                  dont=[("galaxygroup", "all")])
          + wave(c, "galaxycluster", [9, 10, 11, 27, 28, 29, 45, 46, 63, 64], "r", *lad(c, 0.7), speed=55, stay=15)
          + lurker(c, "blackhole", [(900, -700), (-1000, 800)], 3.0, 5.0, 340, 60, period=0.3, spin=True)
          + drifter(c, "comet", 2.5, 7.0, 0.2, 3, 210, sides="lr", frac=0.15, dodgegoo=True))),
    L("space18.xml", "The cosmic web: galaxies stream along the filaments between clusters; follow a filament",
      (2600, 1900), (0, 800, 4300), "size", lambda c: (
          snacks(c, "galaxy")
          + trail(c, "galaxy", [(-1300, -800), (-700, -300), (0, 0), (700, -400), (1300, -850)], 50, 1.0,
                  *lad(c, 0.3), speed=70, prefill=16, spin=True)
          + trail(c, "galaxygroup", [(-1300, 850), (-600, 300), (0, 0), (600, 450), (1300, 800)], 40, 1.6,
                  *lad(c, 0.5), speed=60, prefill=10)
          + placed(c, "galaxycluster", [(-700, -300), (700, -400), (-600, 300), (600, 450)], *lad(c, 0.8))
          + hunter(c, "blackhole", 3.0, 8.5, 0.15, 3, 70, 380, 0.2, minperiod=5))),
    L("space19.xml", "The last stand: superclusters to grow on, black holes arriving and hunting, comets everywhere",
      (2600, 1950), (1000, -800, 4400), "size", lambda c: (
          snacks(c, "galaxy")
          + swarm(c, "galaxycluster", *lad(c, 0.45), rate=0.7, live=7, speed=50, sides="rt", fl=190, period=0.2)
          + swarm(c, "supercluster", *lad(c, 0.8), rate=0.35, live=4, speed=40, sides="lr", fl=200)
          + swooper(c, "blackhole", 3.0, 8.0, [8, 20, 32], [(-1650, 1250), (-900, 600), (-300, 300)], 70, 380, 0.2)
          + hunter(c, "blackhole", 3.0, 9.0, 0.1, 2, 75, 380, 0.2, "tb", minperiod=8)
          + drifter(c, "comet", 2.5, 7.0, 0.2, 2, 220, sides="tb", frac=0.15))),
    # --- The end: a dark field with galaxies left; eat them all. ---------------------------------
    L("end.xml", "The end of everything: nothing is left but galaxies; eat every one",
      (2400, 1800), (0, 0, 4500), "all", lambda c: (
          scatter_food(c, "star", [(250, 0), (-250, 50), (0, 250), (0, -260), (400, 300), (-420, -280)], 0.3, 0.6,
                       spin=True)
          + orbit(c, "galaxy", 5, (0, 0), 650, 480, 40, 0.8, 1.3, spin=True)
          + orbit(c, "galaxygroup", 3, (0, 0), 950, 700, 30, 1.5, 2.2)
          + placed(c, "galaxycluster", [(-900, 650), (0, -700)], 2.6, 3.2)
          + placed(c, "supercluster", [(1000, 0)], 3.8, 4.2)),
      growth=0.4, food=0),
]

# Endurance: big fields, no goal but growing; everything at once, ramping with waves.
ENDURANCE_LEVELS = [
    L("amoebaendurance.xml", "The pond never empties: grow as big as you can while ever bigger life swims in",
      (3600, 2900), (0, 0, 2000), ("size", 40), lambda c: (
          snacks(c, "diatom", speed=20)
          + swarm(c, "amoeba", *lad(c, 0.3), rate=0.9, live=12, speed=45, sides="lr", fl=160, avoid=["paramecium"])
          + stream(c, "rodbacterium", *lad(c, 0.55), rate=0.6, live=8, speed=60, side="t")
          + nursery(c, "coccus", (0, 0), 1.0, 14, *lad(c, 0.15), speed=30)
          + hunter(c, "paramecium", 2.0, 30.0, 0.2, 4, 60, 320, 0.4, "lrtb"))),
    L("fishendurance.xml", "The open ocean: schools and pikes come in ever bigger waves",
      (3850, 2900), (0, 0, 2500), ("size", 40), lambda c: (
          snacks(c, "shrimp", speed=20)
          + school(c, "shrimp", [5 + 12 * k for k in range(40)], 8, "l", *lad(c, 0.15), speed=90)
          + tame(c, "minnow", *lad(c, 0.3), rate=0.8, live=10, speed=70, reach=350)
          + swarm(c, "minnow", *lad(c, 0.55), rate=0.6, live=8, speed=90, sides="lr", fl=180, avoid=["pike"])
          + hunter(c, "pike", 2.5, 30.0, 0.15, 3, 85, 360, 0.3, "lr")), anim=True),
    L("clusterendurance.xml", "The universe keeps coming: every size of thing at once, black holes among them",
      (4100, 3100), (0, 0, 3500), ("size", 40), lambda c: (
          snacks(c, "satellite")
          + swarm(c, "asteroid", *lad(c, 0.1), rate=1.2, live=14, speed=50, fl=150, spin=True)
          + swarm(c, "planet", *lad(c, 0.3), rate=0.8, live=10, speed=45, sides="lr", fl=0, spin=True)
          + stream(c, "star", *lad(c, 0.5), rate=0.6, live=8, speed=45, side="t", spin=True)
          + swarm(c, "galaxy", *lad(c, 0.75), rate=0.4, live=5, speed=45, sides="lr", fl=0, spin=True)
          + drifter(c, "comet", 2.0, 20.0, 0.2, 3, 200, sides="lr", frac=0.12)
          + hunter(c, "blackhole", 2.5, 30.0, 0.15, 3, 70, 380, 0.25, "lrtb"))),
]
