#!/usr/bin/env python3
"""Checks the layering of the production code (everything but tests, benchmarks and fuzz targets).

Every source file belongs to the layer whose folder holds it (the longest folder that matches).
A file includes only files of its own layer and of the layers below it: an #include "..." that
names a file of a higher layer, or of another layer on the same row, is a fault. The operating
system's headers (POSIX, Linux, the window system) are included only in the platform folder and
in the files listed in OS_EXCEPTIONS, each with the reason it cannot go there; the README's
Layout section lists the same exceptions. The GUI library names nothing of the game: not its
namespace and not the window names of its screens (read from the navigation seam).

    python3 cmake/layers.py <source root>

Prints every fault and exits 1 when there is one.
"""

import os
import re
import sys

# The layers, bottom first, one row per rank. A layer includes its own files and those of the
# rows below it; the layers of one row include none of each other's files.
LAYERS = [
    [("foundation", "foundation/")],
    [("scriptengine", "scriptengine/")],
    # The framework core's own folder: anything in it outside the subsystem folders below sits
    # at the core's bottom.
    [("core", "qflib/src/core/")],
    [("app", "qflib/src/core/app/")],
    [("render", "qflib/src/core/render/"), ("sound", "qflib/src/core/sound/")],
    [("window", "qflib/src/core/window/"), ("text", "qflib/src/core/text/")],
    [("bridge", "qflib/src/core/bridge/")],
    [("online", "qflib/src/core/online/")],
    [("platform", "qflib/src/platform/")],
    [("wgui", "wgui/")],
    [("services", "game/services/")],
    [("play", "game/play/")],
    [("frontend", "game/frontend/")],
]

# Folders inside a layer that hold no production code.
NOT_PRODUCTION = {"tests"}

SOURCE_SUFFIXES = (".h", ".hpp", ".c", ".cpp")

# Headers that reach the operating system directly.
OS_HEADER = re.compile(
    r"^(unistd|fcntl|dirent|dlfcn|malloc|signal|spawn|poll|pthread|netdb|termios|pwd|grp|"
    r"syslog|sched|semaphore|link|elf|execinfo|ifaddrs|glob|fnmatch|wordexp)\.h$"
    r"|^(sys|netinet|arpa|linux|X11|SDL2?)/|^SDL[^/]*\.h$"
)

# The files outside the platform folder that talk to the operating system, and why.
OS_EXCEPTIONS = {
    "foundation/file.cpp": "the foundation lies below the platform: files, folder listings, "
    "atomic replacement (fsync, rename) and the lock of a file in use",
    "foundation/savedstate.cpp": "the foundation lies below the platform: the saved files' "
    "backups and damaged copies are renamed and synced in their folder",
    "foundation/resmap.cpp": "the foundation lies below the platform: the scan of the resource "
    "folders and the writable check of a resource",
    "foundation/filefolders.cpp": "the foundation lies below the platform: the program's own "
    "location (/proc/self/exe) and the folders' existence, before any platform is made",
    "foundation/debug.cpp": "the foundation lies below the platform: debug lines go straight "
    "to the standard error descriptor, unbuffered, also while the program is failing",
    "qflib/src/core/bridge/moviehost.cpp": "the movie host's private temporary files "
    "(mkstemps, mode 0600), which the standard library cannot make",
    "qflib/src/core/online/simplehttp.cpp": "the HTTP library is opened on the first request "
    "(dlopen) rather than linked, to keep it out of the resident memory",
}


# The GUI library's folder, and where the game names its screens' windows.
GUI_FOLDER = "wgui/"
SCREEN_NAMES = "game/services/navigation.cpp"
SCREEN_NAME = re.compile(r'case\s+Screen::\w+:\s*return\s+"([^"]+)"')
GAME_NAMESPACE = re.compile(r"\bnamespace\s+Game\b|\bGame::")


def layer_table():
    rank_of, folders = {}, []
    for rank, row in enumerate(LAYERS):
        for name, folder in row:
            rank_of[name] = rank
            folders.append((folder, name))
    folders.sort(key=lambda f: len(f[0]), reverse=True)
    return rank_of, folders


def layer_of(path, folders):
    for folder, name in folders:
        if path.startswith(folder):
            return name
    return None


def production_files(root, folders):
    files = []
    tops = sorted({folder.split("/")[0] for folder, _ in folders})
    for top in tops:
        for here, dirs, names in os.walk(os.path.join(root, top)):
            dirs[:] = sorted(d for d in dirs if d not in NOT_PRODUCTION)
            for name in sorted(names):
                if name.endswith(SOURCE_SUFFIXES):
                    path = os.path.relpath(os.path.join(here, name), root).replace(os.sep, "/")
                    if layer_of(path, folders):
                        files.append(path)
    return files


INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')


def includes(root, path):
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if m:
                yield number, m.group(1) == '"', m.group(2)


def check(root):
    rank_of, folders = layer_table()
    files = production_files(root, folders)
    known = set(files)
    by_tail = {}
    for path in files:
        parts = path.split("/")
        for i in range(len(parts)):
            by_tail.setdefault("/".join(parts[i:]), []).append(path)

    faults, os_users = [], set()
    for path in files:
        layer = layer_of(path, folders)
        for number, quoted, name in includes(root, path):
            where = "%s:%d" % (path, number)
            if not quoted or not name.endswith(SOURCE_SUFFIXES):
                if OS_HEADER.search(name) and layer != "platform":
                    os_users.add(path)
                    if path not in OS_EXCEPTIONS:
                        faults.append("%s: <%s> talks to the operating system outside the "
                                      "platform folder" % (where, name))
                continue
            beside = os.path.normpath(os.path.join(os.path.dirname(path), name)).replace(os.sep, "/")
            if beside in known:
                target = beside
            else:
                found = by_tail.get(name, [])
                if len(found) > 1:
                    faults.append("%s: \"%s\" names %d files: %s" % (where, name, len(found), ", ".join(found)))
                    continue
                if not found:
                    continue  # a system or generated header
                target = found[0]
            other = layer_of(target, folders)
            if other != layer and rank_of[other] >= rank_of[layer]:
                faults.append("%s: \"%s\" runs up from %s to %s (%s)" % (where, name, layer, other, target))

    faults += game_names_in_gui(root, files)
    for path in sorted(set(OS_EXCEPTIONS) - os_users):
        faults.append("%s is listed as talking to the operating system but does not" % path)
    return files, faults


def game_names_in_gui(root, files):
    with open(os.path.join(root, SCREEN_NAMES), encoding="utf-8") as f:
        screens = SCREEN_NAME.findall(f.read())
    if not screens:
        return ["%s names no screens: the check of the GUI library cannot work" % SCREEN_NAMES]
    quoted = re.compile('"(%s)"' % "|".join(re.escape(n) for n in screens))
    faults = []
    for path in files:
        if not path.startswith(GUI_FOLDER):
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                code = line.split("//")[0]
                for m in list(GAME_NAMESPACE.finditer(code)) + list(quoted.finditer(code)):
                    faults.append("%s:%d: the GUI library names the game's %s" % (path, number, m.group(0)))
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    files, faults = check(root)
    for fault in faults:
        print(fault)
    print("%d production files, %d faults" % (len(files), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
