(function () {
  var data = JSON.parse(document.getElementById('history-data').textContent);
  // No prototype: an id from the address such as "__proto__" names no run.
  var byId = Object.create(null);
  data.runs.forEach(function (run) { byId[run.id] = run; });
  function chosen(name) {
    var box = document.querySelector('input[name="' + name + '"]:checked');
    return box ? byId[box.value] : null;
  }
  function choose(name, id) {
    var boxes = document.getElementsByName(name);
    for (var i = 0; i < boxes.length; i++) if (boxes[i].value === id) boxes[i].checked = true;
  }
  function add(row, text, kind, cls) {
    var cell = document.createElement(kind || 'td');
    cell.textContent = text;
    if (cls) cell.className = cls;
    row.appendChild(cell);
    return cell;
  }
  function figure(r) {
    if (!r) return 'not run';
    if (r.mean === undefined) return 'no figure';
    var shown = r.mean.toFixed(1) + ' FPS';
    if (r.low !== undefined) shown += ' (95 % interval ' + r.low.toFixed(1) + ' to ' + r.high.toFixed(1) + ', ' + r.n + ' passes)';
    else shown += ' (' + r.n + (r.n === 1 ? ' pass' : ' passes') + ', no interval)';
    return shown;
  }
  var VERDICT_CLASS = { 'faster': 'faster', 'slower': 'slower', 'equivalent': 'same',
                        'no difference': 'noise', 'cannot tell': 'noise' };
  function signed(percent) {
    var shown = Math.abs(percent).toFixed(1);
    return (percent < 0 && shown !== '0.0' ? '\u2212' : '+') + shown + ' %';
  }
  function find(run, resolution) {
    for (var i = 0; i < run.results.length; i++) if (run.results[i].resolution === resolution) return run.results[i];
    return null;
  }
  // Mirrors partsDiffer in run/run_comparison.cpp: a hash where both runs have
  // one, else the shown value; a fact of the machine or the game that one file
  // does not record is not a difference.
  function differs(p, q) {
    if (p.exact && q.exact) return p.exact !== q.exact;
    if (p.mayBeUnknown && (!p.shown || !q.shown)) return false;
    return p.shown !== q.shown;
  }
  function comparability(out, a, b) {
    var differences = [], unchecked = [];
    a.key.forEach(function (p, i) {
      var q = b.key[i];
      if (!q) return;
      if (differs(p, q)) {
        if (p.shown === q.shown) differences.push((p.shown ? p.label + ' ' + p.shown : p.label) + ': not the same file');
        else differences.push(p.label + ' ' + (p.shown || 'not recorded') + ' vs ' + (q.shown || 'not recorded'));
      } else if (p.mayBeUnknown && !(p.shown && q.shown) && !(p.exact && q.exact)) {
        unchecked.push(p.label);
      }
    });
    var line = document.createElement('p');
    line.id = 'comparability';
    if (differences.length) {
      line.className = 'not-comparable';
      line.textContent = 'Not comparable: ' + differences.join('; ') + '. The figures are shown all the same, ' +
        'but a difference between them may come from this rather than from what you changed.';
    } else {
      line.className = 'comparable';
      line.textContent = 'Comparable: the same demo, settings, machine and game build.' +
        (unchecked.length ? ' Not recorded in one of the files, so not checked: ' + unchecked.join(', ') + '.' : '');
    }
    out.appendChild(line);
    if (a.driver && b.driver && a.driver !== b.driver)
      add(out, 'Video driver: ' + a.driver + ' in A, ' + b.driver + ' in B.', 'p', 'driver');
  }
  function show() {
    var a = chosen('a'), b = chosen('b');
    var rows = document.querySelectorAll('#runs tbody tr');
    for (var i = 0; i < rows.length; i++) {
      var id = rows[i].getAttribute('data-run');
      rows[i].className = (a && a.id === id ? 'chosen-a' : '') + (b && b.id === id ? ' chosen-b' : '');
    }
    var out = document.getElementById('comparison');
    out.textContent = '';
    if (!a || !b) {
      add(out, 'Choose two runs in the table: one as A, the other as B.', 'p', 'hint');
      return;
    }
    add(out, 'A: ' + a.label, 'p');
    add(out, 'B: ' + b.label, 'p');
    comparability(out, a, b);
    var table = document.createElement('table');
    table.id = 'comparison-table';
    var head = document.createElement('tr');
    ['Resolution', 'A', 'B', 'B against A', 'Verdict'].forEach(function (t) { add(head, t, 'th'); });
    var thead = document.createElement('thead');
    thead.appendChild(head);
    table.appendChild(thead);
    var body = document.createElement('tbody');
    var names = [];
    a.results.concat(b.results).forEach(function (r) { if (names.indexOf(r.resolution) < 0) names.push(r.resolution); });
    names.forEach(function (name) {
      var ra = find(a, name), rb = find(b, name);
      var row = document.createElement('tr');
      row.setAttribute('data-resolution', name);
      add(row, name);
      add(row, figure(ra));
      add(row, figure(rb));
      var compared = ra && rb ? compareRuns(ra.figures, rb.figures) : null;
      if (compared) {
        var change = signed(compared.ratio);
        if (compared.low95 !== undefined)
          change += ' (95 % interval ' + signed(compared.low95) + ' to ' + signed(compared.high95) + ')';
        add(row, change, 'td', 'change');
        add(row, compared.text, 'td', VERDICT_CLASS[compared.verdict]);
      } else {
        add(row, '');
        add(row, 'no figure to compare', 'td', 'noise');
      }
      body.appendChild(row);
    });
    table.appendChild(body);
    out.appendChild(table);
    add(out, 'How to read it: B against A is B\u2019s speed over A\u2019s, and the real difference most likely lies in ' +
        'its 95 % interval. All of the interval above 0: B is faster; all below 0: B is slower; within \u00B12 % ' +
        '(judged on the slightly narrower 90 % interval): equivalent; otherwise these passes cannot tell, and more ' +
        'passes might.', 'p', 'hint explain');
    if (window.history && history.replaceState) {
      try { history.replaceState(null, '', '#compare=' + encodeURIComponent(a.id) + ',' + encodeURIComponent(b.id)); } catch (e) {}
    }
  }
  // The address is anyone's to write: a part that is not valid percent-encoding
  // or names no run of this folder is passed over, never fatal.
  function decoded(part) {
    try { return decodeURIComponent(part); } catch (e) { return null; }
  }
  function fromAddress() {
    var wanted = /^#compare=([^,]*),(.*)$/.exec(location.hash);
    if (!wanted) return false;
    var a = decoded(wanted[1]), b = decoded(wanted[2]);
    if (a === null || b === null || !(a in byId) || !(b in byId)) return false;
    choose('a', a);
    choose('b', b);
    return true;
  }
  if (!fromAddress() && data.defaultPair) {
    choose('a', data.defaultPair.a);
    choose('b', data.defaultPair.b);
  }
  window.addEventListener('hashchange', function () { if (fromAddress()) show(); });
  var boxes = document.querySelectorAll('#runs input[type=radio]');
  for (var i = 0; i < boxes.length; i++) boxes[i].addEventListener('change', show);
  show();
})();
