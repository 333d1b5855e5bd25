#!/usr/bin/env python3
"""Writes tests/fixtures/comparison_cases.json: the comparison of two runs'
figures worked out with mpmath (Debian's python3-mpmath) at 30 digits, apart
from the program's own code: Welch's test on the natural logarithms, t
quantiles by root-finding on mpmath's incomplete beta function.

usage: comparison_reference.py > tests/fixtures/comparison_cases.json
"""
import json
import mpmath

mpmath.mp.dps = 30


def t_quantile(p, df):
    df = mpmath.mpf(df)
    # P(T <= t) = 1 - I_{df/(df+t^2)}(df/2, 1/2) / 2 for t >= 0
    upper = lambda t: mpmath.betainc(df / 2, mpmath.mpf(1) / 2, 0, df / (df + t * t), regularized=True) / 2
    return mpmath.findroot(lambda t: upper(t) - (1 - mpmath.mpf(p)), mpmath.mpf(2), tol=1e-25)


def compare(a, b):
    la = [mpmath.log(mpmath.mpf(str(x))) for x in a]
    lb = [mpmath.log(mpmath.mpf(str(x))) for x in b]
    ma, mb = sum(la) / len(la), sum(lb) / len(lb)
    d = mb - ma
    case = {"ratio": float(100 * (mpmath.exp(d) - 1))}
    if len(a) < 2 or len(b) < 2:
        case["verdict"] = "cannot tell"
        return case
    va = sum((x - ma) ** 2 for x in la) / (len(la) - 1) / len(la)
    vb = sum((x - mb) ** 2 for x in lb) / (len(lb) - 1) / len(lb)
    se = mpmath.sqrt(va + vb)
    df = (va + vb) ** 2 / (va ** 2 / (len(la) - 1) + vb ** 2 / (len(lb) - 1))
    t95, t90 = t_quantile("0.975", df), t_quantile("0.95", df)
    pct = lambda x: float(100 * (mpmath.exp(x) - 1))
    case.update(df=float(df), low95=pct(d - t95 * se), high95=pct(d + t95 * se),
                low90=pct(d - t90 * se), high90=pct(d + t90 * se))
    if case["low95"] > 0:
        case["verdict"] = "faster"
    elif case["high95"] < 0:
        case["verdict"] = "slower"
    elif case["low90"] >= -2 and case["high90"] <= 2:
        case["verdict"] = "equivalent"
    else:
        case["verdict"] = "no difference"
    return case


CASES = [
    ("every B pass beats every A pass", [98, 100, 102], [105, 107, 109]),
    ("B slower, unequal counts", [120, 122, 121], [110, 111, 112, 110.5]),
    ("overlapping small runs", [60, 61, 62], [60.5, 61.5, 60.8]),
    ("tight runs of six: equivalent", [100.0, 100.3, 99.8, 100.1, 99.9, 100.2], [100.4, 99.9, 100.2, 100.1, 100.3, 99.8]),
    ("a small shown difference is named, not called equivalent", [100.0, 100.1, 99.9, 100.0, 100.1, 99.9],
     [101.0, 101.1, 100.9, 101.0, 101.1, 100.9]),
    ("wide unequal spreads: fractional df", [50, 55, 52, 58], [60, 49, 71]),
    ("noisy and ten passes each", [88, 93, 90, 95, 91, 89, 94, 92, 90, 93], [91, 96, 90, 97, 92, 94, 95, 93, 92, 96]),
    ("one pass cannot tell", [95.5], [118.5, 121, 123.5]),
]

T_QUANTILES = [(0.975, 1), (0.975, 2), (0.975, 2.5), (0.975, 4.37), (0.975, 9), (0.975, 30), (0.975, 1000),
               (0.95, 1.5), (0.95, 4), (0.95, 17.25), (0.995, 3)]

out = {
    "source": "tests/tools/comparison_reference.py (python3-mpmath, 30 digits)",
    "comparisons": [dict(what=w, a=a, b=b, **compare(a, b)) for w, a, b in CASES],
    "tQuantiles": [{"p": p, "df": df, "t": float(t_quantile(str(p), df))} for p, df in T_QUANTILES],
}
print(json.dumps(out, indent=1))
