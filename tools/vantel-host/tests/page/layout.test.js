'use strict';
// The page's reading of a window's controls, without a browser: labels, groups, radio runs
// and the plan of a redraw.
const test = require('node:test');
const assert = require('node:assert/strict');
const PageLayout = require('../../commands/serve_page/page_layout.js');

// Kinds named by themselves: the functions compare kinds, whatever the host spells them.
const KIND = Object.fromEntries(['static', 'edit', 'comboBox', 'listView', 'groupBox',
  'radioButton', 'checkBox', 'pushButton', 'dialog'].map((k) => [k, k]));
const layout = PageLayout(KIND);

let nextHandle = 1;
const c = (kind, rect, more = {}) => ({ handle: nextHandle++, kind, rect, visible: true, ...more });
const item = (control, page = 0, visible = true) => ({ control, visible, page });

test('labelOf names an edit, a list or a combo by the static on its row', async (t) => {
  const left = c('static', [0, 10, 50, 12]);
  const right = c('static', [120, 10, 50, 12]);
  const above = c('static', [0, 0, 50, 12]);
  const edit = c('edit', [60, 8, 50, 16]);
  const combo = c('comboBox', [60, 8, 50, 200]);
  const farDown = c('static', [120, 100, 50, 12]);
  const cases = [
    { name: 'before on the row', items: [item(left), item(edit)], at: 1, want: left },
    { name: 'after on the row', items: [item(edit), item(right)], at: 0, want: right },
    { name: 'before wins over after', items: [item(left), item(edit), item(right)], at: 1, want: left },
    { name: 'the one just before, off the row', items: [item(above), item(edit)], at: 1, want: above },
    { name: 'after, off the row, names nothing', items: [item(edit), item(farDown)], at: 0, want: null },
    { name: 'a hidden static names nothing', items: [item(left, 0, false), item(edit)], at: 1, want: null },
    { name: 'a static on another page names nothing', items: [item(left, 7), item(edit)], at: 1, want: null },
    { name: 'a combo row is its closed height',
      items: [item(combo), item(farDown)], at: 0, want: null },
    { name: 'a combo takes a static on its closed row',
      items: [item(combo), item(right)], at: 0, want: right },
    { name: 'nothing beside', items: [item(edit)], at: 0, want: null },
  ];
  for (const { name, items, at, want } of cases) {
    await t.test(name, () => assert.equal(layout.labelOf(items, at), want));
  }
});

test('rowLabelOf takes the nearest static starting the row', () => {
  const first = c('static', [0, 10, 30, 12]);
  const second = c('static', [40, 10, 30, 12]);
  const radio = c('radioButton', [80, 10, 30, 12]);
  const later = c('static', [120, 10, 30, 12]);
  const items = [item(first), item(second), item(radio), item(later)];
  assert.equal(layout.rowLabelOf(items, 2), second);
  assert.equal(layout.rowLabelOf([item(radio), item(later)], 0), null);
});

test('enclosingGroup is the smallest group box around a control on its page', () => {
  const outer = c('groupBox', [0, 0, 300, 300]);
  const inner = c('groupBox', [10, 10, 100, 100]);
  const elsewhere = c('groupBox', [5, 5, 50, 50]);
  const inside = c('checkBox', [20, 20, 30, 12]);
  const outside = c('checkBox', [200, 200, 30, 12]);
  const away = c('checkBox', [400, 400, 30, 12]);
  const items = [item(outer), item(inner), item(elsewhere, 9), item(inside), item(outside), item(away)];
  const cases = [[3, inner], [4, outer], [5, null], [1, outer], [0, null]];
  for (const [at, want] of cases) assert.equal(layout.enclosingGroup(items, items[at]), want, `item ${at}`);
});

test('radioRuns joins radio buttons that follow one another on a page', () => {
  const r = (page) => item(c('radioButton', [0, 0, 10, 10]), page);
  const s = () => item(c('static', [0, 0, 10, 10]));
  const items = [r(0), r(0), s(), r(0), r(1), r(1), r(0)];
  assert.deepEqual([...layout.radioRuns(items)], [[0, 0], [1, 0], [3, 3], [4, 4], [5, 4], [6, 6]]);
});

test('flatten lays pages out flat, hidden with their page', () => {
  const a = c('edit', [0, 0, 1, 1]);
  const b = c('edit', [0, 0, 1, 1]);
  const d = c('edit', [0, 0, 1, 1], { visible: false });
  const page = c('dialog', [0, 0, 1, 1], { visible: false, controls: [b] });
  const out = layout.flatten([a, page, d]);
  assert.deepEqual(out.map((x) => [x.control, x.visible, x.page]),
    [[a, true, 0], [b, false, page.handle], [d, false, 0]]);
});

test('plan keeps, patches, makes and removes by handle', async (t) => {
  const drawn = (...rows) => new Map(rows.map(([handle, kind, key]) => [handle, { kind, key }]));
  const wanted = (...rows) => rows.map(([handle, kind, key]) => ({ handle, kind, key }));
  const cases = [
    { name: 'unchanged', drawn: drawn([1, 'edit', 'a'], [2, 'static', 'b']),
      wanted: wanted([1, 'edit', 'a'], [2, 'static', 'b']),
      steps: { keep: [1, 2], patch: [], create: [], remove: [] } },
    { name: 'changed', drawn: drawn([1, 'edit', 'a']), wanted: wanted([1, 'edit', 'z']),
      steps: { keep: [], patch: [1], create: [], remove: [] } },
    { name: 'another kind under a handle', drawn: drawn([1, 'edit', 'a']), wanted: wanted([1, 'static', 'a']),
      steps: { keep: [], patch: [], create: [1], remove: [1] } },
    { name: 'new and gone', drawn: drawn([1, 'edit', 'a']), wanted: wanted([2, 'edit', 'a']),
      steps: { keep: [], patch: [], create: [2], remove: [1] } },
    { name: 'first drawing', drawn: drawn(), wanted: wanted([3, 'edit', 'a'], [4, 'edit', 'a']),
      steps: { keep: [], patch: [], create: [3, 4], remove: [] } },
    { name: 'all gone', drawn: drawn([1, 'edit', 'a'], [2, 'edit', 'a']), wanted: wanted(),
      steps: { keep: [], patch: [], create: [], remove: [1, 2] } },
  ];
  for (const { name, drawn: before, wanted: after, steps } of cases) {
    await t.test(name, () => assert.deepEqual(layout.plan(before, after), steps));
  }
});

// Any redraw, planned then applied, leaves exactly what is wanted, and touches no control
// that did not change.
test('plan applied leaves what is wanted, whatever came before', () => {
  let seed = 7;
  const random = (n) => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed % n;
  };
  const kinds = ['edit', 'static', 'checkBox'];
  const list = () => {
    const handles = new Set();
    for (let i = random(12); i > 0; i -= 1) handles.add(1 + random(15));
    return [...handles].map((handle) => ({ handle, kind: kinds[random(2)], key: `k${random(2)}` }));
  };
  for (let round = 0; round < 500; round += 1) {
    const before = new Map(list().map(({ handle, kind, key }) => [handle, { kind, key }]));
    const after = list();
    const steps = layout.plan(before, after);
    const touched = [...steps.keep, ...steps.patch, ...steps.create];
    assert.deepEqual(touched.sort(), after.map((w) => w.handle).sort());
    const drawn = new Map(before);
    for (const handle of steps.remove) assert.ok(drawn.delete(handle), `remove ${handle}`);
    for (const handle of steps.create) {
      assert.ok(!drawn.has(handle), `create ${handle} over a drawn one`);
      drawn.set(handle, {});
    }
    for (const w of after) {
      const old = before.get(w.handle);
      const same = old && old.kind === w.kind && old.key === w.key;
      assert.equal(steps.keep.includes(w.handle), !!same, `keep ${w.handle}`);
      drawn.set(w.handle, { kind: w.kind, key: w.key });
    }
    assert.equal(drawn.size, after.length);
  }
});
