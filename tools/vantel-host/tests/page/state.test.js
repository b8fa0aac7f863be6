'use strict';
// What the page makes of the server's states without a browser: which answer is news, which
// machine and windows are shown, and which verdicts changed.
const test = require('node:test');
const assert = require('node:assert/strict');
const PageState = require('../../commands/serve_page/page_state.js');

const machine = (index, verdict = 'coherent') => ({ machine: index, name: `M${index}`, verdict });
const win = (handle, owner) => ({ handle, machine: owner });

test('isNews takes only a newer state', () => {
  const cases = [
    { name: 'first state', held: null, next: { version: 1 }, want: true },
    { name: 'newer', held: { version: 3 }, next: { version: 4 }, want: true },
    { name: 'same version (a long poll that timed out)', held: { version: 3 }, next: { version: 3 }, want: false },
    { name: 'older (a command answered after the poll)', held: { version: 5 }, next: { version: 4 }, want: false },
    { name: 'empty before the first state', held: null, next: {}, want: false },
    { name: 'no answer', held: { version: 1 }, next: null, want: false },
  ];
  for (const { name, held, next, want } of cases) assert.equal(PageState.isNews(held, next), want, name);
});

test('selectedMachine follows the address, else the first machine', () => {
  const state = { machines: [machine(3), machine(12)] };
  const cases = [
    ['', 3], ['#m12', 12], ['#m3', 3], ['#m99', 3], ['#x12', 3], ['#m12x', 3], [undefined, 3],
  ];
  for (const [hash, want] of cases) {
    assert.equal(PageState.selectedMachine(state, hash).machine, want, String(hash));
  }
  assert.equal(PageState.selectedMachine({ machines: [] }, '#m1'), null);
});

test('windowsOver keeps a machine\'s own windows and those of no machine served', () => {
  const state = {
    machines: [machine(1), machine(2)],
    windows: [win(10, 1), win(11, 2), win(12, 0), win(13, 1)],
  };
  const handles = (m) => PageState.windowsOver(state, m).map((w) => w.handle);
  assert.deepEqual(handles(state.machines[0]), [10, 12, 13]);
  assert.deepEqual(handles(state.machines[1]), [11, 12]);
  assert.deepEqual(handles(null), [10, 11, 12, 13]);
  assert.deepEqual(PageState.windowsOver({ machines: [] }, null), []);
  assert.equal(PageState.topWindow(state).handle, 13);
  assert.equal(PageState.topWindow({ machines: [] }), null);
});

test('verdictChanges names a machine whose verdict changed since the last state', () => {
  const seen = new Map();
  const steps = [
    // First sight is no change, nor a machine that comes later.
    { machines: [machine(1), machine(2, 'rejected')], changed: [] },
    { machines: [machine(1, 'not coherent'), machine(2, 'rejected')], changed: [1] },
    { machines: [machine(1, 'not coherent'), machine(2, 'coherent'), machine(3)], changed: [2] },
    { machines: [machine(1, 'coherent'), machine(2, 'rejected'), machine(3)], changed: [1, 2] },
    { machines: [machine(1, 'coherent'), machine(2, 'rejected'), machine(3)], changed: [] },
  ];
  steps.forEach(({ machines, changed }, step) => {
    const got = PageState.verdictChanges(seen, machines).map((m) => m.machine);
    assert.deepEqual(got, changed, `step ${step}`);
  });
});

test('merge rebuilds the state from the changes since the one the page holds', () => {
  const m1 = machine(1), m2 = machine(2), w7 = win(7, 1), w8 = win(8, 2);
  const held = { version: 4, language: 1033, machines: [m1, m2], windows: [w7, w8] };
  const same = (key, id) => ({ [key]: id, unchanged: true });
  const cases = [
    { name: 'a whole state is taken as it is',
      next: { version: 9, machines: [machine(1, 'rejected')], windows: [] }, whole: true },
    { name: 'nothing changed',
      next: { version: 5, since: 4, language: 1033,
        machines: [same('machine', 1), same('machine', 2)],
        windows: [same('handle', 7), same('handle', 8)] },
      want: { machines: [m1, m2], windows: [w7, w8] } },
    { name: 'one machine changed, a window closed, one opened',
      next: { version: 6, since: 4, language: 1036,
        machines: [same('machine', 1), machine(2, 'rejected')],
        windows: [same('handle', 7), win(9, 1)] },
      want: { machines: [m1, 'new'], windows: [w7, 'new'] } },
    { name: 'the changes of another version', next: { version: 6, since: 3, machines: [] }, want: null },
    { name: 'unchanged what the page does not hold',
      next: { version: 6, since: 4, machines: [same('machine', 3)], windows: [] }, want: null },
  ];
  for (const { name, next, whole, want } of cases) {
    const got = PageState.merge(held, next);
    if (whole) {
      assert.equal(got, next, name);
      continue;
    }
    if (want === null) {
      assert.equal(got, null, name);
      continue;
    }
    assert.equal(got.version, next.version, name);
    assert.equal(got.language, next.language, name);
    assert.equal('since' in got, false, name);
    for (const list of ['machines', 'windows']) {
      // Unchanged: the very object held; changed: the one the answer brought.
      want[list].forEach((item, i) =>
        assert.equal(got[list][i], item === 'new' ? next[list][i] : item, `${name}: ${list}[${i}]`));
      assert.equal(got[list].length, want[list].length, name);
    }
  }
  assert.equal(PageState.merge(null, { version: 2, since: 1, machines: [] }), null, 'nothing held');
});
