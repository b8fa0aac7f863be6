'use strict';
// What the page reads from a window's controls before it draws them: which static names a
// control, which group frames it, which radio buttons are one setting, and which controls
// a redraw must touch. Pure, given the host's control kinds, so that Node can test it.
const PageLayout = (KIND) => {
  // A drop-down list's rectangle holds its list too: its row is this high.
  const kComboHeight = 21;

  // The controls in tab order, pages flattened: a page draws nothing of its own, its
  // controls are in the window's frame.
  function flatten(controls, shown = true, out = [], page = 0) {
    for (const control of controls) {
      const visible = shown && control.visible;
      if (control.kind === KIND.dialog) flatten(control.controls || [], visible, out, control.handle);
      else out.push({ control, visible, page });
    }
    return out;
  }

  function contains(outer, inner) {
    return inner[0] >= outer[0] && inner[1] >= outer[1] &&
      inner[0] + inner[2] <= outer[0] + outer[2] && inner[1] + inner[3] <= outer[1] + outer[3];
  }

  // The smallest group around a control on its page (pages lie one over the other): the
  // group of its radio choices, and a name for a control without a static beside it.
  function enclosingGroup(items, item) {
    let best = null;
    for (const { control: group, page } of items) {
      if (page !== item.page || group.kind !== KIND.groupBox || group === item.control) continue;
      if (!contains(group.rect, item.control.rect)) continue;
      if (!best || group.rect[2] * group.rect[3] < best.rect[2] * best.rect[3]) best = group;
    }
    return best;
  }

  function rowHeight(control) {
    return control.kind === KIND.comboBox ? kComboHeight : control.rect[3];
  }

  const isStaticOn = (item, page) =>
    item && item.visible && item.page === page && item.control.kind === KIND.static;

  // The static that names an edit or a list: the one beside it on its row, before
  // or after it, else the one just before it.
  function labelOf(items, index) {
    const { control, page } = items[index];
    const top = control.rect[1], bottom = top + rowHeight(control);
    const beside = [items[index - 1], items[index + 1]].filter((item) => isStaticOn(item, page));
    const onRow = beside.find(({ control: s }) => {
      const middle = s.rect[1] + s.rect[3] / 2;
      return middle >= top && middle <= bottom;
    });
    if (onRow) return onRow.control;
    return isStaticOn(items[index - 1], page) ? items[index - 1].control : null;
  }

  // The static a control's row starts with, nearest before it: what a row of repeated
  // controls (a cylinder's banks) is about.
  function rowLabelOf(items, index) {
    const { control, page } = items[index];
    const top = control.rect[1], bottom = top + rowHeight(control);
    let best = null;
    for (const { control: s, visible, page: sPage } of items) {
      if (!visible || sPage !== page || s.kind !== KIND.static) continue;
      const middle = s.rect[1] + s.rect[3] / 2;
      if (middle < top || middle > bottom || s.rect[0] + s.rect[2] > control.rect[0] + 2) continue;
      if (!best || s.rect[0] > best.rect[0]) best = s;
    }
    return best;
  }

  // Radio buttons one after the other in the tab order are one setting, as the plug-in's
  // groups run from one group start to the next: each run by the index of its first.
  function radioRuns(items) {
    const runs = new Map();
    items.forEach((item, index) => {
      if (item.control.kind !== KIND.radioButton) return;
      const before = items[index - 1];
      const continues = before && before.control.kind === KIND.radioButton && before.page === item.page;
      runs.set(index, continues ? runs.get(index - 1) : index);
    });
    return runs;
  }

  // What a redraw does to each control, matched by handle: `drawn` maps a handle to what
  // was drawn ({ kind, key }), `wanted` lists what is to be ({ handle, kind, key }), the key
  // standing for everything the drawing depends on. Same kind and key: kept as it is; same
  // kind: patched; else made anew, and what is no longer wanted removed.
  function plan(drawn, wanted) {
    const steps = { keep: [], patch: [], create: [], remove: [] };
    const present = new Set();
    for (const { handle, kind, key } of wanted) {
      present.add(handle);
      const before = drawn.get(handle);
      if (!before || before.kind !== kind) {
        if (before) steps.remove.push(handle);
        steps.create.push(handle);
      } else {
        steps[before.key === key ? 'keep' : 'patch'].push(handle);
      }
    }
    for (const handle of drawn.keys()) if (!present.has(handle)) steps.remove.push(handle);
    return steps;
  }

  return { kComboHeight, flatten, contains, enclosingGroup, rowHeight, labelOf, rowLabelOf,
    radioRuns, plan };
};
if (typeof module === 'object') module.exports = PageLayout;
