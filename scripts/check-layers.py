#!/usr/bin/env python3
"""Lists the includes between the rooms of the source tree and fails on one
that points up (a lower room including a higher one).

    python3 scripts/check-layers.py [SOURCE_DIR]           # the table, then the verdict
    python3 scripts/check-layers.py --edges [SOURCE_DIR]   # every include across rooms

Includes are written from the source root ("run/result_files.h"), so the
first folders of the included path name its room. The rooms and their order
are the table below: keep it in step with docs/architecture.md.
"""
import os
import re
import sys

# Low to high. Rooms of one rank may include each other (the update and its
# helper share the helper's protocol). A room's subfolders belong to it unless
# listed themselves (app/win32, app/wiring).
ROOMS = [
    ("common", 0),
    ("settings", 1),
    ("gameconfig", 2),
    ("sysinfo", 3),
    ("update", 4),
    ("update_helper", 4),
    ("run", 5),
    ("crash", 6),
    ("app", 7),
    ("app/win32", 8),
    ("app/wiring", 9),
    # Not in the tree yet. They sit on top: they may use what lies below,
    # and no room includes them.
    ("capture", 10),
    ("service", 10),
]
RANK = dict(ROOMS)

# Folders that use the rooms without being one: they may include anything.
CONSUMERS = {"tests", "fuzz", "bench"}
SKIPPED = {"build", ".git", "docs", "help", "installer", "server", "cmake", "scripts"}

SOURCE_SUFFIXES = (".cpp", ".h", ".hpp", ".c", ".cc", ".inc", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')


def room_of(rel_path):
    """The room a path (relative to the source root) lies in, or None."""
    parts = rel_path.replace(os.sep, "/").split("/")
    for depth in range(len(parts) - 1, 0, -1):
        folder = "/".join(parts[:depth])
        if folder in RANK:
            return folder
    return None


def source_files(top):
    for dirpath, dirnames, filenames in os.walk(top):
        rel_dir = os.path.relpath(dirpath, top)
        if rel_dir == ".":
            dirnames[:] = [d for d in dirnames if d not in SKIPPED]
            continue
        for name in sorted(filenames):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.join(rel_dir, name).replace(os.sep, "/")


def main(argv):
    args = [a for a in argv if not a.startswith("--")]
    show_edges = "--edges" in argv
    top = os.path.abspath(args[0] if args else os.path.join(os.path.dirname(__file__), ".."))
    if not os.path.isdir(os.path.join(top, "common")):
        print(f"check-layers: {top} is not the source root (no common/ in it)")
        return 2

    edges = {}      # (from room, to room) -> count
    upward = []     # text lines naming each include that points up
    strays = []     # source files in a folder that is neither a room nor a consumer
    files = 0
    for rel in source_files(top):
        src_room = room_of(rel)
        if src_room is None:
            if rel.split("/")[0] not in CONSUMERS:
                strays.append(rel)
            continue
        files += 1
        with open(os.path.join(top, rel), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                included = m.group(1)
                # A path beside the including file counts as its own room.
                beside = os.path.normpath(os.path.join(os.path.dirname(rel), included))
                if os.path.isfile(os.path.join(top, beside)) and "/" not in included:
                    target = room_of(beside.replace(os.sep, "/"))
                else:
                    target = room_of(included)
                if target is None or target == src_room:
                    continue    # system and library headers, or the room itself
                edges[(src_room, target)] = edges.get((src_room, target), 0) + 1
                if show_edges:
                    print(f"{rel}:{number}: {src_room} -> {target} ({included})")
                if RANK[target] > RANK[src_room]:
                    upward.append(f"  {rel}:{number}: {src_room} (rank {RANK[src_room]}) "
                                  f"includes {included} ({target}, rank {RANK[target]})")

    print(f"Includes between rooms ({files} files; rooms low to high: "
          + ", ".join(room for room, _ in ROOMS) + ")")
    width = max(len(room) for room, _ in ROOMS)
    order = lambda edge: (RANK[edge[0][0]], edge[0][0], RANK[edge[0][1]], edge[0][1])
    for (src, dst), count in sorted(edges.items(), key=order):
        up = RANK[dst] > RANK[src]
        print(f"  {src:<{width}} -> {dst:<{width}} {count:4}{'   <-- points up' if up else ''}")

    failed = False
    if strays:
        failed = True
        print("Source files outside every room (add their folder to ROOMS in scripts/check-layers.py "
              "and to docs/architecture.md):")
        for rel in strays:
            print(f"  {rel}")
    if upward:
        failed = True
        print(f"{len(upward)} include(s) point up; a lower room never includes a higher one "
              "(move the thing lower down, or hand it in as an interface):")
        print("\n".join(upward))
    if not failed:
        print("No include points up.")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
