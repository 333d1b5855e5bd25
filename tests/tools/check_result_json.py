#!/usr/bin/python3
"""Checks result files (format 1.0 and 1.1) against docs/result.schema.json and
the rules a schema cannot say: count equals the passes with a figure, the
statistics follow from the passes, a lone figure has no spread, and no two
of the files given share a run identity.

usage: check_result_json.py SCHEMA FILE...   exit 0 when every file passes."""
import json
import math
import statistics
import sys

import jsonschema

T975 = [12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262, 2.228]


def close(a, b):
    return a is not None and b is not None and math.isclose(a, b, rel_tol=1e-9, abs_tol=1e-9)


def check_statistics(entry):
    figures = [p["fps"] for p in entry["passes"] if p["fps"] is not None]
    s = entry["statistics"]
    if not figures:
        return [] if s is None else ["statistics without a figure"]
    if s is None:
        return ["no statistics although passes have figures"]
    problems = []
    if s["count"] != len(figures):
        problems.append("count %s, figures %d" % (s["count"], len(figures)))
    mean = sum(figures) / len(figures)
    if not close(s["mean"], mean):
        problems.append("mean %s, expected %s" % (s["mean"], mean))
    if not close(s["min"], min(figures)) or not close(s["max"], max(figures)):
        problems.append("min or max")
    if len(figures) == 1:
        if any(s[k] is not None for k in ("stdDev", "stdDevPercent", "ci95Low", "ci95High")):
            problems.append("one figure has no spread")
    else:
        sd = statistics.stdev(figures)
        half = T975[len(figures) - 2] * sd / math.sqrt(len(figures))
        if not close(s["stdDev"], sd) or not close(s["stdDevPercent"], 100 * sd / mean):
            problems.append("standard deviation")
        if not close(s["ci95Low"], mean - half) or not close(s["ci95High"], mean + half):
            problems.append("confidence interval")
    return problems


def main():
    schema = json.load(open(sys.argv[1], encoding="utf-8"))
    failed = False
    run_ids = {}
    for path in sys.argv[2:]:
        try:
            with open(path, encoding="utf-8") as f:
                data = json.load(f)
            jsonschema.validate(data, schema, cls=jsonschema.Draft7Validator)
            problems = [p for entry in data["resolutions"] for p in check_statistics(entry)]
            run_id = data.get("runId")
            if run_id is not None:
                if run_id in run_ids:
                    problems.append("the run identity of %s" % run_ids[run_id])
                run_ids[run_id] = path
        except (OSError, ValueError, jsonschema.ValidationError) as error:
            problems = [str(error).splitlines()[0]]
        for problem in problems:
            print("%s: %s" % (path, problem))
            failed = True
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
