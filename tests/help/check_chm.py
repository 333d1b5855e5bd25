#!/usr/bin/env python3
"""Opens a compiled help file and checks it against its sources: every page
of the project, the style sheet, the contents and the index are stored (in the
compressed section, at their full size), the project's start page is among
them, and every page the contents and the index point to exists.

usage: check_chm.py HELP.CHM SOURCE_FOLDER
"""
import os
import re
import struct
import sys


def fail(message):
    print(f"FAIL: {message}", file=sys.stderr)
    sys.exit(1)


def encint(data, pos):
    """The directory's variable-length numbers: 7 bits a byte, high bit = more."""
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, pos


def directory(path):
    """Name -> (section, offset, length) of every entry of the file's directory."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"ITSF":
        fail(f"{path}: not a compiled help file (signature {data[:4]!r})")
    version, = struct.unpack_from("<I", data, 4)
    if version not in (2, 3):
        fail(f"{path}: unknown version {version}")
    # Two (offset, length) pairs follow the header: the second is the directory.
    dir_offset, dir_length = struct.unpack_from("<QQ", data, 0x48)
    if data[dir_offset:dir_offset + 4] != b"ITSP":
        fail(f"{path}: no directory header at {dir_offset}")
    header_length, = struct.unpack_from("<I", data, dir_offset + 8)
    chunk_size, = struct.unpack_from("<I", data, dir_offset + 0x10)
    chunk_count, = struct.unpack_from("<I", data, dir_offset + 0x2C)
    if header_length + chunk_size * chunk_count > dir_length:
        fail(f"{path}: directory chunks run past the directory")
    entries = {}
    for index in range(chunk_count):
        start = dir_offset + header_length + index * chunk_size
        chunk = data[start:start + chunk_size]
        if chunk[:4] != b"PMGL":
            continue  # index chunks (PMGI) only speed up look-ups
        free_space, = struct.unpack_from("<I", chunk, 4)
        pos, end = 0x14, chunk_size - free_space
        while pos < end:
            name_length, pos = encint(chunk, pos)
            name = chunk[pos:pos + name_length].decode("utf-8")
            pos += name_length
            section, pos = encint(chunk, pos)
            offset, pos = encint(chunk, pos)
            length, pos = encint(chunk, pos)
            entries[name] = (section, offset, length)
    return entries


def project(source):
    """The [OPTIONS] and [FILES] of the help project."""
    options, files, part = {}, [], None
    with open(os.path.join(source, "help.hhp"), encoding="latin-1") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith(";"):
                continue
            if line.startswith("["):
                part = line
            elif part == "[OPTIONS]" and "=" in line:
                key, value = line.split("=", 1)
                options[key.strip()] = value.strip()
            elif part == "[FILES]":
                files.append(line)
    return options, files


def main():
    if len(sys.argv) != 3:
        fail(__doc__)
    chm, source = sys.argv[1], sys.argv[2]
    entries = directory(chm)
    options, files = project(source)
    contents, index = options["Contents file"], options["Index file"]
    pages = [name for name in files if name.endswith(".html")]
    if len(pages) < 5:
        fail(f"the project lists only {len(pages)} pages")

    for name in files + [contents, index]:
        entry = entries.get("/" + name)
        if entry is None:
            fail(f"{chm} holds no /{name}")
        section, _, length = entry
        size = os.path.getsize(os.path.join(source, name))
        if section != 1 or length != size:
            fail(f"/{name}: section {section}, {length} bytes; expected the compressed section and {size} bytes")
    for name in ("/#SYSTEM", "/#TOPICS", "/#URLSTR"):
        if name not in entries:
            fail(f"{chm} lacks its {name} table")
    if options["Default topic"] not in pages:
        fail(f"the start page {options['Default topic']} is not a page of the project")

    # Every page is reachable from the contents, and nothing points nowhere.
    pointed = {}
    for name in (contents, index):
        with open(os.path.join(source, name), encoding="latin-1") as f:
            pointed[name] = set(re.findall(r'name="Local" value="([^"]+)"', f.read()))
        for target in pointed[name]:
            if "/" + target not in entries:
                fail(f"{name} points to {target}, which the help file does not hold")
    missing = set(pages) - pointed[contents]
    if missing:
        fail(f"pages missing from the contents: {sorted(missing)}")
    if len(pointed[index]) < 3:
        fail("the index points to fewer than three pages")
    for page in pages:
        with open(os.path.join(source, page), encoding="latin-1") as f:
            for target in re.findall(r'href="([^"#:]+)"', f.read()):
                if "/" + target not in entries:
                    fail(f"{page} links to {target}, which the help file does not hold")
    print(f"{chm}: {len(pages)} pages, contents and index ({len(entries)} entries)")


main()
