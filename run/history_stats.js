// Two runs' figures of one resolution compared, as the program's own
// run/comparison.cpp does: Welch's test on the natural logarithms of the
// passes' figures, the ratio B / A in % with its 95 % interval, and a verdict.
// The page calls compareRuns(aFigures, bFigures) only.
var compareRuns = (function () {
  'use strict';
  var MARGIN = 2; // % inside which B and A count as equivalent

  // The continued fraction of the regularised incomplete beta function,
  // evaluated by the modified Lentz method.
  function betaFraction(a, b, x) {
    var tiny = 1e-300;
    function guard(v) { return Math.abs(v) < tiny ? tiny : v; }
    var c = 1, d = 1 / guard(1 - (a + b) * x / (a + 1)), h = d;
    for (var m = 1; m <= 1000; m++) {
      var m2 = 2 * m;
      var step = m * (b - m) * x / ((a + m2 - 1) * (a + m2));
      d = 1 / guard(1 + step * d);
      c = guard(1 + step / c);
      h *= d * c;
      step = -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1));
      d = 1 / guard(1 + step * d);
      c = guard(1 + step / c);
      var change = d * c;
      h *= change;
      if (Math.abs(change - 1) < 1e-15) break;
    }
    return h;
  }

  // ln Γ(x) for x > 0 (Lanczos, g = 7, nine terms; about 15 digits).
  var LANCZOS = [0.99999999999980993, 676.5203681218851, -1259.1392167224028, 771.32342877765313,
                 -176.61502916214059, 12.507343278686905, -0.13857109526572012, 9.9843695780195716e-6,
                 1.5056327351493116e-7];
  function logGamma(x) {
    if (x < 0.5) return Math.log(Math.PI / Math.sin(Math.PI * x)) - logGamma(1 - x);
    x -= 1;
    var sum = LANCZOS[0], t = x + 7.5;
    for (var i = 1; i < 9; i++) sum += LANCZOS[i] / (x + i);
    return 0.5 * Math.log(2 * Math.PI) + (x + 0.5) * Math.log(t) - t + Math.log(sum);
  }

  function incompleteBeta(a, b, x) {
    if (x <= 0) return 0;
    if (x >= 1) return 1;
    var front = Math.exp(logGamma(a + b) - logGamma(a) - logGamma(b) + a * Math.log(x) + b * Math.log1p(-x));
    if (x < (a + 1) / (a + b + 2)) return front * betaFraction(a, b, x) / a;
    return 1 - front * betaFraction(b, a, 1 - x) / b;
  }

  function upperTail(t, df) { return 0.5 * incompleteBeta(df / 2, 0.5, df / (df + t * t)); }

  // Student's t quantile for p in (0.5, 1) and any df > 0, fractional too.
  function studentTQuantile(p, df) {
    if (!(p > 0.5 && p < 1) || !(df > 0)) return NaN;
    var tail = 1 - p, low = 0, high = 1;
    while (upperTail(high, df) > tail && high < 1e12) high *= 2;
    for (var i = 0; i < 200 && high - low > 1e-13 * high; i++) {
      var middle = (low + high) / 2;
      if (upperTail(middle, df) > tail) low = middle; else high = middle;
    }
    return (low + high) / 2;
  }

  function mean(values) {
    var sum = 0;
    for (var i = 0; i < values.length; i++) sum += values[i];
    return sum / values.length;
  }
  function variance(values, centre) {
    var squares = 0;
    for (var i = 0; i < values.length; i++) squares += (values[i] - centre) * (values[i] - centre);
    return squares / (values.length - 1);
  }
  function percent(logRatio) { return 100 * Math.expm1(logRatio); }

  var TEXTS = {
    'faster': 'B is faster',
    'slower': 'B is slower',
    'equivalent': 'equivalent within \u00B12 %',
    'no difference': 'no difference shown',
    'cannot tell': 'no interval: a run of one pass cannot tell noise from a difference'
  };

  // a, b: the passes' figures (positive numbers). Returns {verdict, text,
  // ratio} and, with two figures or more in each run, low95, high95, low90,
  // high90 (all in %) and df; null when a run has no figure.
  function compare(a, b) {
    if (!a || !b || !a.length || !b.length) return null;
    var logA = a.map(Math.log), logB = b.map(Math.log);
    var meanA = mean(logA), meanB = mean(logB), difference = meanB - meanA;
    var result = { verdict: 'cannot tell', ratio: percent(difference) };
    if (a.length >= 2 && b.length >= 2) {
      var shareA = variance(logA, meanA) / a.length, shareB = variance(logB, meanB) / b.length;
      var se = Math.sqrt(shareA + shareB), t95 = 0, t90 = 0;
      if (se > 0) {
        // Welch-Satterthwaite; a run whose figures are all alike adds nothing.
        result.df = (shareA + shareB) * (shareA + shareB) /
          (shareA * shareA / (a.length - 1) + shareB * shareB / (b.length - 1));
        t95 = studentTQuantile(0.975, result.df);
        t90 = studentTQuantile(0.95, result.df);
      }
      result.low95 = percent(difference - t95 * se);
      result.high95 = percent(difference + t95 * se);
      result.low90 = percent(difference - t90 * se);
      result.high90 = percent(difference + t90 * se);
      // A shown difference is named even when small; equivalence (two
      // one-sided tests at 5 %: the 90 % interval inside ±2 %) speaks only
      // where no direction is shown.
      if (result.low95 > 0) result.verdict = 'faster';
      else if (result.high95 < 0) result.verdict = 'slower';
      else if (result.low90 >= -MARGIN && result.high90 <= MARGIN) result.verdict = 'equivalent';
      else result.verdict = 'no difference';
    }
    result.text = TEXTS[result.verdict];
    return result;
  }
  compare.studentTQuantile = studentTQuantile; // for the tests
  return compare;
})();
