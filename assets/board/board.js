// The show board: every arena of a show side by side, from the retained messages the timing
// stations publish (PREFIX/SHOW/ARENA/status, clock and announcer). It is served by the broker's
// own web listener and talks MQTT over the same WebSocket port.
//
// Address parameters: ?prefix=corralix&show=NAME&user=NAME&password=WORD
//   prefix    the first topic level (default "corralix")
//   show      the show to show; without it the show with an arena online
//   user, password   the broker's read-only user, when it wants one
"use strict";

const params = new URLSearchParams(location.search);
const prefix = params.get("prefix") || "corralix";
const arenas = new Map(); // "show/arena" -> {show, arena, status, clock, announcer, el}
let chosenShow = params.get("show") || "";

function $(id) { return document.getElementById(id); }
function el(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined) e.textContent = text;
  return e;
}

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

function starterText(s) {
  if (!s) return "";
  return [s.startNumber, s.rider].filter(Boolean).join(" ");
}
function horseText(s) {
  if (!s) return "";
  return [s.horse, s.team].filter(Boolean).join(" \u00b7 ");
}

// The run's time from its wall-clock start, as the timing shows it: seconds with hundredths,
// from a minute on with the minutes before them ("1:05,30").
function runningText(startedAt, decimal) {
  const hundredths = Math.floor(Math.max(0, Date.now() - startedAt) / 10);
  const seconds = Math.floor(hundredths / 100);
  const minutes = Math.floor(seconds / 60);
  const whole = minutes > 0 ? minutes + ":" + String(seconds % 60).padStart(2, "0") : String(seconds);
  return whole + (decimal || ",") + String(hundredths % 100).padStart(2, "0");
}

function clockText(c) {
  if (!c) return ["\u2013", "idle"];
  switch (c.clock) {
    case "running": return [c.startedAt ? runningText(c.startedAt, c.decimal) : "\u2026", "running"];
    case "stopped": return [c.stoppedTime || "\u2013", "stopped"];
    case "countdown": return ["Countdown", "stopped"];
    default: return ["\u2013", "idle"];
  }
}

function card(a) {
  if (a.el) return a.el;
  const s = el("section");
  const h = el("h2");
  a.name = el("span", "", a.arena);
  a.state = el("span", "state", "");
  h.append(a.name, a.state);
  a.cls = el("div", "class", "");
  a.who = el("div", "who", "");
  a.horse = el("div", "sub", "");
  a.time = el("div", "clock idle", "\u2013");
  a.last = el("div", "", "");
  a.leaders = el("table");
  s.append(h, a.cls, el("h3", "", "Am Start"), a.who, a.horse, a.time,
           el("h3", "", "Letzter Lauf"), a.last, el("h3", "", "F\u00fchrende"), a.leaders);
  a.el = s;
  return s;
}

function renderArena(a) {
  card(a);
  const online = a.status === "online";
  a.el.className = online ? "" : "off";
  a.state.textContent = online ? "live" : "offline";
  const c = a.clock || {};
  const d = a.announcer || {};
  a.cls.textContent = [c.className || d.className, c.race || d.race].filter(Boolean).join(" \u00b7 ");
  a.who.textContent = c.hasStarter ? starterText(c.onCourse) : "Kein Starter";
  a.horse.textContent = c.hasStarter ? horseText(c.onCourse) : "";
  a.last.textContent = "";
  if (d.lastRun) {
    const r = d.lastRun;
    a.last.append(el("div", "who", starterText(r.starter)));
    const parts = [r.dq ? "DQ" + (r.reason ? " (" + r.reason + ")" : "") : r.total];
    if (!r.dq && r.place) parts.push("Platz " + r.place);
    if (r.division) parts.push(r.division);
    if (r.behind) parts.push(r.behind);
    a.last.append(el("div", "sub", parts.join(" \u00b7 ")));
  } else {
    a.last.textContent = "\u2013";
  }
  a.leaders.textContent = "";
  for (const l of d.leaders || []) {
    const tr = el("tr");
    tr.append(el("td", "n", l.label), el("td", "", starterText(l.starter)), el("td", "n", l.total));
    a.leaders.append(tr);
  }
  tick(a);
}

function tick(a) {
  const [text, cls] = clockText(a.clock);
  if (a.time.textContent !== text) a.time.textContent = text;
  const want = "clock " + cls;
  if (a.time.className !== want) a.time.className = want;
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
  const main = $("arenas");
  const shown = [...arenas.values()].filter(a => a.show === show)
      .sort((x, y) => x.arena.localeCompare(y.arena));
  main.replaceChildren(...shown.map(card));
  $("empty").hidden = shown.length > 0;
}

$("shows").addEventListener("change", e => { chosenShow = e.target.value; renderAll(); });

function onMessage(message) {
  const levels = message.destinationName.slice(prefix.length + 1).split("/");
  if (levels.length < 3) return;
  const [show, arena, kind] = levels;
  const key = show + "/" + arena;
  let a = arenas.get(key);
  if (!a) {
    a = {show, arena};
    arenas.set(key, a);
  }
  const text = message.payloadString;
  try {
    if (kind === "status") a.status = text;
    else if (kind === "clock") a.clock = JSON.parse(text);
    else if (kind === "announcer") a.announcer = JSON.parse(text);
    else return;
  } catch (e) {
    return; // a broken message changes nothing
  }
  const isNew = !a.el;
  renderArena(a);
  if (isNew || kind === "status") renderAll();
}

setInterval(() => { for (const a of arenas.values()) if (a.el && a.clock && a.clock.clock === "running") tick(a); }, 47);

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
client.onConnectionLost = () => retry("Verbindung zum Broker unterbrochen \u2013 neuer Versuch \u2026");
function connect() {
  const options = {
    useSSL: location.protocol === "https:",
    keepAliveInterval: 20,
    timeout: 5,
    onSuccess: () => {
      setLink("verbunden", false);
      for (const kind of ["status", "clock", "announcer"]) client.subscribe(prefix + "/+/+/" + kind, {qos: 0});
    },
    // Code 6: the broker answered and refused (user or password in the address).
    onFailure: e => retry(e.errorCode === 6
        ? "Broker lehnt den Zugang ab \u2013 user und password in der Adresse pr\u00fcfen"
        : "Broker nicht erreichbar \u2013 neuer Versuch \u2026"),
  };
  if (params.get("user")) {
    options.userName = params.get("user");
    options.password = params.get("password") || "";
  }
  client.connect(options);
}
connect();
