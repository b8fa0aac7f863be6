'use strict';
// The served machines on the page: their list with each one's verdict, the host's commands
// for the one shown, and its details (report rows, switches, the flywheel picture, log).
const PageMachineView = (page) => {
  const { $, el } = page;
  const { fill } = PageWords;
  // How each verdict the server names is marked.
  const kVerdictClass = { coherent: 'coherent', 'not coherent': 'incoherent', rejected: 'incoherent' };
  const LOG_LINE = PAGE_DATA.vocabulary.logLineKinds;
  // How each kind of log line is marked.
  const kLogLineClass = { [LOG_LINE.send]: 'send', [LOG_LINE.request]: 'request' };
  const wheels = new Map();
  const toolbarButtons = new Map();

  const notesOf = PageWords.notesOf;
  const verdictWords = (m) => PageWords.verdictWords(page.words, m);

  // The colour of a machine's mark says its verdict at a glance; the words say it to all.
  function drawMachineList(current) {
    const links = page.state.machines.map((m) =>
      el('a', {
        href: `#m${m.machine}`,
        title: m.unsaved > 0 ? page.words.unsavedItems(m.unsaved) : false,
        'aria-current': m === current ? 'page' : false,
        class: kVerdictClass[m.verdict] || 'unchecked',
        'data-unsaved': m.unsaved > 0 ? m.unsaved : false,
      }, `${m.machine} · ${m.name}`,
      el('span', { class: 'list-verdict', text: ` · ${verdictWords(m)}` })));
    $('machines').replaceChildren(...links);
  }

  // A verdict that changes is read out, for a user who is not looking at the list.
  const verdictsSeen = new Map();
  function announceVerdicts() {
    let news = $('verdict-news');
    if (!news) {
      news = el('p', { id: 'verdict-news', class: 'visually-hidden', role: 'status' });
      $('alert').after(news);
    }
    const changed = PageState.verdictChanges(verdictsSeen, page.state.machines).map((m) =>
      fill(page.words.verdictNews, `${m.machine} · ${m.name}`, verdictWords(m)));
    if (changed.length) news.textContent = changed.join('. ');
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
      button.textContent = maps[action] ? `${page.words[action]} (${maps[action]})` : page.words[action];
      return button;
    });
    const toggle = toolbarButton('toggle', (event) => press(event, 'toggle'));
    toggle.textContent = machine.opened ? page.words.close : page.words.open;
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
  function once(machine, action) {
    const key = `${machine}/${action}`;
    if (inFlight.has(key)) return Promise.resolve(false);
    inFlight.add(key);
    return page.machineCommand(machine, action).finally(() => inFlight.delete(key));
  }

  // Save writes the machine's file: what it will write is shown first, and written only when
  // the user confirms it there.
  function saveMachine(index, opener) {
    return PageReview.beforeSave({ machine: index }, opener, () => once(index, 'save'));
  }

  function press(event, button) {
    const m = page.selectedMachine();
    if (event.detail > 1 || !m) return;
    if (button === 'save') {
      saveMachine(m.machine, event.currentTarget);
      return;
    }
    const action = button === 'toggle' ? (m.opened ? 'close' : 'open') : button;
    if (inFlight.has(`${m.machine}/${action}`)) return;
    const unsaved = action === 'close' && m.unsaved > 0;
    if (unsaved && !confirm(page.words.closeUnsaved(m.name, m.unsaved))) return;
    once(m.machine, action);
  }

  function nameList(list) {
    return list.length ? list.join(', ') : page.words.none;
  }

  function drawSwitches(title, key, switches) {
    return el('div', { class: 'switches', 'data-section': key },
      el('h4', { text: title }),
      el('dl', {},
        el('dt', { text: page.words.on }), el('dd', { class: 'on', text: nameList(switches.on) }),
        el('dt', { text: page.words.off }), el('dd', { class: 'off', text: nameList(switches.off) })));
  }

  function drawReport(rows, notes) {
    if (!rows.length) return el('p', { class: 'empty', text: page.words.noRows });
    return el('ol', { class: 'report' }, ...rows.map((row) =>
      el('li', { class: notes ? 'note' : null },
        notes ? el('span', { class: 'note-mark', text: `${page.words.note} · ` }) : null,
        el('span', { class: 'row', text: row.text }),
        (row.findings || []).length
          ? el('ul', { class: 'findings' }, ...row.findings.map((finding) =>
            el('li', {},
              el('span', { class: 'finding', text: finding.text }),
              finding.rule
                ? el('span', { class: 'rule', text: ` (${page.words.rule} ${finding.rule})` })
                : null)))
          : null)));
  }

  function drawLog(lines) {
    // It scrolls on its own: a keyboard reaches it to scroll it.
    return el('ol', { class: 'log', 'data-section': 'log', tabindex: '0', 'aria-label': page.words.log },
      ...lines.map((line) => el('li', { class: kLogLineClass[line.kind] || null, text: line.text })));
  }

  // The machine as last drawn: drawn again only when it or the language changed, so that a
  // window's event does not rebuild the details behind it.
  let machineDrawn = '';
  let drawnAs = [];
  function drawMachine(m) {
    const { words } = page;
    const main = $('machine');
    // A machine the long poll left unchanged is the very object last drawn.
    const as = [m, page.state.language];
    if (as.every((x, i) => x === drawnAs[i]) && main.firstChild) return;
    drawnAs = as;
    const drawing = JSON.stringify(as);
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
    wheel.figure.setAttribute('aria-label', `${page.words.wheel} ${m.name}`);
    if (wheel.version !== m.wheelVersion && wheel.loading !== m.wheelVersion) loadWheel(m, wheel);
    return wheel.figure;
  }

  async function loadWheel(m, wheel) {
    const version = m.wheelVersion;
    wheel.loading = version;
    try {
      const answer = await page.request('GET', `/api/machines/${m.machine}/wheel.svg`);
      if (!answer.ok) throw new Error(await page.reason(answer));
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

  // The server has ended: the commands stop.
  function endMachines() {
    for (const button of toolbarButtons.values()) button.disabled = true;
  }

  return { drawMachineList, announceVerdicts, drawToolbar, drawMachine, saveMachine, endMachines };
};
