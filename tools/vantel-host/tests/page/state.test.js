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
