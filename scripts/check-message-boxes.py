#!/usr/bin/env python3
"""Fails when a source file other than common/win32/message_box_win32.cpp
calls MessageBox itself.

    python3 scripts/check-message-boxes.py [SOURCE_DIR]

Every box goes through showMessageBox (common/win32/message_box_win32.h),
which knows that an unattended run ("/run /quiet") has nobody to click: a
box called directly would leave a scripted run waiting for ever.
"""
import os
import re
import sys

ALLOWED = {"common/win32/message_box_win32.cpp"}
SKIPPED = {"build", ".git"}
SOURCE_SUFFIXES = (".cpp", ".h", ".hpp", ".c", ".cc", ".inc")
# MessageBoxA, MessageBoxW, MessageBoxExA, MessageBoxIndirectA, ... followed by a call.
CALL = re.compile(r"\bMessageBox(?:Ex|Indirect)?[AW]?\s*\(")
COMMENT = re.compile(r"//.*$")


def offending_lines(top):
    for dirpath, dirnames, filenames in os.walk(top):
        dirnames[:] = [d for d in dirnames if d not in SKIPPED and not d.startswith("build")]
        for name in sorted(filenames):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, top).replace(os.sep, "/")
            if rel in ALLOWED:
                continue
            with open(path, encoding="latin-1") as source:
                for number, line in enumerate(source, 1):
                    if CALL.search(COMMENT.sub("", line)):
                        yield rel, number, line.strip()


def main(argv):
    top = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    found = list(offending_lines(top))
    for rel, number, line in found:
        print(f"{rel}:{number}: MessageBox called outside common/win32/message_box_win32.cpp: {line}")
    if found:
        print(f"{len(found)} direct MessageBox call(s): use showMessageBox (common/win32/message_box_win32.h)")
        return 1
    print("Every message box goes through common/win32/message_box_win32.cpp")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
