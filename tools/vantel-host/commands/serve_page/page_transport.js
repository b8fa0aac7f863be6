'use strict';
// The page's line to the server: the commands, one after the other, and the long poll that
// brings each new state. What comes back goes to `page.show`; an end of the server to
// `page.endOfServer`. A command's answer is only the version it made: the long poll brings
// that state, as the changes since the one the page holds, so that one event is parsed once
// and only for what it changed.
const PageTransport = (page) => {
  // A server that is gone for good refuses the connection; its token was its own, so no
  // server can take this page over: after this many refusals in a row it has ended.
  const kRefusalsOfAnEnd = 3;
  // A command's state is drawn from the long poll within this time, else fetched whole.
  const kDrawnWithin = 3000;
  let commands = Promise.resolve();
  let pending = 0;
  // Those waiting for a version to be drawn: [version, resolve].
  let awaiting = [];

  function pause(ms) {
    return new Promise((resolve) => setTimeout(resolve, ms));
  }

  function request(method, path, body) {
    const init = { method, cache: 'no-store', headers: { 'X-Vantel-Token': page.token } };
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
    if (!page.token) {
      page.showAlert(page.words.noToken);
      return;
    }
    let refused = 0;
    let whole = true;
    for (;;) {
      try {
        const since = page.state ? page.state.version : null;
        const asked = Date.now();
        const path = since === null || whole ? '/api/state'
          : `/api/state?since=${since}&answer=changes`;
        const answer = await request('GET', path);
        if (answer.status === 503) {
          page.endOfServer();
          return;
        }
        if (!answer.ok) {
          page.showAlert(await reason(answer), 'poll');
          await pause(2000);
          continue;
        }
        refused = 0;
        if (page.alertKind === 'lost' || page.alertKind === 'poll') page.showAlert('');
        const next = await answer.json();
        // Before its first state the server answers an empty one; an ending server answers at
        // once, over and over: neither is worth asking again straight away.
        const empty = typeof next.version !== 'number';
        if (empty || (next.version === since && Date.now() - asked < 1000)) await pause(500);
        if (empty) continue;
        // Changes of a state the page no longer holds: the next poll asks for the whole.
        const merged = PageState.merge(page.state, next);
        whole = !merged;
        if (merged) page.show(merged);
      } catch (error) {
        refused += 1;
        if (refused >= kRefusalsOfAnEnd) {
          page.endOfServer();
          return;
        }
        page.showAlert(page.words.lost, 'lost');
        await pause(1000);
      }
    }
  }

  // Commands go one after the other, so that the plug-in plays them in the user's order.
  function command(path, body) {
    pending += 1;
    page.showBusy();
    commands = commands.then(() => send(path, body)).finally(() => {
      pending -= 1;
      page.showBusy();
    });
    return commands;
  }

  async function send(path, body) {
    try {
      const answer = await request('POST', `${path}?answer=version`, body);
      if (!answer.ok) {
        page.showAlert(await reason(answer));
        // Controls the user changed go back to what the plug-in holds.
        if (page.state && !page.ended) page.drawWindows();
        return false;
      }
      if (page.alertKind === 'reason') page.showAlert('');
      // The command is done once what it made is drawn, as it was when its answer carried
      // the state: the next command, and whatever waits for this one, see it.
      const { version } = await answer.json();
      if (!(await drawn(version))) {
        const whole = await request('GET', '/api/state');
        if (whole.ok) page.show(await whole.json());
      }
      return true;
    } catch (error) {
      page.showAlert(page.words.lost, 'lost');
      return false;
    }
  }

  // Whether version `version` (or a later one) is drawn within kDrawnWithin.
  function drawn(version) {
    if (typeof version !== 'number' || (page.state && page.state.version >= version)) {
      return Promise.resolve(true);
    }
    return new Promise((resolve) => {
      const entry = [version, resolve];
      awaiting.push(entry);
      setTimeout(() => {
        awaiting = awaiting.filter((e) => e !== entry);
        resolve(false);
      }, kDrawnWithin);
    });
  }

  // The page has drawn `version`: the commands that made it, or an earlier one, are done.
  function shown(version) {
    const done = awaiting.filter(([wanted]) => wanted <= version);
    awaiting = awaiting.filter(([wanted]) => wanted > version);
    for (const [, resolve] of done) resolve(true);
  }

  return {
    request,
    shown,
    reason,
    poll,
    command,
    // The last command queued, settled once every command before it is.
    lastCommand: () => commands,
    commandsPending: () => pending,
    machineCommand: (machine, action) => command(`/api/machines/${machine}/${action}`),
    windowEvent: (window, event) => command(`/api/windows/${window}/events`, event),
  };
};
