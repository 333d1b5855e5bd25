#!/usr/bin/env python3
"""Publishes a release on the update server's document root.

Copies the release's files into <docroot>/benchmarks/ss2/, writes a
version.txt holding the release's version beside them (listed after the
release's files: the installed program takes it over at its next start, so
that it knows its new version), and writes the update information file
qrv_melkrin.inf: the version, the date, the upgrade method, the message, one
"url" entry per file with its size and SHA-256 (and ".optional=1" for a file
named with --optional), the help file's entry, and as the last line an
ECDSA P-256 signature (raw r||s in hex) over every byte before it, made with
the maker's private key through openssl.

  publish-update.py --key maker.pem --version 1.3 --base-url https://www.velkora.com/benchmarks/ss2/ \
      --docroot server/docroot [--date MM/DD/YYYY] [--method 0|1|2] [--message TEXT] \
      [--help-file help.chm] [--optional NAME]... FILE...
  publish-update.py --public-key-hex maker.pem      prints the key for the build option

An entry may start anywhere in the file, so no value may carry a control
character or a "#" that could start an entry of its own.

Older programs read the same keys they always read and ignore the new ones.
"""
import argparse
import datetime
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile

INFO_PATH = os.path.join("benchmarks", "ss2", "qrv_melkrin.inf")
VERSION_FILE = "version.txt"
HELP_FILE = "help.chm"
# What the program takes for a version: up to four dotted decimal parts.
VERSION_PATTERN = re.compile(r"[0-9]{1,9}(\.[0-9]{1,9}){0,3}")


def run_openssl(args, data=None):
    result = subprocess.run(["openssl"] + args, input=data, capture_output=True)
    if result.returncode != 0:
        sys.exit("openssl %s failed: %s" % (" ".join(args), result.stderr.decode(errors="replace").strip()))
    return result.stdout


def der_integer(data, at):
    if data[at] != 0x02:
        raise ValueError("not a DER integer")
    length = data[at + 1]
    value = data[at + 2:at + 2 + length]
    return int.from_bytes(value, "big"), at + 2 + length


def der_signature_to_raw(der):
    """openssl writes SEQUENCE { INTEGER r, INTEGER s }; Windows wants r||s, 32 bytes each."""
    if der[0] != 0x30:
        raise ValueError("not a DER sequence")
    at = 2 if der[1] < 0x80 else 2 + (der[1] & 0x7F)
    r, at = der_integer(der, at)
    s, _ = der_integer(der, at)
    return r.to_bytes(32, "big") + s.to_bytes(32, "big")


def public_key_hex(key_path):
    der = run_openssl(["pkey", "-in", key_path, "-pubout", "-outform", "DER"])
    point = der[-65:]
    if len(der) != 91 or point[0] != 0x04:
        sys.exit("%s is no uncompressed P-256 key" % key_path)
    return point[1:].hex()


def sign(key_path, data):
    with tempfile.NamedTemporaryFile(delete=False) as f:
        f.write(data)
        name = f.name
    try:
        der = run_openssl(["dgst", "-sha256", "-sign", key_path, name])
    finally:
        os.unlink(name)
    return der_signature_to_raw(der)


def has_control_character(text):
    return any(ord(c) < 32 or ord(c) == 127 for c in text)


def check_values(args, files):
    """Every refusal names its reason; nothing is written before all values passed."""
    problems = []
    values = [("version", args.version), ("date", args.date or ""), ("message", args.message),
              ("base URL", args.base_url)]
    values += [("file name", os.path.basename(path)) for path in files]
    for what, value in values:
        if has_control_character(value):
            problems.append("the %s %r contains a control character" % (what, value))
    for what, value in values[2:]:
        # "#url1=" inside a message would be read as an entry of its own.
        if "#" in value:
            problems.append("the %s %r contains '#', which would start an entry" % (what, value))
    if "}" in args.message:
        problems.append("the message may not contain '}': it ends the braced value")
    if not VERSION_PATTERN.fullmatch(args.version):
        problems.append("the version %r is no version number (up to four dotted decimal parts, e.g. 1.3)"
                        % args.version)
    if args.date is not None:
        try:
            if not re.fullmatch(r"[0-9]{2}/[0-9]{2}/[0-9]{4}", args.date):
                raise ValueError
            datetime.datetime.strptime(args.date, "%m/%d/%Y")
        except ValueError:
            problems.append("the date %r is no date MM/DD/YYYY" % args.date)
    names = [os.path.basename(path) for path in files]
    for name in sorted(set(n for n in names if names.count(n) > 1)):
        problems.append("two files are named %s" % name)
    for reserved in (VERSION_FILE, HELP_FILE if args.help_file else None, os.path.basename(INFO_PATH)):
        if reserved in names:
            problems.append("%s is written by the tool and cannot be one of the files" % reserved)
    for name in args.optional:
        if name not in names:
            problems.append("--optional %s names none of the files" % name)
    if problems:
        sys.exit("publish-update: " + "; ".join(problems))


def info_entries(args, files, help_file):
    date = args.date or datetime.date.today().strftime("%m/%d/%Y")
    lines = ["#version=" + args.version, "#date=" + date, "#method=" + str(args.method)]
    if args.message:
        lines.append("#message={" + args.message + "}")
    base = args.base_url if args.base_url.endswith("/") else args.base_url + "/"
    for number, path in enumerate(files, start=1):
        with open(path, "rb") as f:
            content = f.read()
        key = "url%d" % number
        lines.append("#%s=%s%s" % (key, base, os.path.basename(path)))
        lines.append("#%s.size=%d" % (key, len(content)))
        lines.append("#%s.sha256=%s" % (key, hashlib.sha256(content).hexdigest()))
        if os.path.basename(path) in args.optional:
            lines.append("#%s.optional=1" % key)
    if help_file:
        with open(help_file, "rb") as f:
            content = f.read()
        lines.append("#help=%s%s" % (base, HELP_FILE))
        lines.append("#help.size=%d" % len(content))
        lines.append("#help.sha256=%s" % hashlib.sha256(content).hexdigest())
    return "".join(line + "\r\n" for line in lines).encode("latin-1")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--public-key-hex", metavar="KEY", help="print the public key of KEY as 128 hex digits")
    parser.add_argument("--key", help="the maker's private key (PEM, P-256)")
    parser.add_argument("--version", help="the release's version number, e.g. 1.3")
    parser.add_argument("--date", help="release date MM/DD/YYYY (default today)")
    parser.add_argument("--method", type=int, choices=[0, 1, 2], default=0,
                        help="0 self-upgrade, 1 external setup, 2 open the first URL in the browser")
    parser.add_argument("--message", default="", help="text shown in the upgrade question")
    parser.add_argument("--base-url", help="where the files lie on the server")
    parser.add_argument("--docroot", help="the server's document root")
    parser.add_argument("--help-file", help="the help file (help.chm) the program downloads; listed as #help")
    parser.add_argument("--optional", action="append", default=[], metavar="NAME",
                        help="the file of that name may be skipped when it is missing on the server")
    parser.add_argument("files", nargs="*", help="the release's files")
    args = parser.parse_args()

    if args.public_key_hex:
        print(public_key_hex(args.public_key_hex))
        return
    for needed in ("key", "version", "base_url", "docroot"):
        if not getattr(args, needed):
            parser.error("--%s is required" % needed.replace("_", "-"))
    for path in args.files + ([args.help_file] if args.help_file else []):
        if not os.path.isfile(path):
            sys.exit("no such file: " + path)
    check_values(args, args.files)

    folder = os.path.join(args.docroot, os.path.dirname(INFO_PATH))
    os.makedirs(folder, exist_ok=True)
    copies = [(path, os.path.basename(path)) for path in args.files]
    if args.help_file:
        copies.append((args.help_file, HELP_FILE))
    for path, name in copies:
        target = os.path.join(folder, name)
        if os.path.abspath(path) != os.path.abspath(target):
            shutil.copyfile(path, target)
    # The installed program takes this over at its next start: its new version.
    version_file = os.path.join(folder, VERSION_FILE)
    with open(version_file + ".new", "wb") as f:
        f.write(args.version.encode("ascii") + b"\r\n")
    os.replace(version_file + ".new", version_file)
    # After the release's files: method 2 opens the first URL.
    listed = args.files + [version_file]

    entries = info_entries(args, listed, os.path.join(folder, HELP_FILE) if args.help_file else None)
    signature = sign(args.key, entries)
    info = entries + b"#signature=" + signature.hex().encode("ascii") + b"\r\n"
    target = os.path.join(args.docroot, INFO_PATH)
    with open(target + ".new", "wb") as f:
        f.write(info)
    os.replace(target + ".new", target)
    print("wrote %s (%d files, signed with the key %s...)" % (target, len(listed), public_key_hex(args.key)[:16]))


if __name__ == "__main__":
    main()
