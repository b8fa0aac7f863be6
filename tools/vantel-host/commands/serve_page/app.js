'use strict';
// The page of `vantel-host serve`: it draws the state the server sends and turns what the
// user does into the server's commands. The server (and the plug-in behind it) decides
// everything; the page keeps nothing but what it last drew.
(() => {
  // The page's words come from the host's catalogue (PAGE_DATA, written at build time).
  const { fill } = PageWords;
  const WORDS = PageWords.make(PAGE_DATA.words);
  const kFrench = 1036;
  // How each verdict the server names is marked.
  const kVerdictClass = { coherent: 'coherent', 'not coherent': 'incoherent', rejected: 'incoherent' };
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
  // The host's vocabulary, made with the host (PAGE_DATA.vocabulary, inlined before this script):
  // what a control is, what a user does, how a window scrolls, what a log line tells.
  const KIND = PAGE_DATA.vocabulary.controlKinds;
  const ACT = PAGE_DATA.vocabulary.userActs;
  const SCROLL = PAGE_DATA.vocabulary.scrollRequests;
  const LOG_LINE = PAGE_DATA.vocabulary.logLineKinds;
  // How each kind of log line is marked.
  const kLogLineClass = { [LOG_LINE.send]: 'send', [LOG_LINE.request]: 'request' };

  const token = new URLSearchParams(location.search).get('token') || '';
  let state = null;
  let words = WORDS.en;
  let alertKind = '';
  let topWindow = 0;
  let followedWindow = 0;
  let reportView = null;
  let dismissedHelp = '';
  let commands = Promise.resolve();
  // Once the server has ended nothing it sent can be driven: the page says so, in its
  // language, and no later failure speaks over it.
  let ended = false;
  const kRefusalsOfAnEnd = 3;
  const verdictsSeen = new Map();
  const wheels = new Map();
  const windowViews = new Map();
  const toolbarButtons = new Map();

  const $ = (id) => document.getElementById(id);

  function el(tag, attributes, ...children) {
    const node = document.createElement(tag);
    for (const [name, value] of Object.entries(attributes || {})) {
      if (value === false || value === null || value === undefined) continue;
      if (name === 'text') node.textContent = value;
      else if (name.startsWith('on')) node.addEventListener(name.slice(2), value);
      else node.setAttribute(name, value === true ? '' : value);
    }
    for (const child of children) if (child !== null && child !== undefined) node.append(child);
    return node;
  }

  function showAlert(text, kind = 'reason') {
    if (ended && kind !== 'ended') return;
    $('alert').textContent = text;
    alertKind = text ? kind : '';
  }

  function pause(ms) {
    return new Promise((resolve) => setTimeout(resolve, ms));
  }

  function request(method, path, body) {
    const init = { method, cache: 'no-store', headers: { 'X-Vantel-Token': token } };
    if (body !== undefined) {
      init.headers['Content-Type'] = 'application/json';
      init.body = JSON.stringify(body);
    }
    return fetch(path, init);
  }

  async function reason(answer) {
    const text = (await answer.text()).trim().split('\n')[0];
    return text || `${answer.status} ${answer.statusText}`;
  }

  async function poll() {
    if (!token) {
      showAlert(WORDS.en.noToken);
      return;
    }
    // A server that is gone for good refuses the connection; its token was its own, so no
    // server can take this page over: after a few refusals in a row it has ended.
    let refused = 0;
    for (;;) {
      try {
        const since = state ? state.version : null;
        const asked = Date.now();
        const path = since === null ? '/api/state' : `/api/state?since=${since}`;
        const answer = await request('GET', path);
        if (answer.status === 503) {
          endOfServer();
          return;
        }
        if (!answer.ok) {
          showAlert(await reason(answer), 'poll');
          await pause(2000);
          continue;
        }
        refused = 0;
        if (alertKind === 'lost' || alertKind === 'poll') showAlert('');
        const next = await answer.json();
        // Before its first state the server answers an empty one; an ending server answers at
        // once, over and over: neither is worth asking again straight away.
        const empty = typeof next.version !== 'number';
        if (empty || (next.version === since && Date.now() - asked < 1000)) await pause(500);
        if (!empty) show(next);
      } catch (error) {
        refused += 1;
        if (refused >= kRefusalsOfAnEnd) {
          endOfServer();
          return;
        }
        showAlert(words.lost, 'lost');
        await pause(1000);
      }
    }
  }

  // Commands go one after the other, so that the plug-in plays them in the user's order.
  let pending = 0;
  function command(path, body) {
    pending += 1;
    showBusy();
    commands = commands.then(() => send(path, body)).finally(() => {
      pending -= 1;
      showBusy();
    });
    return commands;
  }

  // Busy while a command of this page waits for its answer, or while the server says so.
  function showBusy() {
    const busy = pending > 0 || !!(state && state.busy);
    if (pending > 0) $('windows').setAttribute('aria-busy', 'true');
    else $('windows').removeAttribute('aria-busy');
    $('busy').hidden = !busy;
    $('busy').textContent = words.busy;
  }

  async function send(path, body) {
    try {
      const answer = await request('POST', path, body);
      if (!answer.ok) {
        showAlert(await reason(answer));
        // Controls the user changed go back to what the plug-in holds.
        if (state && !ended) drawWindows();
        return false;
      }
      if (alertKind === 'reason') showAlert('');
      show(await answer.json());
      return true;
    } catch (error) {
      showAlert(words.lost, 'lost');
      return false;
    }
  }

  function machineCommand(machine, action) {
    return command(`/api/machines/${machine}/${action}`);
  }

  function windowEvent(window, event) {
    return command(`/api/windows/${window}/events`, event);
  }

  function show(next) {
    if (ended || typeof next.version !== 'number' || (state && next.version <= state.version)) return;
    state = next;
    render();
    document.body.dataset.version = next.version;
  }

  function selectedMachine() {
    const wanted = /^#m(\d+)$/.exec(location.hash);
    const machines = state.machines;
    return machines.find((m) => wanted && m.machine === Number(wanted[1])) || machines[0] || null;
  }

  function render() {
    words = state.language === kFrench ? WORDS.fr : WORDS.en;
    document.documentElement.lang = state.language === kFrench ? 'fr' : 'en';
    showBusy();
    $('machines').setAttribute('aria-label', words.machines);
    followTopWindow();
    const machine = selectedMachine();
    drawElsewhere(machine);
    document.title = machine ? `${machine.name} · Vantel` : 'Vantel';
    drawMachineList(machine);
    announceVerdicts();
    drawToolbar(machine);
    drawMachine(machine);
    drawWindows();
    sendScreen();
  }

  const notesOf = PageWords.notesOf;
  const verdictWords = (m) => PageWords.verdictWords(words, m);

  // The colour of a machine's mark says its verdict at a glance; the words say it to all.
  function drawMachineList(current) {
    const links = state.machines.map((m) =>
      el('a', {
        href: `#m${m.machine}`,
        title: m.unsaved > 0 ? words.unsavedItems(m.unsaved) : false,
        'aria-current': m === current ? 'page' : false,
        class: kVerdictClass[m.verdict] || 'unchecked',
        'data-unsaved': m.unsaved > 0 ? m.unsaved : false,
      }, `${m.machine} · ${m.name}`,
      el('span', { class: 'list-verdict', text: ` · ${verdictWords(m)}` })));
    $('machines').replaceChildren(...links);
  }

  // A verdict that changes is read out, for a user who is not looking at the list.
  function announceVerdicts() {
    let news = $('verdict-news');
    if (!news) {
      news = el('p', { id: 'verdict-news', class: 'visually-hidden', role: 'status' });
      $('alert').after(news);
    }
    const changed = [];
    for (const m of state.machines) {
      const before = verdictsSeen.get(m.machine);
      if (before !== undefined && before !== m.verdict) {
        changed.push(fill(words.verdictNews, `${m.machine} · ${m.name}`, verdictWords(m)));
      }
      verdictsSeen.set(m.machine, m.verdict);
    }
    if (changed.length) news.textContent = changed.join('. ');
  }

  // The server has ended: its windows can no longer be answered, so they go, and the page
  // says so in the language it had.
  function endOfServer() {
    if (ended) return;
    const hadWindows = windowViews.size > 0 || !!reportView;
    for (const view of windowViews.values()) view.root.remove();
    windowViews.clear();
    if (reportView) reportView.root.remove();
    reportView = null;
    $('windows').hidden = true;
    $('machine').inert = false;
    for (const button of toolbarButtons.values()) button.disabled = true;
    showAlert(hadWindows ? words.endedWindows : words.ended, 'ended');
    ended = true;
  }

  // The buttons stay the same elements across redraws, so that focus stays on them.
  function toolbarButton(key, onclick) {
    let button = toolbarButtons.get(key);
    if (!button) {
      button = el('button', { type: 'button', 'data-action': key, onclick });
      toolbarButtons.set(key, button);
    }
    return button;
  }

  function drawToolbar(machine) {
    const bar = $('toolbar');
    if (!machine) {
      bar.replaceChildren();
      return;
    }
    bar.setAttribute('aria-label', machine.name);
    const actions = ['check', 'edit', 'rail1', 'rail2', 'save'];
    const maps = machine.railMaps || {};
    const buttons = actions.map((action) => {
      const button = toolbarButton(action, (event) => press(event, action));
      // A rail's scales edit one map, not always the one of the rail's number: named here.
      button.textContent = maps[action] ? `${words[action]} (${maps[action]})` : words[action];
      return button;
    });
    const toggle = toolbarButton('toggle', (event) => press(event, 'toggle'));
    toggle.textContent = machine.opened ? words.close : words.open;
    buttons.push(toggle);
    offerWhatTheMachineTakes(buttons, machine);
    if (buttons.some((b, i) => bar.children[i] !== b) || bar.children.length !== buttons.length) {
      bar.replaceChildren(...buttons);
    }
  }

  // A closed machine takes Open only: the plug-in has nothing to act on, and says so as if
  // the file were broken.
  function offerWhatTheMachineTakes(buttons, machine) {
    for (const button of buttons) {
      button.disabled = !machine.opened && button.dataset.action !== 'toggle';
    }
  }

  // One press, one command: the second click of a double click, or a click while the same
  // command of this page waits for its answer, sends nothing, so that a double click on Edit
  // starts one action and on Save writes once. A deliberate second press still goes to the
  // plug-in, whose refusal shows.
  const inFlight = new Set();
  function press(event, button) {
    const m = selectedMachine();
    if (event.detail > 1 || !m) return;
    const action = button === 'toggle' ? (m.opened ? 'close' : 'open') : button;
    const key = `${m.machine}/${action}`;
    if (inFlight.has(key)) return;
    if (action === 'close' && m.unsaved > 0 && !confirm(words.closeUnsaved(m.name, m.unsaved))) return;
    inFlight.add(key);
    const play = () => machineCommand(m.machine, action);
    (action === 'save' ? PageReview.beforeSave(m, event.currentTarget, play) : play()).finally(() => inFlight.delete(key));
  }

  function nameList(list) {
    return list.length ? list.join(', ') : words.none;
  }

  function drawSwitches(title, key, switches) {
    return el('div', { class: 'switches', 'data-section': key },
      el('h4', { text: title }),
      el('dl', {},
        el('dt', { text: words.on }), el('dd', { class: 'on', text: nameList(switches.on) }),
        el('dt', { text: words.off }), el('dd', { class: 'off', text: nameList(switches.off) })));
  }

  function drawReport(rows, notes) {
    if (!rows.length) return el('p', { class: 'empty', text: words.noRows });
    return el('ol', { class: 'report' }, ...rows.map((row) =>
      el('li', { class: notes ? 'note' : null },
        notes ? el('span', { class: 'note-mark', text: `${words.note} · ` }) : null,
        el('span', { class: 'row', text: row.text }),
        (row.findings || []).length
          ? el('ul', { class: 'findings' }, ...row.findings.map((finding) =>
            el('li', {},
              el('span', { class: 'finding', text: finding.text }),
              finding.rule
                ? el('span', { class: 'rule', text: ` (${words.rule} ${finding.rule})` })
                : null)))
          : null)));
  }

  function drawLog(lines) {
    // It scrolls on its own: a keyboard reaches it to scroll it.
    return el('ol', { class: 'log', 'data-section': 'log', tabindex: '0', 'aria-label': words.log },
      ...lines.map((line) => el('li', { class: kLogLineClass[line.kind] || null, text: line.text })));
  }

  // The machine as last drawn: drawn again only when it or the language changed, so that a
  // window's event does not rebuild the details behind it.
  let machineDrawn = '';
  function drawMachine(m) {
    const main = $('machine');
    const drawing = JSON.stringify([m, state.language]);
    if (drawing === machineDrawn && main.firstChild) return;
    machineDrawn = drawing;
    if (!m) {
      main.replaceChildren(el('p', { text: words.noMachine }));
      return;
    }
    const verdictClass = kVerdictClass[m.verdict] || 'unchecked';
    const section = el('section',
      { id: `m${m.machine}`, class: 'machine', 'aria-labelledby': 'machine-name' },
      el('h2', { id: 'machine-name', text: m.name }),
      el('dl', { class: 'facts' },
        el('dt', { text: words.file }), el('dd', { class: 'file', text: m.file }),
        el('dt', { text: words.verdict }),
        el('dd', { class: `verdict ${verdictClass}`, text: verdictWords(m) }),
        el('dt', { text: words.status }), el('dd', { text: m.opened ? words.opened : words.closed }),
        m.saved ? el('dt', { text: words.saved }) : null,
        m.saved ? el('dd', { class: 'saved', text: m.saved }) : null,
        m.unsaved > 0 ? el('dt', { text: words.unsaved }) : null,
        m.unsaved > 0 ? el('dd', { class: 'unsaved', text: words.unsavedItems(m.unsaved) }) : null),
      el('h3', { text: words.report }), drawReport(m.report || [], notesOf(m) > 0),
      el('h3', { text: words.wheel }), wheelFigure(m),
      el('div', { class: 'columns' },
        el('div', { class: 'column' },
          el('h3', { text: words.switched }),
          drawSwitches(words.functions, 'functions', m.functions),
          drawSwitches(words.supervisions, 'supervisions', m.supervisions),
          drawSwitches(words.dataItems, 'dataItems', m.dataItems),
          el('h3', { text: words.tablesRewritten }),
          el('p', { class: 'tables', text: nameList(m.tablesRewritten || []) })),
        el('div', { class: 'column' },
          el('h3', { text: words.log }), drawLog(m.log || []))));
    const oldLog = main.querySelector('.log');
    const atEnd = !oldLog || oldLog.scrollTop + oldLog.clientHeight >= oldLog.scrollHeight - 4;
    const logFocused = !!oldLog && document.activeElement === oldLog;
    const scrollTop = main.scrollTop;
    main.replaceChildren(section);
    main.scrollTop = scrollTop;
    const log = main.querySelector('.log');
    log.scrollTop = atEnd ? log.scrollHeight : oldLog.scrollTop;
    if (logFocused) log.focus({ preventScroll: true });
  }

  // The picture is the server's SVG inline; it is fetched again only when the tables change.
  function wheelFigure(m) {
    let wheel = wheels.get(m.machine);
    if (!wheel) {
      wheel = { version: null, loading: null, figure: el('figure', { class: 'wheel', role: 'img' }) };
      wheels.set(m.machine, wheel);
    }
    wheel.figure.setAttribute('aria-label', `${words.wheel} ${m.name}`);
    if (wheel.version !== m.wheelVersion && wheel.loading !== m.wheelVersion) loadWheel(m, wheel);
    return wheel.figure;
  }

  async function loadWheel(m, wheel) {
    const version = m.wheelVersion;
    wheel.loading = version;
    try {
      const answer = await request('GET', `/api/machines/${m.machine}/wheel.svg`);
      if (!answer.ok) throw new Error(await reason(answer));
      const picture = new DOMParser().parseFromString(await answer.text(), 'image/svg+xml');
      const svg = picture.documentElement;
      if (svg.localName !== 'svg') throw new Error('no picture');
      // A picture, nothing that runs: the host escapes its texts; this holds if it ever did not.
      for (const script of svg.querySelectorAll('script, foreignObject')) script.remove();
      for (const node of [svg, ...svg.querySelectorAll('*')]) {
        for (const { name, value } of [...node.attributes]) {
          const link = /href$/i.test(name) && /^\s*javascript:/i.test(value);
          if (/^on/i.test(name) || link) node.removeAttribute(name);
        }
      }
      if (wheel.loading !== version) return;
      wheel.figure.replaceChildren(document.importNode(svg, true));
      wheel.figure.dataset.version = version;
      wheel.version = version;
    } catch (error) {
      wheel.figure.replaceChildren(el('figcaption', { class: 'error', text: error.message }));
    } finally {
      if (wheel.loading === version) wheel.loading = null;
    }
  }

  // ---- The plug-in's windows, drawn with real form controls.

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
    items.forEach(({ control, visible, page }) => {
      if (!visible || !kChoiceKinds.has(control.kind)) return;
      const key = `${page}:${control.text}`;
      seen.set(key, (seen.get(key) || 0) + 1);
    });
    items.forEach(({ control, visible, page }, index) => {
      if (!kChoiceKinds.has(control.kind)) return;
      const { input, text } = view.pieces.get(control.handle);
      const context = visible && seen.get(`${page}:${control.text}`) > 1 ? contextOf(index) : null;
      if (context) input.setAttribute('aria-labelledby', `${context} ${text.id}`);
      else input.removeAttribute('aria-labelledby');
    });
  }

  function makeControl(view, control) {
    const handle = control.handle;
    const id = `w${view.handle}c${handle}`;
    const base = { 'data-handle': handle, 'data-id': control.id, 'data-kind': control.kind };
    const click = () => windowEvent(view.handle, { control: handle, action: ACT.click });
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
          onchange: () => windowEvent(view.handle,
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
    if (input.value === input.dataset.held) return commands;
    input.dataset.held = input.value;
    const control = Number(input.dataset.handle);
    return windowEvent(view.handle, { control, action: ACT.type, text: input.value });
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
          onclick: () => windowEvent(view.handle, { control: control.handle, action: ACT.tab, index }),
          onkeydown: (event) => {
            const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
            if (!step) return;
            event.preventDefault();
            const next = (index + step + items.length) % items.length;
            windowEvent(view.handle, { control: control.handle, action: ACT.tab, index: next })
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
        onclick: () => windowEvent(w.handle, { action: ACT.cancel }),
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
    const [min, max, page, position] = w.scroll;
    if (!view.scrollBar) {
      // As a scroll bar does: the thumb is tracked while it moves, then its position given.
      const thumb = (request) => windowEvent(view.handle,
        { action: ACT.scroll, request, position: Number(view.scrollBar.value) });
      view.scrollBar = el('input', {
        type: 'range', class: 'scroll-bar', 'aria-orientation': 'vertical',
        oninput: () => thumb(SCROLL.thumbTrack), onchange: () => thumb(SCROLL.thumbPosition),
      });
      view.root.append(view.scrollBar);
    }
    const bar = view.scrollBar;
    bar.setAttribute('aria-label', words.scroll);
    bar.min = min;
    bar.max = Math.max(min, max - page + 1);
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
    const [min, max, page, position] = view.scroll;
    const delta = top < kCaptionHeight ? top - kCaptionHeight - kFocusMargin
      : bottom > view.rect[3] ? bottom - view.rect[3] + kFocusMargin : 0;
    if (!delta) return;
    const to = Math.max(min, Math.min(max - page + 1, position + delta));
    if (to === position) return;
    windowEvent(view.handle, { action: ACT.scroll, request: SCROLL.thumbTrack, position: to });
  }

  function onWheel(view, event) {
    if (!view.scrollBar || view.root.inert || event.deltaY === 0) return;
    event.preventDefault();
    const request = event.deltaY > 0 ? SCROLL.lineDown : SCROLL.lineUp;
    windowEvent(view.handle, { action: ACT.scroll, request, position: 0 });
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
      windowEvent(view.handle, control ? { control, action: ACT.help } : { action: ACT.help });
      return;
    }
    if (event.key === 'Escape') {
      event.preventDefault();
      if (!view.help.hidden) {
        hideHelp(view);
        return;
      }
      windowEvent(view.handle, { action: ACT.cancel });
      return;
    }
    if ((event.key === 'PageUp' || event.key === 'PageDown') && view.scrollBar &&
        !(target instanceof HTMLSelectElement)) {
      event.preventDefault();
      const request = event.key === 'PageUp' ? SCROLL.pageUp : SCROLL.pageDown;
      windowEvent(view.handle, { action: ACT.scroll, request, position: 0 });
      return;
    }
    if (event.key !== 'Enter' || target instanceof HTMLButtonElement) return;
    event.preventDefault();
    if (target instanceof HTMLInputElement && target.type === 'text') commitEdit(view, target);
    windowEvent(view.handle, { action: ACT.ok });
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

  function updateWindow(view, w, isTop) {
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
    view.caption.lastChild.setAttribute('aria-label', words.closeBox);

    const items = flatten(w.controls || [], true, []);
    // Each control's drawing depends on the control, its label, its group and its place:
    // a control none of these changed for keeps its node untouched.
    const wanted = items.map(({ control, visible, page }, index) => {
      const labelControl = visible && kLabelled.has(control.kind) ? labelOf(items, index) : null;
      const label = labelControl ? `w${view.handle}c${labelControl.handle}` : null;
      const group = enclosingGroup(items, items[index]);
      // The dialog's own buttons scroll out of its view with the rest: the bar keeps them.
      const pinned = bar > 0 && page === 0 && kButtons.has(control.kind);
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
  // fit it; one already open keeps its layout, and the page scrolls. Told on every drawing
  // (once the buttons above take their room) and when the room changes.
  let screenSent = '';
  function sendScreen() {
    const stage = $('stage');
    const width = Math.max(kSmallestScreen, stage.clientWidth - 2 * kWindowMargin);
    const height = Math.max(kSmallestScreen,
      stage.clientHeight - 2 * kWindowMargin - kButtonBarHeight);
    const size = `${width}x${height}`;
    if (!token || size === screenSent) return;
    screenSent = size;
    command('/api/screen', { width, height });
  }

  function drawWindows() {
    const layer = $('windows');
    const machine = selectedMachine();
    const windows = windowsOver(machine);
    const all = state.windows || [];
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
      updateWindow(view, w, w.handle === top);
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

  // The values stay with the server, not the tab, but a user who closes the tab takes it
  // for the end of the work and then stops the server.
  window.addEventListener('beforeunload', (event) => {
    if (!state || !state.machines.some((m) => m.unsaved > 0)) return;
    event.preventDefault();
    event.returnValue = '';
  });
  // ---- Where the windows are: each over its own machine.

  function served(machine) {
    return state.machines.some((m) => m.machine === machine);
  }

  // The windows drawn over `machine`: its own, and those of no machine served.
  function windowsOver(machine) {
    return (state.windows || []).filter((w) =>
      !machine || w.machine === machine.machine || !served(w.machine));
  }

  // A window that comes up takes the page to its machine: the plug-in waits for that window
  // alone, and what is beside it (report, wheel, log) must be that machine's.
  function followTopWindow() {
    const windows = state.windows || [];
    const top = windows.length ? windows[windows.length - 1] : null;
    const handle = top ? top.handle : 0;
    if (handle === followedWindow) return;
    followedWindow = handle;
    if (!top || !served(top.machine)) return;
    const shown = selectedMachine();
    if (shown && shown.machine !== top.machine) history.replaceState(null, '', `#m${top.machine}`);
  }

  // Back on another machine while a window waits: the page says where it is.
  function drawElsewhere(machine) {
    const note = $('elsewhere');
    const windows = state.windows || [];
    const top = windows.length ? windows[windows.length - 1] : null;
    const away = top && machine && served(top.machine) && top.machine !== machine.machine;
    note.hidden = !away;
    if (!away) {
      note.replaceChildren();
      return;
    }
    const owner = state.machines.find((m) => m.machine === top.machine);
    note.replaceChildren(`${words.elsewhere} ${owner.machine} · ${owner.name} (${top.caption}): `,
      el('a', { href: `#m${owner.machine}`, text: words.showIt }));
  }

  // ---- The plug-in's error report, modeless: its Close button, Enter, Escape and its close
  // box hide it, as they do the plug-in's own window.

  function makeReportView(w) {
    const hide = (action) => windowEvent(w.handle, { action });
    const view = { handle: w.handle, rowsKey: '' };
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
    view.root.addEventListener('keydown', (event) => {
      if (event.key === 'Escape') {
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
    view.closeBox.setAttribute('aria-label', words.closeBox);
    view.button.textContent = words.closeBox;
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

  window.addEventListener('hashchange', () => state && render());
  // The room changes with the browser's window and with the lines above it (a reason, a
  // note): told once it has settled.
  let resizing = 0;
  new ResizeObserver(() => {
    clearTimeout(resizing);
    resizing = setTimeout(sendScreen, 250);
  }).observe($('stage'));
  poll();
})();
