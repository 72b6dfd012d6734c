#!/usr/bin/env python3
"""Checks that no top folder of the repository includes one above it.

  layercheck.py [--list] [ROOT]    ROOT: the repository (default: the one this script is in)

Every project include is written from the repository root ("engine/DibBmp.h"), so its first
component names the folder it comes from. The tracked C++ files' quoted includes are mapped to
arrows between top folders and compared with ALLOWED; each include line that breaks the table is
named, and the exit status is 1 when there is one. The rooms of wceui/ are checked the same way
against WCEUI_ROOMS, and a wceui/ path outside every room is named too. --list prints every arrow
with the number of include lines behind it, and, under its own heading, the arrows between the
rooms of wceui/.
"""
import collections
import os
import re
import subprocess
import sys

ANY = None
# Which top folders each top folder may include besides its own headers. A folder stands only on
# those below it: app/ on engine/ and wceui/ and what they stand on; driver/ and decoder/ on
# platform/ alone; phonesim/ on nothing of the head unit's (its build checks its own includes too);
# tests/, tools/ and bench/ include whatever they test.
ALLOWED = {
    "app": {"engine", "wceui", "phonelink", "services", "proto", "platform"},
    "engine": {"phonelink", "services", "proto", "platform"},
    "wceui": {"platform"},
    "phonelink": {"platform"},
    "services": {"platform"},
    "proto": set(),
    "driver": {"platform"},
    "decoder": {"platform"},
    "platform": set(),
    "phonesim": set(),
    "tests": ANY,
    "tools": ANY,
    "bench": ANY,
}
# Include prefixes that are not a top folder of their own: phonesim's message classes, generated
# into the build tree.
ALIASES = {"phonesim_pb": "phonesim"}
# The rooms of wceui/, lowest first, and which other rooms each may include: only those below it,
# so no two rooms include each other.
WCEUI_ROOMS = {
    "base": set(),
    "drawing": {"base"},
    "resfiles": {"base", "drawing"},
    "animate": {"base", "drawing", "resfiles"},
    "styles": {"base", "drawing", "resfiles", "animate"},
    "core": {"base", "drawing", "resfiles", "animate", "styles"},
    "widgets": {"base", "drawing", "resfiles", "animate", "styles", "core"},
}

CPP_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c", ".cxx")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def tracked_files(root):
    listing = subprocess.run(["git", "-C", root, "ls-files", "-z"], check=True, capture_output=True).stdout
    return sorted(name for name in listing.decode().split("\0") if name.endswith(CPP_SUFFIXES))


def top_of(path):
    """The top folder a repository path or an include names, or None when it names none."""
    head, sep, _ = path.partition("/")
    if not sep:
        return None
    return ALIASES.get(head, head)


def room_of(path):
    """The room of wceui/ a path stands in; "" for a wceui/ path outside every room; None for a
    path outside wceui/."""
    parts = path.split("/")
    if parts[0] != "wceui" or len(parts) < 2:
        return None
    if len(parts) > 2 and parts[1] in WCEUI_ROOMS:
        return parts[1]
    return ""


def scan(root):
    """(arrows, room arrows, broken lines): the counts of include lines per arrow between top
    folders and between wceui's rooms, and the include lines that break ALLOWED or WCEUI_ROOMS."""
    arrows = collections.Counter()
    rooms = collections.Counter()
    broken = []
    for name in tracked_files(root):
        source = top_of(name)
        if source is None:
            continue
        with open(os.path.join(root, name), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                included = match.group(1)
                target = top_of(included)
                where = "%s:%d: %s" % (name, number, line.strip())
                if target not in ALLOWED:
                    broken.append("%s: names no top folder of the repository" % where)
                    continue
                if target != source:
                    arrows[(source, target)] += 1
                    allowed = ALLOWED.get(source, set())
                    if allowed is not ANY and target not in allowed:
                        broken.append("%s: %s may not include %s" % (where, source, target))
                from_room, to_room = room_of(name), room_of(included)
                if from_room == "":
                    broken.append("%s: a file of wceui/ outside its rooms" % where)
                    continue
                if to_room == "":
                    broken.append("%s: names no room of wceui/" % where)
                    continue
                if from_room and to_room and from_room != to_room:
                    rooms[(from_room, to_room)] += 1
                    if to_room not in WCEUI_ROOMS[from_room]:
                        broken.append("%s: wceui/%s may not include wceui/%s" % (where, from_room, to_room))
    return arrows, rooms, broken


def print_arrows(counts):
    for (source, target), count in sorted(counts.items()):
        print("%s -> %s %d" % (source, target, count))


def main(argv):
    args = argv[1:]
    listing = "--list" in args
    args = [a for a in args if a != "--list"]
    if len(args) > 1 or any(a.startswith("-") for a in args):
        sys.stderr.write(__doc__)
        return 2
    root = args[0] if args else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    arrows, rooms, broken = scan(root)
    if listing:
        print("Arrows between top folders (include lines):")
        print_arrows(arrows)
        print()
        print("Arrows between the rooms of wceui/ (include lines):")
        print_arrows(rooms)
    for line in broken:
        print(line)
    if broken:
        print("%d include line(s) break the folder layers." % len(broken))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
