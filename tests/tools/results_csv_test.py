#!/usr/bin/python3
"""Opens results tables as a spreadsheet program would, with python's csv
module, and finds every note as written.

usage: results_csv_test.py TOOL DIR
         writes a table with write_results_csv (TOOL) in DIR and checks it
       results_csv_test.py --file CSV NOTE...
         checks a table a run wrote; each NOTE (UTF-8) must be in a row
exit 0 when every check passes."""
import csv
import io
import os
import subprocess
import sys

BOM = b"\xef\xbb\xbf"
FORMULA_STARTS = ("=", "+", "-", "@", "\t", "\r")

# Notes that break a naive table: formulas, separators, quotes, line breaks
# and 8-bit text (0xD7 is the multiplication sign in the system code page).
NOTES = [
    b'=HYPERLINK("http://example.invalid/","click")',
    b"-5 % new driver",
    b"+3 % overclocked",
    b"@SUM(A1:A3)",
    b"\tindented",
    b"a note, with a comma",
    b'say "fast"',
    b"two\r\nlines",
    b"1920\xd71080 \xd7 2",
    b"plain note",
    b"",
]


def as_written(note):
    """What a spreadsheet shows in the note's cell."""
    return "'" + note if note.startswith(FORMULA_STARTS) else note


def check_table(path, notes):
    problems = []
    with open(path, "rb") as f:
        raw = f.read()
    if not raw.startswith(BOM):
        problems.append("no UTF-8 byte-order mark")
    try:
        text = raw.decode("utf-8-sig")
    except UnicodeDecodeError as error:
        return problems + ["not UTF-8: %s" % error]
    if any(ch == "\n" and (i == 0 or text[i - 1] != "\r") for i, ch in enumerate(text)):
        problems.append("a line that does not end in CR LF")
    rows = list(csv.reader(io.StringIO(text, newline="")))
    if not rows:
        return problems + ["empty table"]
    header = rows[0]
    for column in ("started", "note", "demo", "warmUp", "timeLimit", "system", "driverVersion", "pass1", "pass10"):
        if column not in header:
            problems.append("no column " + column)
    for number, row in enumerate(rows[1:], 2):
        if len(row) != len(header):
            problems.append("row %d has %d cells, the header %d" % (number, len(row), len(header)))
    if problems:
        return problems
    cells = [dict(zip(header, row)) for row in rows[1:]]
    found = [c["note"] for c in cells]
    for note in notes:
        if as_written(note) not in found:
            problems.append("note %r not found as %r among %r" % (note, as_written(note), found))
    for c in cells:
        for column, value in c.items():
            if value.startswith(FORMULA_STARTS) and column not in NUMBER_COLUMNS:
                problems.append("cell %s = %r would be taken for a formula" % (column, value))
    return problems


NUMBER_COLUMNS = {"ci95Low"}  # the only figure that may be negative


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == "--file":
        problems = check_table(sys.argv[2], sys.argv[3:])
    elif len(sys.argv) == 3:
        tool, folder = sys.argv[1], sys.argv[2]
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "results.csv")
        subprocess.run([tool, path] + NOTES, check=True)
        problems = check_table(path, [n.decode("latin-1") for n in NOTES])
        with open(path, newline="", encoding="utf-8-sig") as f:
            row = next(r for r in csv.DictReader(f) if r["note"] == "plain note")
        expected = {"demo": "'-custom.dem", "processor": 'CPU "X", 4 cores', "driverVersion": "'=1+1",
                    "warmUp": "yes", "timeLimit": "600", "passesRule": "3", "passes": "3", "counted": "2",
                    "pass1": "59.0000", "pass2": "61.0000", "pass3": "", "pass4": "", "system": "Windows 7",
                    "started": "2026-12-10T19:40:12+01:00"}
        for column, value in expected.items():
            if row[column] != value:
                problems.append("%s is %r, expected %r" % (column, row[column], value))
    else:
        print(__doc__)
        sys.exit(2)
    for problem in problems:
        print(problem)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
