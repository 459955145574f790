// The show board: every arena of a show side by side on a screen at the far side of the arena,
// from the retained messages the timing stations publish (PREFIX/SHOW/ARENA/status, clock,
// announcer and results/CLASS). It is served by the broker's own web listener and talks MQTT over
// the same WebSocket port. Needs live.js (the run clock's text).
//
// Address parameters: ?prefix=corralix&show=NAME&user=NAME&password=WORD
//   prefix    the first topic level (default "corralix")
//   show      the show to show; without it the show with an arena online
//   user, password   the broker's read-only user, when it wants one
"use strict";

const params = new URLSearchParams(location.search);
const prefix = params.get("prefix") || "corralix";
const arenas = new Map(); // "show/arena" -> {show, arena, status, clock, announcer, results, ...}
let chosenShow = params.get("show") || "";
// How long each page of a list longer than the screen stands.
const pageMs = 8000;
// The leaders listed: of the class, or of each division; paid places always.
const leaders = 10;
const leadersEach = 5;

function $(id) { return document.getElementById(id); }
function el(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined && text !== "") e.textContent = text;
  return e;
}
function joined(parts, by) { return parts.map(function (s) { return (s || "").trim(); }).filter(Boolean).join(by); }
// Offline once the station said so (or its last will did); nothing heard yet is not offline.
function online(a) { return a.status === undefined || a.status === "online"; }
function money(payout) { return payout ? payout + "\u00a0\u20ac" : ""; }

function shows() {
  const names = new Set();
  for (const a of arenas.values()) names.add(a.show);
  return [...names].sort();
}

// Without a choice: the show with an arena online, else any.
function currentShow() {
  if (chosenShow) return chosenShow;
  for (const a of arenas.values()) if (a.status === "online") return a.show;
  return shows()[0] || "";
}

// The results of the class the arena runs now. A station publishes every class of its show, the
// others as its own files hold them: a class another arena runs would read "0 of 16" there. Only
// the running class's message carries the show's classes, and only the arena that runs a class
// has its results.
function runningResults(a) {
  const name = (a.clock || a.announcer || {}).className;
  let found = null;
  for (const d of a.results.values()) {
    if (!Array.isArray(d.classes)) continue;
    if (d.className === name) return d;
    found = found || d;
  }
  return found;
}

// The ground is dragged now: the run just entered is one the drag comes after, and the next run
// has not begun.
function dragNow(d, c) {
  if (!d || !Array.isArray(d.order) || (c && (c.clock === "running" || c.clock === "countdown"))) return false;
  let before = null;
  for (const s of d.order) {
    if (s.turn === "onCourse" || s.turn === "next") break;
    if (s.turn === "run") before = s;
  }
  return !!(before && before.drag && before.turn === "run" && d.rows.some(function (r) {
    return r.last && r.startNumber === before.startNumber && r.rider === before.rider;
  }));
}

function card(a) {
  if (a.el) return a.el;
  const s = el("section");
  const head = el("div", "head");
  a.name = el("span", "arena", a.arena);
  a.cls = el("span", "cls");
  a.count = el("span", "count");
  head.append(a.name, a.cls, a.count);
  a.notice = el("div", "notice");
  const body = el("div", "body");
  const left = el("div", "left");
  const run = el("div", "run");
  a.who = el("div", "who");
  a.horse = el("div", "horse");
  a.time = el("div", "clock idle");
  a.beat = el("div", "beat");
  const line = el("div", "line");
  line.append(a.horse, a.beat);
  run.append(a.who, line, a.time);
  a.last = el("div", "last");
  left.append(run, a.last);
  const lists = el("div", "lists");
  const title = el("h3");
  a.listTitle = el("span");
  a.pageNo = el("span");
  title.append(a.listTitle, a.pageNo);
  a.page = el("div", "page");
  lists.append(title, a.page);
  body.append(left, lists);
  s.append(head, a.notice, body);
  a.el = s;
  a.pages = [];
  a.shownPage = 0;
  return s;
}

function renderHead(a, c, d, r) {
  a.cls.textContent = joined([c.className || d.className, c.race || d.race], " \u00b7 ");
  const runs = d.runs !== undefined ? d.runs : r ? r.rows.length : 0;
  const left = d.left !== undefined ? d.left : r ? r.left : 0;
  a.count.textContent = d.runs !== undefined || r ? runs + " gelaufen \u00b7 " + left + " offen" : "";
}

function renderNotice(a, c, d, r) {
  let text = "";
  let kind = "";
  if (!online(a)) {
    text = "Zeitnahme offline" + (a.offSince ? " \u2013 Stand " + a.offSince : "");
    kind = "off";
  } else if (r && r.finished) {
    text = "Klasse beendet";
    kind = "done";
  } else if (dragNow(r, c)) {
    text = "Bahnpflege";
    kind = "drag";
  } else if (d.nextDragIn === 0) {
    text = "Bahnpflege nach diesem Lauf";
    kind = "drag";
  }
  a.notice.textContent = text;
  a.notice.className = "notice " + kind;
  a.notice.hidden = !text;
}

function renderRun(a, c, d, r) {
  const s = c.onCourse || {};
  const shown = c.hasStarter && !(r && r.finished);
  a.who.textContent = "";
  if (shown) {
    if (s.startNumber) a.who.append(el("span", "num", s.startNumber));
    a.who.append(s.rider || "");
  } else {
    a.who.textContent = "\u00a0";
  }
  a.horse.textContent = shown ? joined([s.horse, s.team], " \u00b7 ") || "\u00a0" : "\u00a0";
  a.beat.textContent = "";
  if (d.timeToBeat) a.beat.append("Zu schlagen: ", el("b", "", d.timeToBeat));
  // A class that is over has no run to time: its list gets the room.
  a.who.hidden = a.time.hidden = !!(r && r.finished);
}

function renderLast(a, d) {
  const r = d.lastRun;
  a.last.textContent = "";
  a.last.hidden = !r;
  if (!r) return;
  const s = r.starter || {};
  const name = el("div", "name");
  name.append(el("span", "label", "Letzter Lauf"), joined([s.startNumber, s.rider], " ") + (s.horse ? " \u00b7 " + s.horse : ""));
  a.last.append(name);
  const result = el("div", "result");
  if (r.dq) {
    result.append(el("b", "", "DQ"));
    if (r.reason) result.append(" \u00b7 " + r.reason);
  } else {
    result.append(el("b", "", r.total));
    const rest = joined([r.penaltyTime, r.place ? "Platz " + r.place : "", r.division], " \u00b7 ");
    if (rest) result.append(" \u00b7 " + rest);
    if (r.payout) result.append(" \u00b7 ", el("span", "money", money(r.payout)));
  }
  a.last.append(result);
}

// One line of the list: place, number, rider with horse, total with money.
function resultLine(place, row) {
  const line = el("div", "row" + (row.last ? " latest" : ""));
  const name = el("span", "name", row.rider);
  if (row.horse) name.append(el("small", "", row.horse));
  const total = el("span", "n total", row.total);
  if (row.payout) total.append(el("span", "money", money(row.payout)));
  line.append(el("span", "n pl", place), el("span", "n nr", row.startNumber), name, total);
  return line;
}

// The lines of the list: the leaders, of each division where the class has them (each headed by
// where it begins) and every paid place, then the teams when the class has teams.
function listLines(r, d) {
  const lines = [];
  const placed = r ? r.rows.filter(function (row) {
    return !row.dq && row.place && (row.payout || Number(row.division ? row.divisionPlace : row.place) <= (row.division ? leadersEach : leaders));
  }) : [];
  const divisions = [...new Set(placed.map(function (row) { return row.division; }).filter(Boolean))];
  if (divisions.length > 0) {
    const cuts = new Map((d.divisionCuts || []).map(function (cut) { return [cut.label, cut.from]; }));
    for (const division of divisions) {
      lines.push(el("div", "group", joined([division, cuts.has(division) ? "ab " + cuts.get(division) : ""], " \u00b7 ")));
      for (const row of placed) if (row.division === division) lines.push(resultLine(row.divisionPlace, row));
    }
  } else {
    for (const row of placed) lines.push(resultLine(row.place, row));
  }
  const teams = r && r.teams;
  if (teams && Array.isArray(teams.rows) && teams.rows.length > 0) {
    lines.push(el("div", "group", "Teams \u00b7 die besten " + teams.best + " z\u00e4hlen"));
    for (const t of teams.rows) {
      const line = el("div", "row team");
      // A team short of its counting runs says how many count so far.
      const name = t.counted < teams.best ? t.team + " (" + t.counted + " von " + teams.best + ")" : t.team;
      line.append(el("span", "n pl", t.place ? String(t.place) : ""), el("span", "name", name), el("span", "n total", t.total));
      lines.push(line);
      const members = el("div", "members");
      (t.members || []).forEach(function (m, i) {
        if (i > 0) members.append(" \u00b7 ");
        const text = joined([m.rider, m.total], " ");
        // Struck through: a run that does not count; a rider still to run is listed plain.
        members.append(m.counts || !m.total ? document.createTextNode(text) : el("s", "", text));
      });
      lines.push(members);
    }
  }
  return lines;
}

// Lays the lines onto pages that each fit the list's height: [first, end, heading], the heading
// (-1: none) of the lines a page goes on with shown above them. A heading never ends a page.
function paginate(a, lines) {
  a.page.replaceChildren(...lines);
  a.pages = [];
  if (lines.length === 0) return;
  const height = a.page.clientHeight;
  const isHeading = function (i) { return lines[i].classList.contains("group"); };
  let start = 0;
  let carried = -1;
  let heading = -1;  // the last heading before the line looked at
  let top = lines[0].offsetTop;
  for (let i = 0; i < lines.length; ++i) {
    const bottom = lines[i].offsetTop + lines[i].offsetHeight;
    if (bottom - top > height && i > start) {
      let at = i;
      if (isHeading(i - 1) && i - 1 > start) at = i - 1;
      a.pages.push([start, at, carried]);
      start = at;
      carried = isHeading(at) ? -1 : heading;
      top = lines[at].offsetTop - (carried >= 0 ? lines[carried].offsetHeight : 0);
    }
    if (isHeading(i)) heading = i;
  }
  a.pages.push([start, lines.length, carried]);
}

function showPage(a) {
  const lines = a.page.children;
  if (a.shownPage >= a.pages.length) a.shownPage = 0;
  const [from, to, carried] = a.pages[a.shownPage] || [0, lines.length, -1];
  for (let i = 0; i < lines.length; ++i) lines[i].hidden = (i < from || i >= to) && i !== carried;
  a.pageNo.textContent = a.pages.length > 1 ? "Seite " + (a.shownPage + 1) + "/" + a.pages.length : "";
}

function renderLists(a, d, r) {
  const lines = listLines(r, d);
  a.listTitle.textContent = lines.length === 0 ? "Noch keine Ergebnisse" : "F\u00fchrende";
  paginate(a, lines);
  showPage(a);
}

function renderArena(a) {
  card(a);
  a.el.className = (online(a) ? "" : "off") + (arenas.size > 0 && shownArenas().length === 1 ? " wide" : "");
  const c = a.clock || {};
  const d = a.announcer || {};
  const r = runningResults(a);
  renderHead(a, c, d, r);
  renderNotice(a, c, d, r);
  renderRun(a, c, d, r);
  renderLast(a, d);
  renderLists(a, d, r);
  tick(a);
}

// The run clock: counted from the run's start stamp while it runs, the program's own time once
// stopped; it stands still while the station is offline.
function tick(a) {
  const c = a.clock || {};
  let [text, state] = clockShown(c, null);
  if (!online(a)) {
    a.time.className = "clock lost" + (a.time.textContent.length > 6 ? " long" : "");
    if (!a.ticked) a.time.textContent = "\u2013";
    return;
  }
  if (state === "idle" || state === "countdown") {
    text = "0" + (c.decimal || ",") + (c.digits === 3 ? "000" : "00");
    state = "idle";
  }
  a.ticked = true;
  if (a.time.textContent !== text) a.time.textContent = text;
  const want = "clock " + state + (text.length > 6 ? " long" : "");
  if (a.time.className !== want) a.time.className = want;
}

function shownArenas() {
  const show = currentShow();
  return [...arenas.values()].filter(function (a) { return a.show === show; })
      .sort(function (x, y) { return x.arena.localeCompare(y.arena); });
}

function renderAll() {
  const show = currentShow();
  $("title").textContent = show || "Anzeigetafel";
  document.title = (show ? show + " \u2013 " : "") + "Anzeigetafel";
  const names = shows();
  const select = $("shows");
  select.hidden = names.length < 2;
  select.textContent = "";
  for (const name of names) select.append(new Option(name, name, false, name === show));
  const shown = shownArenas();
  $("arenas").replaceChildren(...shown.map(card));
  $("empty").hidden = shown.length > 0;
  for (const a of shown) renderArena(a);
}

$("shows").addEventListener("change", function (e) { chosenShow = e.target.value; renderAll(); });
window.addEventListener("resize", renderAll);

function onMessage(message) {
  const levels = message.destinationName.slice(prefix.length + 1).split("/");
  if (levels.length < 3) return;
  const [show, arena, kind] = levels;
  const key = show + "/" + arena;
  let a = arenas.get(key);
  if (!a) {
    a = {show: show, arena: arena, results: new Map()};
    arenas.set(key, a);
  }
  const text = message.payloadString;
  try {
    if (kind === "status") {
      if (text !== "online" && a.status === "online") a.offSince = new Date().toLocaleTimeString("de-DE", {hour: "2-digit", minute: "2-digit"});
      a.status = text;
    } else if (kind === "clock") {
      a.clock = JSON.parse(text);
    } else if (kind === "announcer") {
      a.announcer = JSON.parse(text);
    } else if (kind === "results" && levels.length === 4) {
      if (text === "") a.results.delete(levels[3]);
      else a.results.set(levels[3], JSON.parse(text));
    } else {
      return;
    }
  } catch (e) {
    return; // a broken message changes nothing
  }
  const isNew = !a.el;
  if (isNew || kind === "status") renderAll();
  else if (a.show === currentShow()) renderArena(a);
}

setInterval(function () {
  for (const a of arenas.values()) {
    if (a.el && online(a) && a.clock && a.clock.clock === "running") tick(a);
  }
}, 47);
setInterval(function () {
  for (const a of arenas.values()) {
    if (a.el && a.pages.length > 1) {
      a.shownPage = (a.shownPage + 1) % a.pages.length;
      showPage(a);
    }
  }
}, pageMs);
function showWallClock() {
  $("wall").textContent = new Date().toLocaleTimeString("de-DE", {hour: "2-digit", minute: "2-digit"});
}
showWallClock();
setInterval(showWallClock, 10000);

function setLink(text, lost) {
  $("link").textContent = text;
  $("link").className = lost ? "lost" : "";
}

const port = Number(location.port) || (location.protocol === "https:" ? 443 : 80);
const client = new Paho.Client(location.hostname, port, "/", "board-" + Math.random().toString(16).slice(2, 10));
client.onMessageArrived = onMessage;
// A lost connection is tried again every three seconds, for as long as the page is open; the
// retained messages bring everything back at once.
function retry(text) {
  setLink(text, true);
  setTimeout(connect, 3000);
}
client.onConnectionLost = function () { retry("Verbindung zum Broker unterbrochen \u2013 neuer Versuch \u2026"); };
function connect() {
  const options = {
    useSSL: location.protocol === "https:",
    keepAliveInterval: 20,
    timeout: 5,
    onSuccess: function () {
      setLink("verbunden", false);
      for (const kind of ["status", "clock", "announcer", "results/+"]) client.subscribe(prefix + "/+/+/" + kind, {qos: 0});
    },
    // Code 6: the broker answered and refused (user or password in the address).
    onFailure: function (e) {
      retry(e.errorCode === 6
          ? "Broker lehnt den Zugang ab \u2013 user und password in der Adresse pr\u00fcfen"
          : "Broker nicht erreichbar \u2013 neuer Versuch \u2026");
    },
  };
  if (params.get("user")) {
    options.userName = params.get("user");
    options.password = params.get("password") || "";
  }
  client.connect(options);
}
connect();
