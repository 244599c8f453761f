// The lobby's web page: enters the lobby's room as a guest over XMPP WebSocket and shows
// the open tables, who is online and the best players. docs/lobby-protocol.md describes
// every message. Text from the network only ever reaches the page as text (textContent,
// setAttribute), never as markup.
"use strict";

(function () {
  const NS = "urn:zumvek:vimbrel:lobby:1";
  const NS_MUC = "http://jabber.org/protocol/muc";
  const NS_MUC_USER = "http://jabber.org/protocol/muc#user";
  const NS_DELAY = "urn:xmpp:delay";
  const NS_PING = "urn:xmpp:ping";
  const NS_STANZAS = "urn:ietf:params:xml:ns:xmpp-stanzas";
  const BOT_NICK = "Lobby";
  const SEATS = 4;
  const SPECTATORS = 5;
  const MAX_TABLE_NAME = 32;
  const MAX_NICK = 24;
  const MAX_REASON = 80;
  const MAX_BEST = 20;
  const MAX_RATING = 1000000;
  // Changes kept while the whole list is on its way; more means one was lost.
  const MAX_EARLY = 64;
  const IQ_TIMEOUT_MS = 10000;
  const RETRY_FIRST_MS = 1000;
  const RETRY_LAST_MS = 30000;

  const $ = (id) => document.getElementById(id);
  // The page's own folder, wherever the page was reached from.
  const HERE = document.currentScript ? document.currentScript.src : location.href;

  // ---- reading what the bot sends: the limits of docs/lobby-protocol.md ----------------

  const chars = (s) => Array.from(s).length;
  // No control characters, line or paragraph separators, or noncharacters U+FFFE/FFFF.
  const plainText = (s) => !/[\u0000-\u001f\u007f-\u009f\u2028\u2029\ufffe\uffff]/.test(s);
  const isKey = (s) => /^[A-Za-z0-9_-]{1,16}$/.test(s);
  const isText = (s, max) => s !== "" && chars(s) <= max && plainText(s);
  // A table's name must also hold more than blanks.
  const isTableName = (s) => s.trim() !== "" && isText(s, MAX_TABLE_NAME);

  function wholeNumber(text, lo, hi) {
    if (!/^[0-9]{1,16}$/.test(text || "")) return null;
    const v = Number(text);
    return v >= lo && v <= hi ? v : null;
  }

  // Four decimal parts of 0..255 without leading zeros, as the game reads them.
  function isIPv4(s) {
    const parts = s.split(".");
    return parts.length === 4 &&
      parts.every((p) => /^(0|[1-9][0-9]{0,2})$/.test(p) && Number(p) <= 255);
  }

  // The address in the form the browser's own parser writes it, or null when it is none.
  function normalIPv6(s) {
    if (!/^[0-9A-Fa-f:.]{2,45}$/.test(s) || !s.includes(":")) return null;
    try {
      const host = new URL("http://[" + s + "]/").hostname;
      return host.slice(1, -1);
    } catch (e) {
      return null;
    }
  }

  function attr(el, name) {
    return el.getAttribute(name) || "";
  }

  function childOf(el, name, ns) {
    for (const c of Array.from(el.children)) {
      if (c.localName === name && c.namespaceURI === ns) return c;
    }
    return null;
  }

  // One listed table, or null when any field is out of its limits.
  function readTable(el) {
    const t = {
      key: attr(el, "key"), host: attr(el, "host"), id: attr(el, "id"), name: attr(el, "name"),
      ipv4: attr(el, "ipv4"), ipv6: attr(el, "ipv6"), state: attr(el, "state"),
      reach: attr(el, "reach"), reason: attr(el, "reason"), server: attr(el, "server") === "1",
      port: wholeNumber(attr(el, "port"), 1, 65535),
      seats: wholeNumber(attr(el, "seats"), 0, SEATS),
      spectators: wholeNumber(attr(el, "spectators"), 0, SPECTATORS),
    };
    const ok = isKey(t.key) && isKey(t.id) && isText(t.host, MAX_NICK) && isTableName(t.name) &&
      (t.ipv4 === "" || isIPv4(t.ipv4)) && (t.ipv6 === "" || normalIPv6(t.ipv6) !== null) &&
      (t.ipv4 !== "" || t.ipv6 !== "") && t.port !== null && t.seats !== null &&
      t.spectators !== null && (t.state === "waiting" || t.state === "playing") &&
      ["checking", "yes", "no"].includes(t.reach) && chars(t.reason) <= MAX_REASON &&
      plainText(t.reason) && ["", "0", "1"].includes(attr(el, "server"));
    return ok ? t : null;
  }

  // A <tables> element: {seq, full, tables, gone}, or null when anything in it is wrong.
  function readChange(el) {
    const seq = wholeNumber(attr(el, "seq"), 0, Number.MAX_SAFE_INTEGER);
    if (seq === null) return null;
    const change = { seq: seq, full: attr(el, "full") === "1", tables: [], gone: [] };
    for (const c of Array.from(el.children)) {
      if (c.namespaceURI !== NS) return null;
      if (c.localName === "table") {
        const t = readTable(c);
        if (!t) return null;
        change.tables.push(t);
      } else if (c.localName === "gone" && isKey(attr(c, "key"))) {
        change.gone.push(attr(c, "key"));
      } else {
        return null;
      }
    }
    return change;
  }

  function readPlayers(el) {
    const out = [];
    for (const c of Array.from(el.children)) {
      if (c.localName !== "player" || c.namespaceURI !== NS) return null;
      const name = attr(c, "name");
      const r = attr(c, "rating");
      const rating = /^-?[0-9]{1,7}$/.test(r) ? Number(r) : NaN;
      const games = wholeNumber(attr(c, "games"), 1, Number.MAX_SAFE_INTEGER);
      if (!isText(name, MAX_NICK) || !(Math.abs(rating) <= MAX_RATING) || games === null) {
        return null;
      }
      out.push({ name: name, rating: rating, games: games });
    }
    return out;
  }

  // A <ratings> element: {best (or null when absent), online}, or null when it is wrong.
  function readRatings(el) {
    const r = { best: null, online: [] };
    const best = childOf(el, "best", NS);
    const online = childOf(el, "online", NS);
    if (el.children.length !== (best ? 1 : 0) + (online ? 1 : 0)) return null;
    if (best) {
      r.best = readPlayers(best);
      if (!r.best || r.best.length > MAX_BEST) return null;
    }
    if (online) {
      r.online = readPlayers(online);
      if (!r.online) return null;
    }
    return r;
  }

  // The link the game takes for a table: IPv4 when announced, else the bracketed IPv6.
  function playLink(t) {
    let host = null;
    if (t.ipv4 !== "" && isIPv4(t.ipv4)) {
      host = t.ipv4;
    } else if (t.ipv6 !== "") {
      const v6 = normalIPv6(t.ipv6);
      if (v6) host = "[" + v6 + "]";
    }
    if (!host || !(t.port >= 1 && t.port <= 65535)) return null;
    return "vimbrel://join/" + host + ":" + t.port;
  }

  // ---- what the page knows ------------------------------------------------------------

  const lobby = {
    config: null,
    conn: null,
    generation: 0, // callbacks of a connection that was given up are ignored
    nick: "",
    joined: false,
    occupants: new Map(), // nick -> {affiliation, role, at}
    tables: new Map(), // key -> table
    seq: 0,
    current: false, // the whole list arrived since the last join
    early: [],
    fetching: false,
    listTrouble: false, // the bot did not answer the last request for the list
    refetchTimer: 0,
    refetchMs: 2000,
    best: [],
    online: new Map(), // nick -> {rating, games}
    retryMs: RETRY_FIRST_MS,
    retryTimer: 0,
  };

  function clearRoom() {
    lobby.joined = false;
    lobby.occupants.clear();
    lobby.tables.clear();
    lobby.seq = 0;
    lobby.current = false;
    lobby.early = [];
    lobby.fetching = false;
    lobby.listTrouble = false;
    clearTimeout(lobby.refetchTimer);
    lobby.best = [];
    lobby.online.clear();
  }

  // The bot's own list work: one change past the last, older ones ignored, a gap refetches.
  function applyChange(change) {
    if (change.full) {
      if (lobby.current && change.seq < lobby.seq) return;
      lobby.tables.clear();
      for (const t of change.tables) lobby.tables.set(t.key, t);
      lobby.seq = change.seq;
      lobby.current = true;
      const early = lobby.early.sort((a, b) => a.seq - b.seq);
      lobby.early = [];
      for (const c of early) {
        if (c.seq <= lobby.seq) continue;
        if (c.seq !== lobby.seq + 1) break;
        applyOne(c);
      }
      return;
    }
    if (!lobby.current) {
      if (lobby.early.length >= MAX_EARLY) lobby.early.shift();
      lobby.early.push(change);
      return;
    }
    if (change.seq <= lobby.seq) return;
    if (change.seq !== lobby.seq + 1) {
      lobby.current = false;
      lobby.early = [change];
      fetchTables();
      return;
    }
    applyOne(change);
  }

  function applyOne(c) {
    for (const t of c.tables) lobby.tables.set(t.key, t);
    for (const key of c.gone) lobby.tables.delete(key);
    lobby.seq = c.seq;
  }

  function applyRatings(r, whole) {
    if (r.best) lobby.best = r.best;
    if (whole) lobby.online.clear();
    for (const p of r.online) lobby.online.set(p.name, p);
  }

  // ---- showing it ---------------------------------------------------------------------

  function el(tag, className, text) {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (text !== undefined) e.textContent = text;
    return e;
  }

  function setStatus(text, kind) {
    const s = $("status");
    s.textContent = text;
    s.setAttribute("data-kind", kind);
  }

  function byName(a, b) {
    const n = a.name.localeCompare(b.name, undefined, { sensitivity: "base" });
    return n !== 0 ? n : (a.key < b.key ? -1 : a.key > b.key ? 1 : 0);
  }

  function tableItem(t) {
    const li = el("li", "table");
    li.setAttribute("data-key", t.key);
    li.setAttribute("data-reach", t.reach);
    const head = el("div", "table-head");
    head.appendChild(el("span", "table-name", t.name));
    head.appendChild(el("span", "table-state state-" + t.state, t.state));
    li.appendChild(head);

    const facts = el("p", "table-facts");
    facts.appendChild(el("span", "table-players", t.seats + "/" + SEATS + " players"));
    facts.appendChild(el("span", "table-spectators",
      t.spectators + "/" + SPECTATORS + " spectators"));
    facts.appendChild(el("span", "table-host",
      t.server ? "on the lobby's server" : "hosted by " + t.host));
    li.appendChild(facts);

    const foot = el("div", "table-foot");
    let reach;
    if (t.reach === "yes") reach = el("span", "reach reach-yes", "reachable");
    else if (t.reach === "checking") reach = el("span", "reach reach-checking", "checking…");
    else reach = el("span", "reach reach-no", "not reachable" + (t.reason ? ": " + t.reason : ""));
    foot.appendChild(reach);
    const link = playLink(t);
    if (link) {
      const a = el("a", "play", "Play");
      a.setAttribute("href", link);
      a.setAttribute("title", "Open this table in the game (" + link + ")");
      foot.appendChild(a);
    }
    li.appendChild(foot);
    return li;
  }

  function renderTables() {
    const list = $("tables");
    const tables = Array.from(lobby.tables.values()).sort(byName);
    list.replaceChildren(...tables.map(tableItem));
    $("tables-count").textContent = lobby.joined ? String(tables.length) : "";
    const empty = $("tables-empty");
    empty.hidden = tables.length > 0;
    empty.textContent = !lobby.joined ? "Not connected to the lobby."
      : lobby.listTrouble ? "The list of tables is not available at the moment. Trying again."
        : "No open tables right now.";
  }

  function isBot(nick, o) {
    return nick === BOT_NICK && (o.affiliation === "owner" || o.affiliation === "admin");
  }

  function renderOnline() {
    const nicks = Array.from(lobby.occupants.keys())
      .filter((n) => n !== lobby.nick && !isBot(n, lobby.occupants.get(n)))
      .sort((a, b) => a.localeCompare(b, undefined, { sensitivity: "base" }));
    const items = nicks.map((nick) => {
      const li = el("li", "person");
      li.appendChild(el("span", "person-name", nick));
      const rated = lobby.online.get(nick);
      if (rated) {
        const r = el("span", "person-rating", String(rated.rating));
        r.setAttribute("title",
          "Rating, after " + rated.games + (rated.games === 1 ? " rated game" : " rated games"));
        li.appendChild(r);
      }
      const at = lobby.occupants.get(nick).at;
      const table = at && lobby.tables.get(at.key);
      if (table) {
        li.appendChild(el("span", "person-at",
          (at.as === "spectator" ? "watching " : "playing at ") + table.name));
      }
      return li;
    });
    $("online").replaceChildren(...items);
    $("online-count").textContent = lobby.joined ? String(items.length) : "";
    const empty = $("online-empty");
    empty.hidden = items.length > 0;
    empty.textContent = lobby.joined ? "Nobody else is here." : "Not connected to the lobby.";
  }

  function renderBest() {
    const rows = lobby.best.map((p, i) => {
      const tr = el("tr");
      tr.appendChild(el("td", "rank", String(i + 1)));
      tr.appendChild(el("td", "player", p.name));
      tr.appendChild(el("td", "rating", String(p.rating)));
      tr.appendChild(el("td", "games", String(p.games)));
      return tr;
    });
    $("best-rows").replaceChildren(...rows);
    $("best").hidden = rows.length === 0;
    $("best-empty").hidden = rows.length > 0;
    $("best-empty").textContent =
      lobby.joined ? "No rated games yet." : "Not connected to the lobby.";
  }

  function render() {
    renderTables();
    renderOnline();
    renderBest();
  }

  // ---- talking to the server ----------------------------------------------------------

  function randomLetters(n) {
    const letters = "abcdefghijkmnpqrstuvwxyz";
    const bytes = new Uint8Array(n);
    crypto.getRandomValues(bytes);
    return Array.from(bytes, (b) => letters[b % letters.length]).join("");
  }

  function roomJid() {
    const c = lobby.config;
    return "vimbrel-" + c.version.replace(/\./g, "-") + "@conference." + c.domain;
  }

  function botJid() {
    return "lobbybot@" + lobby.config.domain + "/bot";
  }

  function connect() {
    clearTimeout(lobby.retryTimer);
    const generation = ++lobby.generation;
    const scheme = location.protocol === "https:" ? "wss:" : "ws:";
    const conn = new Strophe.Connection(scheme + "//" + location.host + "/xmpp-websocket");
    lobby.conn = conn;
    setStatus("Connecting to the lobby…", "busy");
    conn.connect("guest." + lobby.config.domain, null, (status) => {
      if (generation !== lobby.generation) return;
      const S = Strophe.Status;
      if (status === S.CONNECTED) {
        online(conn);
      } else if (status === S.CONNFAIL || status === S.AUTHFAIL || status === S.ERROR ||
                 status === S.CONNTIMEOUT || status === S.DISCONNECTED) {
        dropped(status === S.AUTHFAIL ? "The lobby refused guests" : "");
      }
    });
  }

  function online(conn) {
    conn.addHandler((iq) => answerIq(conn, iq), null, "iq", ["get", "set"]);
    conn.addHandler(onPresence, null, "presence");
    conn.addHandler(onMessage, null, "message", "groupchat");
    setStatus("Entering the room…", "busy");
    join(conn);
  }

  function join(conn) {
    lobby.nick = "web-" + randomLetters(6);
    conn.send($pres({ to: roomJid() + "/" + lobby.nick })
      .c("x", { xmlns: NS_MUC }).c("history", { maxstanzas: "0" }));
  }

  // Pings keep the server from dropping the page; anything else asked of it, it does not do.
  function answerIq(conn, iq) {
    const ping = iq.getAttribute("type") === "get" && childOf(iq, "ping", NS_PING) !== null;
    const reply = $iq({ type: ping ? "result" : "error", to: attr(iq, "from"),
                        id: attr(iq, "id") });
    if (!ping) reply.c("error", { type: "cancel" }).c("service-unavailable", { xmlns: NS_STANZAS });
    conn.send(reply);
    return true;
  }

  // The one way out of a connection, whatever ended it: the page forgets the room, closes
  // what is left of the connection and tries again, later each time.
  function dropped(why) {
    if (!lobby.conn) return;
    const conn = lobby.conn;
    lobby.conn = null;
    lobby.generation++;
    try {
      conn.disconnect();
    } catch (e) {
      // a connection that is already gone has nothing to close
    }
    clearRoom();
    render();
    const seconds = Math.round(lobby.retryMs / 1000);
    setStatus((why || "No connection to the lobby") + ". Trying again in " + seconds + " s.",
      "error");
    lobby.retryTimer = setTimeout(connect, lobby.retryMs);
    lobby.retryMs = Math.min(lobby.retryMs * 2, RETRY_LAST_MS);
  }

  function fromRoom(stanza) {
    const from = attr(stanza, "from");
    const slash = from.indexOf("/");
    if (slash < 0 || from.slice(0, slash) !== roomJid()) return null;
    return from.slice(slash + 1);
  }

  function statusCodes(x) {
    if (!x) return [];
    return Array.from(x.children).filter((c) => c.localName === "status")
      .map((c) => attr(c, "code"));
  }

  function onPresence(p) {
    const conn = lobby.conn;
    const nick = fromRoom(p);
    if (!conn || nick === null) return true;
    const x = childOf(p, "x", NS_MUC_USER);
    const codes = statusCodes(x);
    const self = nick === lobby.nick || codes.includes("110");
    const type = attr(p, "type");
    if (type === "error") {
      if (!self) return true;
      const error = Array.from(p.children).find((c) => c.localName === "error");
      if (error && childOf(error, "conflict", NS_STANZAS) && !lobby.joined) {
        join(conn); // somebody has this nick: another one
      } else {
        dropped("The lobby's room refused the page");
      }
      return true;
    }
    if (type === "unavailable") {
      if (self) {
        dropped("Out of the lobby's room");
        return true;
      }
      lobby.occupants.delete(nick);
      lobby.online.delete(nick);
      renderOnline();
      return true;
    }
    const item = x && childOf(x, "item", NS_MUC_USER);
    const at = childOf(p, "at", NS);
    const wasBot = lobby.occupants.has(nick) && isBot(nick, lobby.occupants.get(nick));
    lobby.occupants.set(nick, {
      affiliation: item ? attr(item, "affiliation") : "none",
      role: item ? attr(item, "role") : "none",
      at: at && isKey(attr(at, "key")) ? { key: attr(at, "key"), as: attr(at, "as") } : null,
    });
    if (self && !lobby.joined) {
      lobby.joined = true;
      lobby.retryMs = RETRY_FIRST_MS;
      setStatus("In the lobby as a guest (" + lobby.nick + ").", "ok");
      fetchTables();
      fetchRatings();
    } else if (isBot(nick, lobby.occupants.get(nick)) && !wasBot && lobby.joined) {
      // The bot came back: its ratings may have moved while it was away.
      fetchRatings();
    }
    render();
    return true;
  }

  function onMessage(m) {
    const nick = fromRoom(m);
    if (nick === null || !lobby.joined) return true;
    // Only the room's owner or an administrator speaks for the lists; anyone else could
    // send lists of their own.
    const o = lobby.occupants.get(nick);
    if (!o || (o.affiliation !== "owner" && o.affiliation !== "admin")) return true;
    const delayed = childOf(m, "delay", NS_DELAY) !== null;
    const tables = childOf(m, "tables", NS);
    if (tables && !delayed) {
      const change = readChange(tables);
      if (change) {
        applyChange(change);
        render();
      }
    }
    const ratings = childOf(m, "ratings", NS);
    if (ratings && !delayed) {
      const r = readRatings(ratings);
      if (r) {
        applyRatings(r, false);
        render();
      }
    }
    return true;
  }

  function askBot(what, ok, failed) {
    const conn = lobby.conn;
    if (!conn) return;
    const generation = lobby.generation;
    conn.sendIQ($iq({ type: "get", to: botJid() }).c(what, { xmlns: NS }),
      (reply) => { if (generation === lobby.generation) ok(reply); },
      (reply) => { if (generation === lobby.generation) failed(reply); },
      IQ_TIMEOUT_MS);
  }

  function fetchTables() {
    if (lobby.fetching || !lobby.joined) return;
    lobby.fetching = true;
    clearTimeout(lobby.refetchTimer);
    askBot("tables", (reply) => {
      lobby.fetching = false;
      const list = childOf(reply, "tables", NS);
      const change = list && readChange(list);
      if (!change || !change.full) return tryTablesLater();
      lobby.refetchMs = 2000;
      lobby.listTrouble = false;
      applyChange(change);
      render();
    }, () => {
      lobby.fetching = false;
      tryTablesLater();
    });
  }

  // The bot is away or busy: ask again, further apart each time.
  function tryTablesLater() {
    lobby.listTrouble = true;
    renderTables();
    clearTimeout(lobby.refetchTimer);
    lobby.refetchTimer = setTimeout(fetchTables, lobby.refetchMs);
    lobby.refetchMs = Math.min(lobby.refetchMs * 2, 60000);
  }

  function fetchRatings() {
    // A bot without ratings answers with an error: the page shows that nobody is rated.
    askBot("ratings", (reply) => {
      const el = childOf(reply, "ratings", NS);
      const r = el && readRatings(el);
      if (r) {
        applyRatings({ best: r.best || [], online: r.online }, true);
        render();
      }
    }, () => {});
  }

  // ---- starting -----------------------------------------------------------------------

  // config.json comes with the page from the lobby's server: which lobby it belongs to.
  function readConfig(c) {
    const ok = c && typeof c.domain === "string" && c.domain.length <= 200 &&
      /^[a-z0-9]([a-z0-9.-]*[a-z0-9])?$/.test(c.domain) && typeof c.version === "string" &&
      /^[0-9]+(\.[0-9]+){0,2}$/.test(c.version);
    return ok ? { domain: c.domain, version: c.version } : null;
  }

  function start() {
    render();
    if (typeof Strophe === "undefined") {
      setStatus("The page's XMPP library did not load.", "error");
      return;
    }
    fetch(new URL("config.json", HERE), { cache: "no-store" })
      .then((r) => (r.ok ? r.json() : null))
      .catch(() => null)
      .then((c) => {
        lobby.config = readConfig(c);
        if (!lobby.config) {
          setStatus("This page does not know its lobby: its config.json is missing or wrong.",
            "error");
          return;
        }
        $("lobby-domain").textContent = lobby.config.domain;
        connect();
      });
  }

  document.addEventListener("DOMContentLoaded", start);
})();
