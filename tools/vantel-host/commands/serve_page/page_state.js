'use strict';
// What the page knows of the server: the last state whole, and what a newer one changed.
// No DOM here, so that Node can load it for its tests.
const PageState = (() => {
  // Whether an answer is a state newer than the one the page holds: answers come from the
  // long poll and from the commands, in either order.
  const isNews = (state, next) =>
    !!next && typeof next.version === 'number' && (!state || next.version > state.version);

  // The machine the page's address names (`#m<index>`), else the first.
  function selectedMachine(state, hash) {
    const wanted = /^#m(\d+)$/.exec(hash || '');
    const machines = state.machines;
    return machines.find((m) => wanted && m.machine === Number(wanted[1])) || machines[0] || null;
  }

  const served = (state, machine) => state.machines.some((m) => m.machine === machine);

  // The windows drawn over `machine`: its own, and those of no machine served.
  const windowsOver = (state, machine) => (state.windows || []).filter((w) =>
    !machine || w.machine === machine.machine || !served(state, w.machine));

  // The plug-in's top window, the only one that takes events; null when none is open.
  function topWindow(state) {
    const windows = state.windows || [];
    return windows.length ? windows[windows.length - 1] : null;
  }

  // The machines whose verdict differs from the one `seen` holds for them; `seen` then holds
  // this state's. A machine seen for the first time has not changed.
  function verdictChanges(seen, machines) {
    const changed = [];
    for (const m of machines) {
      const before = seen.get(m.machine);
      if (before !== undefined && before !== m.verdict) changed.push(m);
      seen.set(m.machine, m.verdict);
    }
    return changed;
  }

  // A long poll's answer holds, of the machines and windows, only those changed since the
  // version the page asked from (`since`); the others are their key and `unchanged`, and
  // stay the objects the page holds, so that a view can tell them by identity. The state
  // the answer makes; null when the page no longer holds what it is the changes of.
  function merge(held, next) {
    if (!next || next.since === undefined) return next;
    if (!held || held.version !== next.since) return null;
    const lists = { machines: 'machine', windows: 'handle' };
    const merged = { ...next };
    delete merged.since;
    for (const [list, key] of Object.entries(lists)) {
      if (!Array.isArray(next[list])) continue;
      const before = new Map((held[list] || []).map((item) => [item[key], item]));
      merged[list] = next[list].map((item) => (item.unchanged ? before.get(item[key]) : item));
      if (merged[list].some((item) => item === undefined)) return null;
    }
    return merged;
  }

  return { isNews, selectedMachine, served, windowsOver, topWindow, verdictChanges, merge };
})();
if (typeof module === 'object') module.exports = PageState;
