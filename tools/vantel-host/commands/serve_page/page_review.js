'use strict';
// What Save will write, shown before it writes: the server's list of the changes between the
// file and the machine (GET /api/machines/N/review) in a modal window, Save or Cancel; and,
// beside Save, Revert (the machine opened afresh from its file) and Download (the file as
// Save would write it, not written).
const PageReview = (() => {
  const token = () => new URLSearchParams(location.search).get('token') || '';
  const words = () =>
    PageWords.make(PAGE_DATA.words)[document.documentElement.lang === 'fr' ? 'fr' : 'en'];

  function request(method, path) {
    return fetch(path, { method, cache: 'no-store', headers: { 'X-Vantel-Token': token() } });
  }

  function node(tag, attributes, ...children) {
    const made = document.createElement(tag);
    for (const [name, value] of Object.entries(attributes || {})) {
      if (name === 'text') made.textContent = value;
      else if (name === 'style') made.style.cssText = value;
      else if (name.startsWith('on')) made.addEventListener(name.slice(2), value);
      else made.setAttribute(name, value);
    }
    for (const child of children) if (child) made.append(child);
    return made;
  }

  // The machine the page shows: the one the address names, or the first.
  async function shownMachine() {
    const answer = await request('GET', '/api/state');
    if (!answer.ok) return null;
    const machines = (await answer.json()).machines || [];
    const wanted = /^#m(\d+)$/.exec(location.hash);
    return machines.find((m) => wanted && m.machine === Number(wanted[1])) || machines[0] || null;
  }

  function focusable(root) {
    return [...root.querySelectorAll('button, [href], [tabindex]:not([tabindex="-1"])')]
      .filter((e) => !e.disabled);
  }

  function changeItem(change) {
    return node('tr', { 'data-key': change.key },
      node('th', { scope: 'row', text: change.subject }),
      node('td', { text: change.before }),
      node('td', {},
        node('span', { text: change.after }),
        change.items.length
          ? node('span', { class: 'review-items', text: ` (${change.items.join(', ')})` }) : null,
        change.note ? node('div', { class: 'review-note', text: change.note }) : null));
  }

  // A modal window over the page: the keyboard stays in it, Escape cancels, and the focus
  // goes back to `opener` when it closes. Resolves true for Save.
  function ask(review, opener) {
    const w = words();
    return new Promise((resolve) => {
      const title = PageWords.fill(w.reviewTitle, review.file);
      const body = review.changes.length
        ? node('table', { class: 'review-changes' },
          node('thead', {}, node('tr', {},
            node('th', { scope: 'col', text: w.reviewWhat }),
            node('th', { scope: 'col', text: w.reviewBefore }),
            node('th', { scope: 'col', text: w.reviewAfter }))),
          node('tbody', {}, ...review.changes.map(changeItem)))
        : node('p', { text: w.reviewNothing });
      const save = node('button', { type: 'button', 'data-review': 'save', text: w.save });
      const cancel = node('button', { type: 'button', 'data-review': 'cancel', text: w.cancel });
      const dialog = node('div', {
        id: 'review', role: 'dialog', 'aria-modal': 'true', 'aria-labelledby': 'review-title',
        style: 'background:#fff;color:#000;padding:12px 16px;max-width:90vw;max-height:80vh;'
          + 'overflow:auto;border:1px solid #444;box-shadow:0 4px 16px rgba(0,0,0,.4)',
      }, node('h2', { id: 'review-title', text: title, style: 'font-size:1.1em;margin:0 0 8px' }),
      body, node('div', { style: 'display:flex;gap:6px;justify-content:flex-end;margin-top:10px' },
        save, cancel));
      const veil = node('div', {
        class: 'review-veil',
        style: 'position:fixed;inset:0;display:flex;align-items:center;justify-content:center;'
          + 'background:rgba(0,0,0,.35);z-index:1000',
      }, dialog);
      const close = (answer) => {
        veil.remove();
        if (opener && opener.isConnected) opener.focus();
        resolve(answer);
      };
      save.addEventListener('click', () => close(true));
      cancel.addEventListener('click', () => close(false));
      dialog.addEventListener('keydown', (event) => {
        if (event.key === 'Escape') {
          event.preventDefault();
          close(false);
          return;
        }
        if (event.key !== 'Tab') return;
        const inside = focusable(dialog);
        const first = inside[0];
        const last = inside[inside.length - 1];
        if (event.shiftKey && document.activeElement === first) {
          event.preventDefault();
          last.focus();
        } else if (!event.shiftKey && document.activeElement === last) {
          event.preventDefault();
          first.focus();
        }
      });
      // Focus that leaves the window (a click on the veil) comes back to it.
      document.addEventListener('focusin', function keep(event) {
        if (!veil.isConnected) {
          document.removeEventListener('focusin', keep);
          return;
        }
        if (!dialog.contains(event.target)) save.focus();
      });
      document.body.append(veil);
      save.focus();
    });
  }

  /// The Save button's press: the list first, then `save` when the user confirms it.
  async function beforeSave(machine, opener, save) {
    const answer = await request('GET', `/api/machines/${machine.machine}/review`);
    if (!answer.ok) return save();
    if (await ask(await answer.json(), opener)) return save();
    return undefined;
  }

  async function revert() {
    const m = await shownMachine();
    if (m) await request('POST', `/api/machines/${m.machine}/revert`);
  }

  async function download() {
    const m = await shownMachine();
    if (!m) return;
    const answer = await request('GET', `/api/machines/${m.machine}/download`);
    if (!answer.ok) return;
    const link = node('a', {
      href: URL.createObjectURL(await answer.blob()),
      download: (m.file || 'machine.json').split('/').pop(),
    });
    document.body.append(link);
    link.click();
    link.remove();
  }

  // Beside the toolbar's Save: drawn once, worded again whenever the page's language changes.
  function addButtons() {
    const toolbar = document.getElementById('toolbar');
    if (!toolbar || document.getElementById('review-actions')) return;
    const bar = node('div', { id: 'review-actions', class: 'toolbar', role: 'group' },
      node('button', { type: 'button', 'data-action': 'revert', onclick: revert }),
      node('button', { type: 'button', 'data-action': 'download', onclick: download }));
    toolbar.after(bar);
    const word = () => {
      const w = words();
      bar.children[0].textContent = w.revert;
      bar.children[1].textContent = w.download;
    };
    word();
    new MutationObserver(word).observe(document.documentElement,
      { attributes: true, attributeFilter: ['lang'] });
  }

  if (typeof document === 'object') {
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', addButtons);
    else addButtons();
  }

  return { beforeSave, ask };
})();
if (typeof module === 'object') module.exports = PageReview;
