'use strict';
// The page of `vantel-host serve`: it draws the state the server sends and turns what the
// user does into the server's commands. The server (and the plug-in behind it) decides
// everything; the page keeps nothing but what it last drew. This script ties the others
// together: the line to the server, the machines' view and the windows' view share `page`.
(() => {
  // The page's words come from the host's catalogue (PAGE_DATA, written at build time).
  const WORDS = PageWords.make(PAGE_DATA.words);
  const kFrench = 1036;

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

  const page = {
    $,
    el,
    token: new URLSearchParams(location.search).get('token') || '',
    state: null,
    words: WORDS.en,
    alertKind: '',
    // Once the server has ended nothing it sent can be driven: the page says so, in its
    // language, and no later failure speaks over it.
    ended: false,
    selectedMachine: () => PageState.selectedMachine(page.state, location.hash),
    showAlert,
    showBusy,
    show,
    endOfServer,
  };
  Object.assign(page, PageTransport(page));
  const machines = PageMachineView(page);
  const windows = PageWindowView(page);
  page.drawWindows = () => windows.drawWindows(true);

  function showAlert(text, kind = 'reason') {
    if (page.ended && kind !== 'ended') return;
    $('alert').textContent = text;
    page.alertKind = text ? kind : '';
  }

  // Busy while a command of this page waits for its answer, or while the server says so.
  function showBusy() {
    const pending = page.commandsPending() > 0;
    const busy = pending || !!(page.state && page.state.busy);
    if (pending) $('windows').setAttribute('aria-busy', 'true');
    else $('windows').removeAttribute('aria-busy');
    $('busy').hidden = !busy;
    $('busy').textContent = page.words.busy;
  }

  function show(next) {
    if (page.ended || !PageState.isNews(page.state, next)) return;
    page.state = next;
    render();
    document.body.dataset.version = next.version;
    page.shown(next.version);
  }

  function render() {
    const { state } = page;
    page.words = state.language === kFrench ? WORDS.fr : WORDS.en;
    document.documentElement.lang = state.language === kFrench ? 'fr' : 'en';
    showBusy();
    $('machines').setAttribute('aria-label', page.words.machines);
    windows.followTopWindow();
    const machine = page.selectedMachine();
    windows.drawElsewhere(machine);
    document.title = machine ? `${machine.name} · Vantel` : 'Vantel';
    machines.drawMachineList(machine);
    machines.announceVerdicts();
    machines.drawToolbar(machine);
    machines.drawMachine(machine);
    windows.drawWindows();
    windows.sendScreen();
  }

  // The server has ended: its windows can no longer be answered, so they go, and the page
  // says so in the language it had.
  function endOfServer() {
    if (page.ended) return;
    const hadWindows = windows.endWindows();
    machines.endMachines();
    showAlert(hadWindows ? page.words.endedWindows : page.words.ended, 'ended');
    page.ended = true;
  }

  // The values stay with the server, not the tab, but a user who closes the tab takes it
  // for the end of the work and then stops the server.
  window.addEventListener('beforeunload', (event) => {
    if (!page.state || !page.state.machines.some((m) => m.unsaved > 0)) return;
    event.preventDefault();
    event.returnValue = '';
  });
  window.addEventListener('hashchange', () => page.state && render());
  // The room changes with the browser's window and with the lines above it (a reason, a
  // note): told once it has settled.
  let resizing = 0;
  new ResizeObserver(() => {
    clearTimeout(resizing);
    resizing = setTimeout(windows.sendScreen, 250);
  }).observe($('stage'));
  page.poll();
})();
