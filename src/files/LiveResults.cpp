#include "files/LiveResults.h"

#include <algorithm>
#include <cstdio>

#include "LiveScripts.h"
#include "files/TextCodec.h"
#include "results/Jackpot.h"
#include "results/Standing.h"

namespace {

// The page around the data. The script draws only with textContent, so no table text is
// ever read as markup; the data block is JSON whose '<' are escaped, so it cannot end early.
constexpr std::string_view kPageHead = R"(<!DOCTYPE html>
<html lang="de">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Live-Ergebnisse</title>
<style>
body{margin:0;font-family:system-ui,-apple-system,"Segoe UI",Roboto,Arial,sans-serif;background:#f2f2f2;color:#111}
#alert{background:#c62828;color:#fff;padding:8px 12px;font-weight:bold}
header{background:#1d4f2e;color:#fff;padding:10px 12px}
h1{margin:0;font-size:1.35em}
#arena{margin-top:4px;font-size:.9em;color:#cfe3d6}
#now{margin-top:6px;font-size:1.05em;line-height:1.5}
.state{display:inline-block;margin-left:6px;padding:0 8px;border-radius:10px;background:#5c6b61;font-size:.85em;white-space:nowrap}
.state.on{background:#c62828;font-weight:bold}
.state.done{margin-left:0;background:#f0b400;color:#111;font-weight:bold}
#clock{font-size:2.6em;font-weight:700;font-variant-numeric:tabular-nums;line-height:1.15}
#clock.running{color:#b9f6ca}#clock.stopped{color:#ffd866}#clock.lost{color:#8fa396}
#last{background:#fff8d6;border-left:6px solid #f0b400;padding:8px 12px;line-height:1.45}
#last .name{font-size:1.05em}
table{width:100%;border-collapse:collapse;background:#fff}
th{font-size:.8em;color:#555;text-align:left;padding:6px 4px;border-bottom:2px solid #1d4f2e}
td{padding:7px 4px;border-bottom:1px solid #ddd;vertical-align:top}
tr.last td{background:#fff8d6}
.n{text-align:right;white-space:nowrap;font-variant-numeric:tabular-nums}
.name{font-weight:600;overflow-wrap:break-word}
.sub{color:#555;font-size:.85em;font-weight:normal}
.total{font-weight:bold;font-size:1.1em}
td.total{white-space:normal}
.money{color:#1b5e20;font-weight:bold;font-size:.85em;white-space:nowrap}
.reason{color:#555;font-size:.8em;font-weight:normal;white-space:normal;max-width:7em;margin-left:auto}
tr.dq td{color:#777}
.narrow{display:none}
@media (max-width:480px){.rt{display:none}.narrow{display:block}td,th{padding-left:3px;padding-right:3px}}
#empty{padding:12px}
#choice{margin:0;padding:8px 12px;background:#fff;border-bottom:1px solid #ddd;display:flex;flex-wrap:wrap;gap:6px 16px}
#choice select{font-size:1em;padding:2px 6px;max-width:100%}
#choice label{max-width:100%}
details{margin-top:10px;background:#fff}
summary{padding:8px 12px;font-weight:600;cursor:pointer;border-bottom:1px solid #ddd}
#order{list-style:none;margin:0;padding:0}
#order li{display:flex;gap:10px;padding:5px 12px;border-bottom:1px solid #eee;align-items:baseline}
#order .pos{min-width:2em;text-align:right;color:#555;font-variant-numeric:tabular-nums}
#order .who{flex:1}
#order .turn{font-size:.85em;color:#555;white-space:nowrap}
#order .oncourse{background:#e8f5e9;font-weight:600}
#order .scratched .who{text-decoration:line-through;color:#888}
#order .run .who{color:#555}
#order li.drag{justify-content:center;background:#fff8e1;color:#7a5a00;font-size:.85em}
#teamBox{margin-top:10px}
#teamBox h2{margin:0;padding:8px 12px;font-size:1em;background:#1d4f2e;color:#fff}
.member{display:inline-block;margin-right:10px}
.member b{font-weight:normal;white-space:nowrap}
.member.out{color:#999}
@media (max-width:480px){.member{display:block;margin-right:0}}
footer{font-size:.85em;color:#555;padding:8px 12px}
#link.lost{color:#c62828;font-weight:bold}
</style>
</head>
<body>
<div id="alert" role="alert" hidden></div>
<header><h1 id="race"></h1><div id="arena" hidden></div><div id="now"></div><div id="clock" hidden></div></header>
<div id="last" hidden></div>
<p id="choice" hidden><label id="classes" hidden>Klasse <select id="klasse"></select></label><label id="filter" hidden>Division <select id="division"><option value="">Alle</option></select></label></p>
<table>
<thead><tr><th class="n">Rang</th><th class="n">Nr.</th><th>Name / Pferd</th><th class="n rt">Laufzeit</th><th class="n">Total</th></tr></thead>
<tbody id="rows"></tbody>
</table>
<p id="empty">Noch keine Ergebnisse.</p>
<section id="teamBox" hidden><h2 id="teamHead"></h2><table><thead><tr><th class="n">Rang</th><th>Team</th><th class="n">Total</th></tr></thead><tbody id="teams"></tbody></table></section>
<details id="orderBox" open hidden><summary id="orderHead"></summary><ol id="order"></ol></details>
<footer><span id="count"></span> &middot; <span id="link"></span></footer>
<script id="data" type="application/json">)";

constexpr std::string_view kPageScript = R"(</script>
<script>
)";

constexpr std::string_view kPageTail = R"(
function $(id) { return document.getElementById(id); }
function el(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text) e.textContent = text;
  return e;
}
function joined(parts, by) { return parts.map(function (s) { return (s || "").trim(); }).filter(Boolean).join(by); }
// The board is the arena's (the class it runs now); the list is the class chosen, the running
// one unless a reader chose another from the show's classes. The address keeps the choice:
// "#klasse=2&division=2D".
let board = JSON.parse($("data").textContent);
let boardTag = "";
let list = null;
const programClock = new ProgramClock();
let lost = false;
let lastStamp = liveStamp();
function address() { return new URLSearchParams(location.hash.slice(1)); }
function chosenClass() {
  const n = Number(address().get("klasse"));
  return Number.isInteger(n) && n > 0 ? n : 0;
}
function openClass(d) {
  return d.classes.findIndex(function (c) { return c.open; }) + 1;
}
function otherClass() {
  const n = chosenClass();
  return n && n !== openClass(board) && n <= board.classes.length ? n : 0;
}
function keepChoice(n, division) {
  const p = new URLSearchParams();
  // The running class follows the arena into its next class; another one stays chosen.
  if (n && n !== openClass(board)) p.set("klasse", String(n));
  if (division) p.set("division", division);
  const hash = p.toString();
  history.replaceState(null, "", hash ? "#" + hash : location.pathname + location.search);
}
// The arena that runs the chosen class when it is not this station's; its results are there.
function elsewhere() {
  const n = otherClass();
  return n ? board.classes[n - 1].arena || "" : "";
}
// The list shown: null while another class's list is on its way.
function listed() {
  const n = otherClass();
  if (!n) return board;
  if (elsewhere()) return {team: false, starters: 0, left: 0, rows: [], order: []};
  return list && list.n === n ? list.data : null;
}
function penaltyText(r) {
  if (r.penaltyTime) return r.penaltyTime;
  return r.penalties && r.penalties.trim() !== "0" ? "Strafen: " + r.penalties : "";
}
function money(r) { return r.payout ? r.payout + "\u00a0\u20ac" : ""; }
function renderBoard() {
  const n = otherClass();
  const chosen = n ? board.classes[n - 1] : null;
  const arenaClass = joined([board.className, board.race], " \u00b7 ");
  $("race").textContent = chosen ? joined([chosen.name, chosen.race], " \u00b7 ") : arenaClass;
  $("arena").hidden = !chosen;
  $("arena").textContent = chosen ? "In der Arena: " + arenaClass : "";
  const now = $("now");
  now.textContent = "";
  if (board.finished) {
    now.append(el("span", "state done", "Klasse beendet"));
  } else {
    if (board.startNumber || board.rider) {
      now.append("Am Start: ", el("b", "", joined([board.startNumber, board.rider], " ")));
      if (board.horse) now.append(" \u00b7 " + board.horse);
    } else {
      now.append("Kein Starter gew\u00e4hlt");
    }
    if (lost) now.append(el("span", "state on", "Keine Verbindung"));
    else if (board.stale) now.append(el("span", "state on", "Zeitnahme reagiert nicht"));
    else if (board.running) now.append(el("span", "state on", "Lauf l\u00e4uft"));
    else now.append(el("span", "state", board.clock === "stopped" ? "Gestoppt" : "Warten auf Start"));
  }
  $("alert").hidden = !lost && !board.stale;
  $("alert").textContent = lost ? "Keine Verbindung zur Zeitnahme \u2013 Stand " + lastStamp
                         : board.stale ? "Die Zeitnahme reagiert nicht \u2013 Stand " + heardStamp(board) : "";
  const select = $("klasse");
  $("classes").hidden = board.classes.length < 2;
  select.textContent = "";
  board.classes.forEach(function (c, i) {
    select.append(new Option(c.open ? c.name + " \u2013 l\u00e4uft" : c.arena ? c.name + " \u2013 " + c.arena : c.name, String(i + 1)));
  });
  select.value = String(n || openClass(board));
  tick();
}
// A station whose server answers while the program hangs says when the program was last heard,
// on its own clock.
function heardStamp(d) {
  if (programClock.offset === null || !Number.isFinite(d.heardMs)) return lastStamp;
  return new Date(Date.now() - (programClock.now() - d.heardMs)).toLocaleTimeString("de-DE");
}
// The clock of the arena's run; it stands still while the station is not heard or hangs.
function tick() {
  const c = $("clock");
  const [text, state] = clockShown(board, programClock);
  c.hidden = state === "idle" || board.finished;
  if (lost || board.stale) {
    c.className = "lost";
    // A hung program's run stands at the time it was last heard.
    if (!lost && state === "running" && Number.isFinite(board.heardMs)) {
      c.textContent = runTimeText(board.heardMs - board.startMs, board.decimal, board.digits);
    }
    return;
  }
  if (c.textContent !== text) c.textContent = text;
  if (c.className !== state) c.className = state;
}
function renderLast(d) {
  const box = $("last");
  box.textContent = "";
  const r = d ? d.rows.find(function (row) { return row.last; }) : null;
  box.hidden = !r;
  if (!r) return;
  box.append(el("div", "sub", "Letzter Lauf"));
  box.append(el("div", "name", joined([r.startNumber, r.rider], " ") + (r.horse ? " \u00b7 " + r.horse : "")));
  let result;
  if (r.dq) {
    result = joined(["DQ", r.reason], " \u2013 ");
  } else {
    result = joined([r.total, penaltyText(r), r.place ? "Rang " + r.place : "",
                     r.division ? r.division + ": " + r.divisionPlace : "", money(r)], " \u00b7 ");
  }
  box.append(el("div", "total", result));
}
function renderOrder(d) {
  const order = d && d.order ? d.order : [];
  $("orderBox").hidden = order.length === 0;
  $("orderHead").textContent = "Startreihenfolge \u00b7 " +
      (d && d.left === 0 ? "keine L\u00e4ufe mehr offen" : "noch " + (d ? d.left : 0) + (d && d.left === 1 ? " Lauf" : " L\u00e4ufe"));
  const list = $("order");
  list.textContent = "";
  const turns = {run: "gelaufen", scratched: "abgemeldet", onCourse: "am Start", next: "", passed: "ausgelassen"};
  order.forEach(function (s, i) {
    const li = el("li", s.turn === "onCourse" ? "oncourse" : s.turn);
    const who = el("span", "who", joined([s.startNumber, s.rider], " "));
    if (s.horse) who.append(el("span", "sub", " \u00b7 " + s.horse));
    li.append(el("span", "pos", String(i + 1)), who, el("span", "turn", turns[s.turn] || ""));
    list.append(li);
    if (s.drag) list.append(el("li", "drag", "Bahnpflege"));
  });
}
// The teams of a class with a team rule: each team's counted total, its members under its name
// (those whose total does not count greyed), and how many count while a team is short of them.
function renderTeams(d) {
  const teams = d && d.teams ? d.teams : null;
  $("teamBox").hidden = !teams;
  const body = $("teams");
  body.textContent = "";
  if (!teams) return;
  $("teamHead").textContent = "Teamwertung \u00b7 " + (teams.best === 1 ? "die beste Zeit z\u00e4hlt" : "die " + teams.best + " besten Zeiten z\u00e4hlen");
  for (const t of teams.rows) {
    const tr = el("tr");
    const who = el("td");
    who.append(el("div", "name", t.team));
    const members = el("div", "sub");
    for (const m of t.members) {
      // A name wraps between its words like any text; its total stays whole and with it.
      const member = el("span", m.counts ? "member" : "member out", m.rider);
      if (m.total) member.append("\u00a0", el("b", "", m.total));
      members.append(member, " ");
    }
    who.append(members);
    const total = el("td", "n total", t.total || "\u2013");
    if (t.counted < teams.best) total.append(el("div", "sub n", t.counted + " von " + teams.best));
    tr.append(el("td", "n", t.place ? String(t.place) : ""), who, total);
    body.append(tr);
  }
}
function renderList(d) {
  const body = $("rows");
  body.textContent = "";
  const loading = !d;
  $("empty").textContent = loading ? "Wird geladen \u2026" : "Noch keine Ergebnisse.";
  renderLast(d);
  renderOrder(d);
  renderTeams(d);
  d = d || {team: false, starters: 0, rows: []};
  // The divisions in the order the ranked rows bring them: 1D first.
  const divisions = [...new Set(d.rows.map(function (r) { return r.division; }).filter(Boolean))];
  const choice = $("division");
  $("filter").hidden = divisions.length === 0;
  $("choice").hidden = $("filter").hidden && $("classes").hidden;
  const wanted = address().get("division") || "";
  const chosen = divisions.includes(wanted) ? wanted : "";
  choice.textContent = "";
  choice.append(new Option("Alle", ""));
  for (const name of divisions) choice.append(new Option(name, name));
  choice.value = chosen;
  for (const r of d.rows) {
    if (chosen && r.division !== chosen) continue;
    const tr = el("tr", (r.dq ? "dq" : "") + (r.last ? " last" : ""));
    const place = el("td", "n", chosen ? r.divisionPlace : r.place);
    if (!chosen && r.division) place.append(el("div", "sub", r.division + ": " + r.divisionPlace));
    tr.append(place, el("td", "n", r.startNumber));
    const who = el("td");
    who.append(el("div", "name", r.rider));
    who.append(el("div", "sub", joined([r.horse, d.team ? r.team : ""], " \u00b7 ")));
    const time = el("td", "n rt", r.time);
    const penalties = penaltyText(r);
    if (penalties) time.append(el("div", "sub", penalties));
    const total = el("td", "n total", r.total);
    // On a phone the run time and the penalties go under the total, each on a line of its own,
    // and a reason wraps between its words, so the total's column stays narrow and the name
    // keeps its words whole.
    if (!r.dq && penalties) total.append(el("div", "sub narrow", r.time), el("div", "sub narrow", penalties));
    if (money(r)) total.append(el("div", "money", money(r)));
    if (r.dq && r.reason) total.append(el("div", "reason", r.reason));
    tr.append(who, time, total);
    body.append(tr);
  }
  // A class another arena runs has its results at that arena's station only.
  const away = elsewhere();
  if (away) $("empty").textContent = "L\u00e4uft in " + away + " \u2013 die Ergebnisse zeigt die Zeitnahme dort.";
  $("empty").hidden = d.rows.length > 0;
  $("count").textContent = loading ? "Ergebnisse: \u2026" : away ? "" : "Ergebnisse: " + d.rows.length + " von " + d.starters;
}
function render() {
  renderBoard();
  renderList(listed());
}
function heard(ok) {
  const changed = lost === ok;
  lost = !ok;
  if (ok) lastStamp = liveStamp();
  $("link").textContent = (ok ? "" : "Keine Verbindung zur Zeitnahme \u2013 ") + "Stand " + lastStamp;
  $("link").className = ok ? "" : "lost";
  if (changed) renderBoard();
}
heard(true);
// One question at a time, held by the program until its data changes; a choice made while one
// is under way asks again at once.
let waiting = null;
let asking = null;
let kicked = false;
async function poll() {
  clearTimeout(waiting);
  const abort = new AbortController();
  asking = abort;
  const timer = setTimeout(function () { abort.abort(); }, liveTimeoutMs);
  let next = 0;
  try {
    const got = await fetchChanged("results.json", boardTag, true, abort.signal, programClock);
    let changed = false;
    if (got.text !== undefined) {
      board = JSON.parse(got.text);
      boardTag = got.etag;
      changed = true;
    }
    const n = otherClass();
    if (n && !elsewhere()) {
      const other = await fetchChanged("klasse/" + n + ".json", list && list.n === n ? list.tag : "", false, abort.signal, null);
      if (other.text !== undefined) {
        list = {n: n, data: JSON.parse(other.text), tag: other.etag};
        changed = true;
      }
    }
    heard(true);
    if (changed) render();
    next = got.retryMs;
  } catch (e) {
    if (!kicked) {
      heard(false);
      next = 1000;
    }
  }
  clearTimeout(timer);
  kicked = false;
  if (asking === abort) {
    asking = null;
    waiting = setTimeout(poll, next);
  }
}
function askNow() {
  render();
  if (asking) {
    kicked = true;
    asking.abort();
    asking = null;
  }
  clearTimeout(waiting);
  waiting = setTimeout(poll, 0);
}
$("division").addEventListener("change", function () {
  keepChoice(otherClass(), $("division").value);
  render();
});
$("klasse").addEventListener("change", function () {
  keepChoice(Number($("klasse").value), address().get("division") || "");
  askNow();
});
window.addEventListener("hashchange", askNow);
render();
setInterval(function () { if (!lost && !board.stale && board.clock === "running") tick(); }, 47);
waiting = setTimeout(poll, 0);
</script>
</body>
</html>
)";

void AppendEscapedChar(std::string& out, unsigned char c) {
    char code[8];
    std::snprintf(code, sizeof code, "\\u%04x", c);
    out += code;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    // A cell that is not UTF-8 came in as Windows-1252, as our files do.
    std::string converted;
    if (!IsValidUtf8(text)) {
        converted = Cp1252ToUtf8(text);
        text = converted;
    }
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7f || c == '<' || c == '>' || c == '&' || c == '\'') {
            AppendEscapedChar(out, c);
        } else {
            out += ch;
        }
    }
    out += '"';
}

void AppendMember(std::string& out, std::string_view name, std::string_view text) {
    out += '"';
    out += name;
    out += "\":";
    AppendJsonString(out, text);
    out += ',';
}

void AppendMember(std::string& out, std::string_view name, bool value) {
    out += '"';
    out += name;
    out += "\":";
    out += value ? "true" : "false";
    out += ',';
}

// Closes an object or array whose last member left a trailing comma.
void CloseJson(std::string& out, char bracket) {
    if (out.back() == ',') {
        out.back() = bracket;
    } else {
        out += bracket;
    }
}

LiveSnapshot MakeLiveSnapshot(const Standing& standing, LiveBoard board, bool teamShown) {
    LiveSnapshot snapshot;
    snapshot.board = std::move(board);
    snapshot.teamShown = teamShown;
    snapshot.starters = static_cast<int>(standing.StartOrder.size());
    snapshot.left = standing.Left;
    snapshot.teams = standing.Teams;
    for (const int row : standing.Ranked) {
        const StandingRow& at = standing.At(row);
        if (!at.HasResult()) {
            continue;
        }
        const bool dq = at.State == Validity::Disqualified;
        const bool divided = standing.HasDivisions() && at.Division > 0;
        snapshot.rows.push_back({at.Place > 0 ? std::to_string(at.Place) : std::string(),
                                 at.StartNumber, at.Rider, at.Horse, at.Team, at.RunTime,
                                 at.Penalties, at.Total, dq ? at.Reason : std::string(), dq,
                                 divided ? DivisionName(at.Division) : std::string(),
                                 divided ? std::to_string(at.DivisionPlace) : std::string(),
                                 standing.MoneyOf(row), row == standing.LastRunRow});
    }
    for (const int row : standing.StartOrder) {
        const StandingRow& at = standing.At(row);
        LiveTurn turn = LiveTurn::Passed;
        if (at.HasResult()) {
            turn = LiveTurn::Run;
        } else if (at.State == Validity::Scratched) {
            turn = LiveTurn::Scratched;
        } else if (row == standing.OnCourseRow) {
            turn = LiveTurn::OnCourse;
        } else if (std::find(standing.NextRows.begin(), standing.NextRows.end(), row) !=
                   standing.NextRows.end()) {
            turn = LiveTurn::Next;
        }
        snapshot.order.push_back({at.StartNumber, at.Rider, at.Horse, turn, at.DragAfter});
    }
    return snapshot;
}

bool ClassFinished(const LiveSnapshot& snapshot) {
    const AnnouncerClock clock = snapshot.announcer.clock;
    return snapshot.starters > 0 && snapshot.left == 0 && !snapshot.board.running &&
           clock != AnnouncerClock::Running && clock != AnnouncerClock::Countdown;
}

namespace {

constexpr std::string_view TurnNames[] = {"run", "scratched", "onCourse", "next", "passed"};

// The members a class's results have wherever they are written: the team column switched on,
// the starters and the ranked runs.
void AppendResults(std::string& out, const LiveSnapshot& snapshot) {
    AppendMember(out, "team", snapshot.teamShown);
    out += "\"starters\":" + std::to_string(snapshot.starters) + ',';
    out += "\"left\":" + std::to_string(snapshot.left) + ',';
    const int penaltySeconds = snapshot.penaltySeconds;
    AppendObjects(
        out, "rows", snapshot.rows, [penaltySeconds](std::string& to, const LiveRow& row) {
            AppendMember(to, "place", row.place);
            AppendMember(to, "startNumber", row.startNumber);
            AppendMember(to, "rider", row.rider);
            AppendMember(to, "horse", row.horse);
            AppendMember(to, "team", row.team);
            AppendMember(to, "time", row.runTime);
            AppendMember(to, "penalties", row.penalties);
            AppendMember(to, "penaltyTime", PenaltyTimeText(row.penalties, penaltySeconds));
            AppendMember(to, "total", row.total);
            AppendMember(to, "reason", row.reason);
            AppendMember(to, "dq", row.dq);
            AppendMember(to, "division", row.division);
            AppendMember(to, "divisionPlace", row.divisionPlace);
            AppendMember(to, "payout", row.payout);
            AppendMember(to, "last", row.last);
        });
    AppendObjects(out, "order", snapshot.order, [](std::string& to, const LiveStarter& starter) {
        AppendMember(to, "startNumber", starter.startNumber);
        AppendMember(to, "rider", starter.rider);
        AppendMember(to, "horse", starter.horse);
        AppendMember(to, "turn", TurnNames[static_cast<int>(starter.turn)]);
        AppendMember(to, "drag", starter.dragAfter);
    });
    AppendTeams(out, snapshot.teams);
}

void AppendNumber(std::string& out, std::string_view name, int value) {
    out += '"';
    out += name;
    out += "\":" + std::to_string(value) + ',';
}

}  // namespace

void AppendTeams(std::string& out, const TeamRanking& teams) {
    if (!teams.Shown()) {
        return;
    }
    out += "\"teams\":{";
    AppendNumber(out, "best", teams.Best);
    AppendObjects(out, "rows", teams.Teams, [](std::string& to, const TeamStanding& team) {
        AppendNumber(to, "place", team.Place);
        AppendMember(to, "team", team.Name);
        AppendMember(to, "total", team.Total);
        AppendNumber(to, "counted", team.Counted);
        AppendObjects(to, "members", team.Members, [](std::string& at, const TeamMember& member) {
            AppendMember(at, "startNumber", member.StartNumber);
            AppendMember(at, "rider", member.Rider);
            AppendMember(at, "total", member.Total);
            AppendMember(at, "counts", member.Counts);
        });
    });
    CloseJson(out, '}');
    out += ',';
}

std::string LiveResultsJson(const LiveSnapshot& snapshot) {
    std::string out = "{";
    AppendMember(out, "className", snapshot.announcer.className);
    AppendMember(out, "race", snapshot.board.race);
    AppendMember(out, "startNumber", snapshot.board.startNumber);
    AppendMember(out, "rider", snapshot.board.rider);
    AppendMember(out, "horse", snapshot.board.horse);
    AppendMember(out, "running", snapshot.board.running);
    AppendClockState(out, snapshot.announcer);
    AppendMember(out, "finished", ClassFinished(snapshot));
    AppendResults(out, snapshot);
    AppendObjects(out, "classes", snapshot.classes, [](std::string& to, const LiveClass& item) {
        AppendMember(to, "name", item.name);
        AppendMember(to, "race", item.race);
        AppendMember(to, "open", item.open);
        AppendMember(to, "arena", item.arena);
    });
    CloseJson(out, '}');
    return out;
}

std::string LiveClassJson(const LiveSnapshot& snapshot) {
    std::string out = "{";
    AppendMember(out, "className", snapshot.announcer.className);
    AppendMember(out, "race", snapshot.board.race);
    AppendResults(out, snapshot);
    CloseJson(out, '}');
    return out;
}

std::string LiveResultsPage(const LiveSnapshot& snapshot) {
    std::string page(kPageHead);
    page += LiveResultsJson(snapshot);
    page += kPageScript;
    page += kLiveScript;
    page += kPageTail;
    return page;
}

std::string LivePageAddress(std::string_view ipv4Address, int port) {
    if (ipv4Address.empty()) {
        return {};
    }
    return "http://" + std::string(ipv4Address) + ":" + std::to_string(port) + "/";
}

std::string LiveAddressText(std::string_view ipv4Address, int port) {
    if (ipv4Address.empty()) {
        return "Live-Ergebnisse: Port " + std::to_string(port) + " (kein Netzwerk)";
    }
    return "Live-Ergebnisse: " + LivePageAddress(ipv4Address, port);
}
