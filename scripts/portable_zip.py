#!/usr/bin/env python3
"""Writes Melkrin's portable zip: the program with its help file and demos,
an empty results folder, version.txt, and a registry file that creates the
settings key, which the installer creates otherwise.

usage: portable_zip.py ZIP VERSION MELKRIN_EXE HELP_CHM DEMOS_DIR
"""
import os
import sys
import zipfile

REG = (
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; Creates Melkrin's settings key, which the installer creates otherwise.\r\n"
    "; Melkrin reads it in the 32-bit view of the registry (WOW6432Node).\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Quorvane\\Melkrin]\r\n"
    "\"NoErrorWarning\"=\"0\"\r\n"
    "\"Demo\"=\"1\"\r\n"
    "\"Demoname\"=\"\"\r\n"
    "\"1024\"=\"1\"\r\n"
    "\"HDR\"=\"1\"\r\n"
    "\"Renderer\"=\"1\"\r\n"
)

README = (
    "Melkrin {version}, portable\r\n"
    "\r\n"
    "1. Unpack this folder anywhere, for example to C:\\Tools\\Melkrin.\r\n"
    "2. Double-click melkrin-settings.reg once and confirm: it creates Melkrin's\r\n"
    "   settings key (administrator rights needed). Without it Melkrin says\r\n"
    "   \"Please reinstall the Quorvane Melkrin!\".\r\n"
    "3. Start melkrin.exe. Help\\help.chm explains the rest.\r\n"
    "\r\n"
    "Reports go to the Benchmark folder beside melkrin.exe unless you choose\r\n"
    "another results folder. The installer (Melkrin-{version}-setup.exe) does all\r\n"
    "of this for you and adds Start menu entries and an uninstaller.\r\n"
)


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    target, version, exe, chm, demos = sys.argv[1:]
    root = f"Melkrin-{version}/"
    partial = target + ".partial"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
        z.write(exe, root + "melkrin.exe")
        z.write(chm, root + "Help/help.chm")
        for n in (1, 2, 3):
            name = f"Demo_000{n}.dem"
            z.write(os.path.join(demos, name), root + "Demos/" + name)
        z.writestr(root + "Benchmark/", b"")
        z.writestr(root + "version.txt", version.encode("ascii"))
        z.writestr(root + "melkrin-settings.reg", REG.encode("ascii"))
        z.writestr(root + "README.txt", README.format(version=version).encode("ascii"))
    with zipfile.ZipFile(partial) as z:
        bad = z.testzip()
        if bad:
            sys.exit(f"portable zip: {bad} is damaged")
    os.replace(partial, target)
    print(f"{target}: {os.path.getsize(target)} bytes")


main()
