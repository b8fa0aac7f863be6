'use strict';
// The plug-in's windows on the page: its dialogs drawn with real form controls, the focus
// kept in the top one, and its modeless error report beside them. Each window is drawn from
// the state as the plug-in holds it; what the user does goes back as the window's events.
const PageWindowView = (page) => {
  const { $, el } = page;
  // The non-client top of a dialog with a caption (frame and title bar), which the
  // controls' rectangles already leave free.
  const kCaptionHeight = 26;
  const kScrollBarWidth = 17;
  const kWindowMargin = 12;
  // Under a dialog that scrolls, its own buttons stay in a bar of this height.
  const kButtonBarHeight = 32;
  // Room left above or below a control scrolled to for the focus.
  const kFocusMargin = 8;
  // The least room the server takes for the plug-in's screen.
  const kSmallestScreen = 100;
  const KIND = PAGE_DATA.vocabulary.controlKinds;
  const ACT = PAGE_DATA.vocabulary.userActs;
  const SCROLL = PAGE_DATA.vocabulary.scrollRequests;
  let topWindow = 0;
  let followedWindow = 0;
  let reportView = null;
  let dismissedHelp = '';
  const windowViews = new Map();

  const layout = PageLayout(KIND);
  const { flatten, enclosingGroup, rowHeight, labelOf, rowLabelOf, radioRuns } = layout;
  const kLabelled = new Set([KIND.edit, KIND.comboBox, KIND.listView]);
  const kButtons = new Set([KIND.pushButton, KIND.defaultButton]);

  const kChoiceKinds = new Set([KIND.checkBox, KIND.radioButton]);
  const kFormKinds = new Set([KIND.checkBox, KIND.radioButton, KIND.comboBox, KIND.edit,
    KIND.listView, KIND.pushButton, KIND.defaultButton]);

  // What a screen reader needs beyond each control: group boxes as labelled groups of the
  // controls they frame, a setting's radio buttons as one radio group, and repeated names
  // (a bank per cylinder) with their row's label. The controls are drawn flat, so the
  // groups own theirs.
  function describeGroups(view, items) {
    const runs = radioRuns(items);
    const groupOf = items.map((item) => (item.visible ? enclosingGroup(items, item) : null));
    const framed = new Map();  // group box handle -> indexes of its controls
    groupOf.forEach((group, index) => {
      if (!group) return;
      if (!framed.has(group.handle)) framed.set(group.handle, []);
      framed.get(group.handle).push(index);
    });
    const radioOnly = (handle) => {
      const forms = (framed.get(handle) || []).filter((i) => kFormKinds.has(items[i].control.kind));
      return forms.length > 0 && forms.every((i) => items[i].control.kind === KIND.radioButton);
    };
    const boxId = (index) => view.pieces.get(items[index].control.handle).box.id;
    // A run outside a group box of its own gets a radio group of its own.
    const runGroups = new Map();
    for (const [index, first] of runs) {
      const piece = view.pieces.get(items[index].control.handle);
      piece.input.name = `w${view.handle}r${items[first].control.handle}`;
      const group = groupOf[index];
      if (!items[index].visible || (group && radioOnly(group.handle))) continue;
      if (!runGroups.has(first)) runGroups.set(first, []);
      runGroups.get(first).push(index);
    }
    // What a run or a repeated name is about: its row's static, else its group box's text.
    const contextOf = (index) => {
      const row = rowLabelOf(items, index);
      if (row) return `w${view.handle}c${row.handle}`;
      return groupOf[index] ? view.pieces.get(groupOf[index].handle).text.id : null;
    };
    const made = [...runGroups].map(([first, members]) => el('div', {
      role: 'radiogroup', id: `w${view.handle}r${items[first].control.handle}`,
      'aria-owns': members.map(boxId).join(' '),
      'aria-labelledby': contextOf(members[0]) || false,
    }));
    view.groups.replaceChildren(...made);
    for (const { control } of items) {
      if (control.kind !== KIND.groupBox) continue;
      const { box, text } = view.pieces.get(control.handle);
      box.setAttribute('aria-labelledby', text.id);
      if (!framed.has(control.handle)) box.removeAttribute('aria-owns');
    }
    for (const [handle, members] of framed) {
      const box = view.pieces.get(handle).box;
      box.setAttribute('role', radioOnly(handle) ? 'radiogroup' : 'group');
      const owned = members.map((i) => {
        const first = runs.get(i);
        return runGroups.has(first) ? `w${view.handle}r${items[first].control.handle}` : boxId(i);
      });
      box.setAttribute('aria-owns', [...new Set(owned)].join(' '));
    }
    // A name shown more than once on a page says which row or group it is for.
    const seen = new Map();
    items.forEach(({ control, visible, page: onPage }) => {
      if (!visible || !kChoiceKinds.has(control.kind)) return;
      const key = `${onPage}:${control.text}`;
      seen.set(key, (seen.get(key) || 0) + 1);
    });
    items.forEach(({ control, visible, page: onPage }, index) => {
      if (!kChoiceKinds.has(control.kind)) return;
      const { input, text } = view.pieces.get(control.handle);
      const context = visible && seen.get(`${onPage}:${control.text}`) > 1 ? contextOf(index) : null;
      if (context) input.setAttribute('aria-labelledby', `${context} ${text.id}`);
      else input.removeAttribute('aria-labelledby');
    });
  }

  function makeControl(view, control) {
    const handle = control.handle;
    const id = `w${view.handle}c${handle}`;
    const base = { 'data-handle': handle, 'data-id': control.id, 'data-kind': control.kind };
    const click = () => page.windowEvent(view.handle, { control: handle, action: ACT.click });
    switch (control.kind) {
      case KIND.pushButton:
      case KIND.defaultButton:
        return { box: el('button', { ...base, id, type: 'button', onclick: click }) };
      case KIND.checkBox:
      case KIND.radioButton: {
        const input = el('input', {
          ...base, id, type: control.kind === KIND.checkBox ? 'checkbox' : 'radio', onchange: click,
        });
        const text = el('span', { id: `${id}t` });
        return { box: el('label', { id: `${id}b`, class: 'choice', for: id }, input, text), input, text };
      }
      case KIND.comboBox: {
        const input = el('select', {
          ...base, id,
          onchange: () => page.windowEvent(view.handle,
            { control: handle, action: ACT.choose, index: input.selectedIndex }),
        });
        return { box: input, input };
      }
      case KIND.edit: {
        const input = el('input', { ...base, id, type: 'text', autocomplete: 'off', spellcheck: 'false' });
        input.addEventListener('change', () => commitEdit(view, input));
        return { box: input, input };
      }
      case KIND.groupBox: {
        const text = el('span', { class: 'legend', id: `${id}t` });
        return { box: el('div', { ...base, id, class: 'group' }, text), text };
      }
      case KIND.tabControl: {
        const strip = el('div', { role: 'tablist' });
        const frame = el('div', { class: 'tab-frame' });
        return { box: el('div', { ...base, id, class: 'tab-control' }, strip, frame), strip };
      }
      case KIND.listView: {
        const input = el('ul', { ...base, id, class: 'list-view', role: 'list', tabindex: '0' });
        return { box: input, input };
      }
      default:
        return { box: el('div', { ...base, id, class: 'static' }) };
    }
  }

  function commitEdit(view, input) {
    if (input.value === input.dataset.held) return page.lastCommand();
    input.dataset.held = input.value;
    const control = Number(input.dataset.handle);
    return page.windowEvent(view.handle, { control, action: ACT.type, text: input.value });
  }

  function sameList(a, b) {
    return a.length === b.length && a.every((x, i) => x === b[i]);
  }

  // A kept control still shows what the plug-in holds, not a click or a choice the
  // plug-in did not take.
  function holdValue(piece, control) {
    const { input } = piece;
    if (control.kind === KIND.checkBox || control.kind === KIND.radioButton) {
      input.checked = control.checked;
    } else if (control.kind === KIND.comboBox) {
      if (input.selectedIndex !== control.selection) input.selectedIndex = control.selection;
    } else if (control.kind === KIND.edit) {
      const typing = document.activeElement === input && input.value !== input.dataset.held;
      if (!typing && input.value !== control.text) input.value = control.text;
      input.dataset.held = control.text;
    }
  }

  function updateControl(view, piece, control, visible, label, group) {
    const { box, input, text, strip } = piece;
    const [x, y, width] = control.rect;
    const height = rowHeight(control);
    box.hidden = !visible;
    Object.assign(box.style,
      { left: `${x}px`, top: `${y}px`, width: `${width}px`, height: `${height}px` });
    const target = input || box;
    const disabled = !control.enabled;
    if ('disabled' in target) target.disabled = disabled;
    box.classList.toggle('disabled', disabled);
    if (label) target.setAttribute('aria-labelledby', label);
    else target.removeAttribute('aria-labelledby');
    if (!label && group && kLabelled.has(control.kind)) target.setAttribute('aria-label', group.text);
    switch (control.kind) {
      case KIND.pushButton:
      case KIND.defaultButton:
        box.textContent = control.text;
        box.classList.toggle('default', control.kind === KIND.defaultButton);
        break;
      case KIND.checkBox:
      case KIND.radioButton:
        text.textContent = control.text;
        input.checked = control.checked;
        break;
      case KIND.comboBox: {
        const items = control.items || [];
        const shown = [...input.options].map((o) => o.text);
        if (!sameList(items, shown)) input.replaceChildren(...items.map((item) => el('option', { text: item })));
        input.selectedIndex = control.selection;
        break;
      }
      case KIND.edit:
        // What the user is typing stays until it is sent; `held` is what the plug-in holds.
        if (!(document.activeElement === input && input.value !== input.dataset.held)) input.value = control.text;
        input.dataset.held = control.text;
        break;
      case KIND.groupBox:
        text.textContent = control.text;
        break;
      case KIND.tabControl:
        drawTabs(view, control, strip);
        break;
      case KIND.listView: {
        const items = control.items || [];
        const shown = [...input.children].map((row) => row.textContent);
        if (!sameList(items, shown)) input.replaceChildren(...items.map((item) => el('li', { text: item })));
        if (!label) input.setAttribute('aria-label', control.text || (group ? group.text : ''));
        break;
      }
      default:
        box.textContent = control.text;
    }
  }

  function drawTabs(view, control, strip) {
    const items = control.items || [];
    const tabs = [...strip.children];
    if (!sameList(items, tabs.map((t) => t.textContent))) {
      strip.replaceChildren(...items.map((item, index) =>
        el('button', {
          type: 'button', role: 'tab', text: item, 'data-index': index,
          onclick: () => page.windowEvent(view.handle, { control: control.handle, action: ACT.tab, index }),
          onkeydown: (event) => {
            const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
            if (!step) return;
            event.preventDefault();
            const next = (index + step + items.length) % items.length;
            page.windowEvent(view.handle, { control: control.handle, action: ACT.tab, index: next })
              .then(() => strip.children[next] && strip.children[next].focus());
          },
        })));
    }
    [...strip.children].forEach((tab, index) => {
      const selected = index === control.selection;
      tab.setAttribute('aria-selected', selected ? 'true' : 'false');
      tab.tabIndex = selected ? 0 : -1;
      tab.disabled = !control.enabled;
    });
    strip.setAttribute('data-handle', control.handle);
  }

  function makeWindowView(w) {
    const view = { handle: w.handle, pieces: new Map(), helpKey: '' };
    const caption = el('div', { class: 'caption' },
      el('span', { class: 'caption-text', id: `caption${w.handle}` }),
      el('button', {
        type: 'button', class: 'close-box', tabindex: '-1', text: '×',
        onclick: () => page.windowEvent(w.handle, { action: ACT.cancel }),
      }));
    view.caption = caption;
    // Focus goes back there when the window closes.
    const opener = document.activeElement;
    view.opener = opener && opener !== document.body && !$('windows').contains(opener) ? opener : null;
    view.buttonBar = el('div', { class: 'button-bar', hidden: true });
    view.groups = el('div', { class: 'groups' });
    view.client = el('div', { class: 'client' });
    view.help = el('div', { class: 'help-popup', role: 'tooltip', id: `help${w.handle}`, hidden: true });
    view.root = el('dialog', {
      class: 'window', 'data-window': w.handle, 'aria-labelledby': `caption${w.handle}`, open: true,
    }, caption, view.buttonBar, view.client, view.groups, view.help);
    view.root.tabIndex = -1;
    view.root.addEventListener('focusin', (event) => {
      view.lastFocus = event.target;
      scrollToFocus(view, event.target);
    });
    view.root.addEventListener('keydown', (event) => onWindowKey(view, event));
    view.root.addEventListener('wheel', (event) => onWheel(view, event), { passive: false });
    view.root.addEventListener('pointerdown', (event) => {
      if (!view.help.hidden && !view.help.contains(event.target)) hideHelp(view);
    });
    return view;
  }

  function drawScrollBar(view, w) {
    if (!w.scroll) {
      if (view.scrollBar) view.scrollBar.remove();
      view.scrollBar = null;
      return;
    }
    const [min, max, span, position] = w.scroll;
    if (!view.scrollBar) {
      // As a scroll bar does: the thumb is tracked while it moves, then its position given.
      const thumb = (request) => page.windowEvent(view.handle,
        { action: ACT.scroll, request, position: Number(view.scrollBar.value) });
      view.scrollBar = el('input', {
        type: 'range', class: 'scroll-bar', 'aria-orientation': 'vertical',
        oninput: () => thumb(SCROLL.thumbTrack), onchange: () => thumb(SCROLL.thumbPosition),
      });
      view.root.append(view.scrollBar);
    }
    const bar = view.scrollBar;
    bar.setAttribute('aria-label', page.words.scroll);
    bar.min = min;
    bar.max = Math.max(min, max - span + 1);
    bar.value = position;
    Object.assign(bar.style, {
      top: `${kCaptionHeight}px`,
      width: `${kScrollBarWidth}px`,
      height: `${w.rect[3] - kCaptionHeight - 3}px`,
    });
  }

  // A control the keyboard reaches out of a scrolling window's view is scrolled to, so that
  // the focus is always seen.
  function scrollToFocus(view, node) {
    const kept = node.closest('.pinned');
    if (!view.scroll || view.root.inert || !view.client.contains(node) || kept) return;
    const top = node.getBoundingClientRect().top - view.root.getBoundingClientRect().top;
    const bottom = top + node.getBoundingClientRect().height;
    const [min, max, span, position] = view.scroll;
    const delta = top < kCaptionHeight ? top - kCaptionHeight - kFocusMargin
      : bottom > view.rect[3] ? bottom - view.rect[3] + kFocusMargin : 0;
    if (!delta) return;
    const to = Math.max(min, Math.min(max - span + 1, position + delta));
    if (to === position) return;
    page.windowEvent(view.handle, { action: ACT.scroll, request: SCROLL.thumbTrack, position: to });
  }

  function onWheel(view, event) {
    if (!view.scrollBar || view.root.inert || event.deltaY === 0) return;
    event.preventDefault();
    const request = event.deltaY > 0 ? SCROLL.lineDown : SCROLL.lineUp;
    page.windowEvent(view.handle, { action: ACT.scroll, request, position: 0 });
  }

  function focusedHandle(view) {
    const focused = document.activeElement;
    if (!focused || !view.root.contains(focused)) return 0;
    const owner = focused.closest('[data-handle]');
    return owner ? Number(owner.dataset.handle) : 0;
  }

  function onWindowKey(view, event) {
    if (view.root.inert) return;
    const target = event.target;
    if (event.key === 'Tab') {
      keepTabInside(view, event);
      return;
    }
    if (event.key === 'F1') {
      event.preventDefault();
      const control = focusedHandle(view);
      dismissedHelp = '';
      page.windowEvent(view.handle, control ? { control, action: ACT.help } : { action: ACT.help });
      return;
    }
    if (event.key === 'Escape') {
      event.preventDefault();
      if (!view.help.hidden) {
        hideHelp(view);
        return;
      }
      page.windowEvent(view.handle, { action: ACT.cancel });
      return;
    }
    if ((event.key === 'PageUp' || event.key === 'PageDown') && view.scrollBar &&
        !(target instanceof HTMLSelectElement)) {
      event.preventDefault();
      const request = event.key === 'PageUp' ? SCROLL.pageUp : SCROLL.pageDown;
      page.windowEvent(view.handle, { action: ACT.scroll, request, position: 0 });
      return;
    }
    if (event.key !== 'Enter' || target instanceof HTMLButtonElement) return;
    event.preventDefault();
    if (target instanceof HTMLInputElement && target.type === 'text') commitEdit(view, target);
    page.windowEvent(view.handle, { action: ACT.ok });
  }

  function hideHelp(view) {
    view.help.hidden = true;
    dismissedHelp = view.helpKey;
  }

  function drawHelp(view, w, items) {
    const help = w.help && w.help.text ? w.help : null;
    const key = help ? `${help.control}:${help.text}` : '';
    view.helpKey = key;
    for (const piece of view.pieces.values()) {
      (piece.input || piece.box).removeAttribute('aria-describedby');
    }
    if (!help || key === dismissedHelp) {
      view.help.hidden = true;
      return;
    }
    view.help.textContent = help.text;
    const shown = items.find(({ control }) => control.handle === help.control);
    const rect = shown ? shown.control.rect : [8, kCaptionHeight, 0, 0];
    Object.assign(view.help.style, { left: `${rect[0]}px`, top: `${rect[1] + rect[3] + 2}px` });
    view.help.hidden = false;
    const piece = view.pieces.get(help.control);
    if (piece) (piece.input || piece.box).setAttribute('aria-describedby', view.help.id);
  }

  function updateWindow(view, w, isTop, again) {
    // A window the long poll left unchanged is the very object last drawn: it is as drawn,
    // unless what the user changed in it is to go back to what the plug-in holds.
    const as = [w, isTop, page.words];
    if (!again && view.drawnAs && as.every((x, i) => x === view.drawnAs[i])) return;
    view.drawnAs = as;
    const root = view.root;
    root.inert = !isTop;
    root.classList.toggle('message-box', !!w.messageBox);
    root.setAttribute('role', w.messageBox ? 'alertdialog' : 'dialog');
    root.setAttribute('aria-modal', isTop ? 'true' : 'false');
    view.rect = w.rect;
    view.scroll = w.scroll;
    const bar = w.scroll ? kButtonBarHeight : 0;
    root.style.width = `${w.rect[2]}px`;
    root.style.height = `${w.rect[3] + bar}px`;
    view.buttonBar.hidden = !bar;
    Object.assign(view.buttonBar.style, { top: `${w.rect[3]}px`, height: `${bar}px` });
    view.caption.firstChild.textContent = w.caption;
    view.caption.lastChild.setAttribute('aria-label', page.words.closeBox);

    const items = flatten(w.controls || [], true, []);
    // Each control's drawing depends on the control, its label, its group and its place:
    // a control none of these changed for keeps its node untouched.
    const wanted = items.map(({ control, visible, page: onPage }, index) => {
      const labelControl = visible && kLabelled.has(control.kind) ? labelOf(items, index) : null;
      const label = labelControl ? `w${view.handle}c${labelControl.handle}` : null;
      const group = enclosingGroup(items, items[index]);
      // The dialog's own buttons scroll out of its view with the rest: the bar keeps them.
      const pinned = bar > 0 && onPage === 0 && kButtons.has(control.kind);
      const key = JSON.stringify([control, visible, label, group && group.text, pinned && w.rect[3]]);
      return { handle: control.handle, kind: control.kind, key, label, group, pinned };
    });
    const steps = layout.plan(view.pieces, wanted);
    for (const handle of steps.remove) {
      view.pieces.get(handle).box.remove();
      view.pieces.delete(handle);
    }
    for (const handle of steps.create) {
      const control = items[wanted.findIndex((x) => x.handle === handle)].control;
      view.pieces.set(handle, { kind: control.kind, key: null, ...makeControl(view, control) });
    }
    items.forEach(({ control, visible }, index) => {
      const piece = view.pieces.get(control.handle);
      const { key, label, group, pinned } = wanted[index];
      if (piece.key !== key) {
        updateControl(view, piece, control, visible, label, group);
        piece.box.classList.toggle('pinned', pinned);
        if (pinned) piece.box.style.top = `${w.rect[3] + (bar - rowHeight(control)) / 2}px`;
        piece.key = key;
      } else {
        holdValue(piece, control);
      }
      // Moving a node loses its focus: only what is out of place moves.
      const at = view.client.children[index];
      if (at !== piece.box) view.client.insertBefore(piece.box, at || null);
    });
    // A message box is read out whole: its text describes it.
    const message = w.messageBox ? items.find(({ control }) => control.kind === KIND.static) : null;
    if (message) root.setAttribute('aria-describedby', `w${w.handle}c${message.control.handle}`);
    // The groups are read again only when a control came, went or changed.
    const unchanged = steps.keep.length === items.length && !steps.remove.length;
    if (!unchanged || !view.described) describeGroups(view, items);
    view.described = true;
    drawScrollBar(view, w);
    drawHelp(view, w, items);
  }

  // Whether a control shows within its window's view (not scrolled out of it, not hidden).
  function inView(view, node) {
    if (node.closest('[hidden]') || !node.getClientRects().length) return false;
    const box = view.root.getBoundingClientRect();
    const at = node.getBoundingClientRect();
    return at.top >= box.top + kCaptionHeight - 1 && at.bottom <= box.bottom + 1;
  }

  // Where Tab stops in a window, in order: of a set of radio buttons only the checked one,
  // or the first when none is, as the browser does.
  function tabStops(view) {
    const nodes = [...view.root.querySelectorAll('button, input, select, [tabindex]')]
      .filter((node) => node !== view.root && node.tabIndex >= 0 && !node.disabled &&
        !node.closest('[hidden]') && node.getClientRects().length > 0);
    return nodes.filter((node) => {
      if (node.type !== 'radio' || !node.name) return true;
      const set = nodes.filter((other) => other.type === 'radio' && other.name === node.name);
      const checked = set.find((other) => other.checked);
      return checked ? checked === node : set[0] === node;
    });
  }

  // Tab and Shift+Tab go round the top window, never into the page behind it.
  function keepTabInside(view, event) {
    const stops = tabStops(view);
    if (!stops.length) {
      event.preventDefault();
      return;
    }
    const at = stops.indexOf(document.activeElement);
    const first = stops[0], last = stops[stops.length - 1];
    if (event.shiftKey && (at <= 0)) {
      event.preventDefault();
      last.focus();
    } else if (!event.shiftKey && (at === -1 || at === stops.length - 1)) {
      event.preventDefault();
      first.focus();
    }
  }

  function firstFocus(view) {
    const candidates = [...view.client.querySelectorAll('button, input, select, ul[tabindex], [role=tab]')]
      .filter((node) => !node.disabled && node.tabIndex >= 0 && inView(view, node));
    const messageBox = view.root.classList.contains('message-box');
    return candidates.find((node) => messageBox && node.dataset.kind === KIND.defaultButton) ||
      candidates[0] || view.root;
  }

  // The plug-in lays its windows out for the screen the host gives it: here the room the
  // page has for them, less the bar a dialog that scrolls gets. Windows opened from then on
  // fit it, and the server fits those open to it. Told on every drawing (once the buttons
  // above take their room) and when the room changes, once it has settled.
  let screenSent = '';
  function sendScreen() {
    const stage = $('stage');
    const width = Math.max(kSmallestScreen, stage.clientWidth - 2 * kWindowMargin);
    const height = Math.max(kSmallestScreen,
      stage.clientHeight - 2 * kWindowMargin - kButtonBarHeight);
    const size = `${width}x${height}`;
    if (!page.token || size === screenSent) return;
    screenSent = size;
    page.command('/api/screen', { width, height });
  }

  // Drawn `again`, every control goes back to what the plug-in holds.
  function drawWindows(again = false) {
    const layer = $('windows');
    const machine = page.selectedMachine();
    const windows = PageState.windowsOver(page.state, machine);
    const all = page.state.windows || [];
    const focusBefore = document.activeElement;
    let opener = null;
    for (const [handle, view] of windowViews) {
      if (windows.some((w) => w.handle === handle)) continue;
      opener = opener || view.opener;
      view.root.remove();
      windowViews.delete(handle);
    }
    // Only the plug-in's top window takes events, wherever it is drawn.
    const plugInTop = all.length ? all[all.length - 1].handle : 0;
    const top = windows.some((w) => w.handle === plugInTop) ? plugInTop : 0;
    windows.forEach((w, index) => {
      let view = windowViews.get(w.handle);
      if (!view) {
        view = makeWindowView(w);
        windowViews.set(w.handle, view);
      }
      if (layer.children[index] !== view.root) layer.insertBefore(view.root, layer.children[index] || null);
      updateWindow(view, w, w.handle === top, again);
    });
    drawReportWindow(layer, machine, windows.length > 0);
    // Under the plug-in's windows the machine's details wait; the host's commands do not.
    $('machine').inert = windows.length > 0;
    if (!top) {
      topWindow = 0;
      const lostFocus = document.activeElement === document.body || !document.activeElement;
      if (opener && opener.isConnected && !opener.disabled && lostFocus) opener.focus();
      return;
    }
    const view = windowViews.get(top);
    const lost = !focusBefore || !focusBefore.isConnected || focusBefore === document.body ||
      focusBefore.closest('[hidden]') || focusBefore.disabled;
    const focused = document.activeElement;
    const elsewhere = !view.root.contains(focused) && !$('toolbar').contains(focused) &&
      !(reportView && reportView.root.contains(focused));
    if (top === topWindow && !lost && !elsewhere) {
      topWindow = top;
      return;
    }
    // Back on a window, the focus goes where it was, as it does when a message box closes.
    const last = view.lastFocus;
    const usable = last && last.isConnected && !last.disabled && !last.closest('[hidden]') &&
      last !== view.root;
    (usable ? last : firstFocus(view)).focus();
    topWindow = top;
  }

  // ---- Where the windows are: each over its own machine.

  // A window that comes up takes the page to its machine: the plug-in waits for that window
  // alone, and what is beside it (report, wheel, log) must be that machine's.
  function followTopWindow() {
    const top = PageState.topWindow(page.state);
    const handle = top ? top.handle : 0;
    if (handle === followedWindow) return;
    followedWindow = handle;
    if (!top || !PageState.served(page.state, top.machine)) return;
    const shown = page.selectedMachine();
    if (shown && shown.machine !== top.machine) history.replaceState(null, '', `#m${top.machine}`);
  }

  // Back on another machine while a window waits: the page says where it is.
  function drawElsewhere(machine) {
    const note = $('elsewhere');
    const top = PageState.topWindow(page.state);
    const away = top && machine && PageState.served(page.state, top.machine) &&
      top.machine !== machine.machine;
    note.hidden = !away;
    if (!away) {
      note.replaceChildren();
      return;
    }
    const owner = page.state.machines.find((m) => m.machine === top.machine);
    note.replaceChildren(
      `${page.words.elsewhere} ${owner.machine} · ${owner.name} (${top.caption}): `,
      el('a', { href: `#m${owner.machine}`, text: page.words.showIt }));
  }

  // ---- The plug-in's error report, modeless: its Close button, Enter, Escape and its close
  // box hide it, as they do the plug-in's own window.

  function makeReportView(w) {
    const hide = (action) => page.windowEvent(w.handle, { action });
    const view = { handle: w.handle, rowsKey: '', lastFocus: null };
    view.captionText = el('span', { class: 'caption-text', id: `caption${w.handle}` });
    view.closeBox = el('button', {
      type: 'button', class: 'close-box', tabindex: '-1', text: '×', onclick: () => hide(ACT.cancel),
    });
    view.rows = el('ol', { class: 'report-rows', tabindex: '0' });
    view.button = el('button', { type: 'button', class: 'report-close', onclick: () => hide(ACT.ok) });
    view.root = el('section', {
      class: 'window report-window', role: 'dialog', 'aria-modal': 'false',
      'data-window': w.handle, 'aria-labelledby': `caption${w.handle}`,
    }, el('div', { class: 'caption' }, view.captionText, view.closeBox),
    el('div', { class: 'report-body' }, view.rows, view.button));
    view.root.addEventListener('focusin', (event) => {
      view.lastFocus = event.target;
    });
    view.root.addEventListener('keydown', (event) => {
      if (event.key === 'Tab') {
        keepTabInside(view, event);
      } else if (event.key === 'Escape') {
        event.preventDefault();
        hide(ACT.cancel);
      } else if (event.key === 'Enter' && !(event.target instanceof HTMLButtonElement)) {
        event.preventDefault();
        hide(ACT.ok);
      }
    });
    return view;
  }

  function drawReportWindow(layer, machine, modal) {
    const w = machine ? machine.reportWindow : null;
    if (reportView && (!w || reportView.handle !== w.handle)) {
      reportView.root.remove();
      reportView = null;
    }
    layer.classList.toggle('modeless', !modal);
    layer.hidden = !modal && !w;
    if (!w) return;
    if (!reportView) reportView = makeReportView(w);
    const view = reportView;
    if (layer.lastChild !== view.root) layer.append(view.root);
    view.captionText.textContent = w.caption;
    view.closeBox.setAttribute('aria-label', page.words.closeBox);
    view.button.textContent = page.words.closeBox;
    Object.assign(view.root.style, { width: `${w.rect[2]}px`, minHeight: `${w.rect[3]}px` });
    const rows = machine.report || [];
    const key = JSON.stringify(rows);
    if (key === view.rowsKey) return;
    view.rowsKey = key;
    view.rows.replaceChildren(...rows.map((row) =>
      el('li', {},
        el('span', { class: 'report-row', text: row.text }),
        (row.findings || []).length
          ? el('ul', { class: 'report-findings' },
            ...row.findings.map((finding) => el('li', { text: finding.text })))
          : null)));
  }

  // F6 and Shift+F6 go from one open window to the next, as between a desktop program's
  // windows: the top modal window and the modeless report beside it (Tab stays in the one
  // it is in). From elsewhere on the page, F6 goes to the first, Shift+F6 to the last.
  function nextWindow(event) {
    if (event.key !== 'F6' || event.altKey || event.ctrlKey || event.metaKey) return;
    const ring = [];
    const top = topWindow ? windowViews.get(topWindow) : null;
    if (top && !top.root.inert) ring.push(top);
    if (reportView && reportView.root.isConnected) ring.push(reportView);
    if (!ring.length) return;
    event.preventDefault();
    const step = event.shiftKey ? -1 : 1;
    const at = ring.findIndex((view) => view.root.contains(document.activeElement));
    const to = at === -1 ? (step > 0 ? 0 : ring.length - 1) : (at + step + ring.length) % ring.length;
    const view = ring[to];
    const last = view.lastFocus;
    const usable = last && last.isConnected && !last.disabled && !last.closest('[hidden]') &&
      last !== view.root && view.root.contains(last);
    (usable ? last : view === reportView ? reportView.rows : firstFocus(view)).focus();
  }
  document.addEventListener('keydown', nextWindow);

  // The server has ended: its windows can no longer be answered, so they go. Whether any
  // was shown.
  function endWindows() {
    const had = windowViews.size > 0 || !!reportView;
    for (const view of windowViews.values()) view.root.remove();
    windowViews.clear();
    if (reportView) reportView.root.remove();
    reportView = null;
    $('windows').hidden = true;
    $('machine').inert = false;
    return had;
  }

  return { drawWindows, followTopWindow, drawElsewhere, sendScreen, endWindows };
};
