#include "files/LiveResults.h"

#include <cstdio>

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
header{background:#1d4f2e;color:#fff;padding:10px 12px}
h1{margin:0;font-size:1.35em}
#now{margin-top:6px;font-size:1.05em;line-height:1.5}
.state{display:inline-block;margin-left:6px;padding:0 8px;border-radius:10px;background:#5c6b61;font-size:.85em;white-space:nowrap}
.state.on{background:#c62828;font-weight:bold}
table{width:100%;border-collapse:collapse;background:#fff}
th{font-size:.8em;color:#555;text-align:left;padding:6px 4px;border-bottom:2px solid #1d4f2e}
td{padding:7px 4px;border-bottom:1px solid #ddd;vertical-align:top}
.n{text-align:right;white-space:nowrap;font-variant-numeric:tabular-nums}
.name{font-weight:600}
.sub{color:#555;font-size:.85em;font-weight:normal}
.total{font-weight:bold;font-size:1.1em}
tr.dq td{color:#777}
.narrow{display:none}
@media (max-width:480px){.rt{display:none}.narrow{display:block}td,th{padding-left:3px;padding-right:3px}.name{overflow-wrap:anywhere}}
#empty{padding:12px}
#choice{margin:0;padding:8px 12px;background:#fff;border-bottom:1px solid #ddd;display:flex;flex-wrap:wrap;gap:6px 16px}
#choice select{font-size:1em;padding:2px 6px;max-width:100%}
#choice label{max-width:100%}
footer{font-size:.85em;color:#555;padding:8px 12px}
#link.lost{color:#c62828;font-weight:bold}
</style>
</head>
<body>
<header><h1 id="race"></h1><div id="now"></div></header>
<p id="choice" hidden><label id="classes" hidden>Klasse <select id="klasse"></select></label><label id="filter" hidden>Division <select id="division"><option value="">Alle</option></select></label></p>
<table>
<thead><tr><th class="n">Rang</th><th class="n">Nr.</th><th>Name / Pferd</th><th class="n rt">Laufzeit</th><th class="n">Total</th></tr></thead>
<tbody id="rows"></tbody>
</table>
<p id="empty">Noch keine Ergebnisse.</p>
<footer><span id="count"></span> &middot; <span id="link"></span></footer>
<script id="data" type="application/json">)";

constexpr std::string_view kPageTail = R"(</script>
<script>
"use strict";
function $(id) { return document.getElementById(id); }
function el(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text) e.textContent = text;
  return e;
}
// The board is the arena's (the class it runs now); the list is the class chosen, the running
// one unless a reader chose another from the show's classes.
let board = JSON.parse($("data").textContent);
let list = null;
let shown = "";
function chosenClass() {
  const m = /^#klasse=(\d+)$/.exec(location.hash);
  return m ? Number(m[1]) : 0;
}
function openClass(d) {
  return d.classes.findIndex(function (c) { return c.open; }) + 1;
}
// The list shown: null while another class's list is on its way.
function listed() {
  const n = chosenClass();
  if (!n || n === openClass(board) || n > board.classes.length) return board;
  return list && list.n === n ? list.data : null;
}
function renderBoard(d) {
  $("race").textContent = d.className ? d.className + " \u00b7 " + d.race : d.race;
  const now = $("now");
  now.textContent = "";
  if (d.startNumber) {
    now.append("Am Start: ", el("b", "", d.startNumber + " " + d.rider));
    if (d.horse) now.append(" \u00b7 " + d.horse);
  } else {
    now.append("Kein Starter gew\u00e4hlt");
  }
  now.append(el("span", d.running ? "state on" : "state", d.running ? "Lauf l\u00e4uft" : "Warten auf Start"));
  const select = $("klasse");
  $("classes").hidden = d.classes.length < 2;
  select.textContent = "";
  d.classes.forEach(function (c, i) {
    select.append(new Option(c.open ? c.name + " \u2013 l\u00e4uft" : c.name, String(i + 1)));
  });
  const n = chosenClass();
  select.value = String(n >= 1 && n <= d.classes.length ? n : openClass(d));
}
function renderList(d) {
  const body = $("rows");
  body.textContent = "";
  const loading = !d;
  $("empty").textContent = loading ? "Wird geladen \u2026" : "Noch keine Ergebnisse.";
  d = d || {team: false, starters: 0, rows: []};
  // The divisions in the order the ranked rows bring them: 1D first.
  const divisions = [...new Set(d.rows.map(function (r) { return r.division; }).filter(Boolean))];
  const choice = $("division");
  $("filter").hidden = divisions.length === 0;
  $("choice").hidden = $("filter").hidden && $("classes").hidden;
  const chosen = divisions.includes(choice.value) ? choice.value : "";
  choice.textContent = "";
  choice.append(new Option("Alle", ""));
  for (const name of divisions) choice.append(new Option(name, name));
  choice.value = chosen;
  for (const r of d.rows) {
    if (chosen && r.division !== chosen) continue;
    const tr = el("tr", r.dq ? "dq" : "");
    const place = el("td", "n", chosen ? r.divisionPlace : r.place);
    if (!chosen && r.division) place.append(el("div", "sub", r.division + ": " + r.divisionPlace));
    tr.append(place, el("td", "n", r.startNumber));
    const who = el("td");
    who.append(el("div", "name", r.rider));
    who.append(el("div", "sub", [r.horse, d.team ? r.team : ""].map(function (s) { return s.trim(); }).filter(Boolean).join(" \u00b7 ")));
    const time = el("td", "n rt", r.time);
    const penalties = r.penalties && r.penalties.trim() !== "0" ? "Strafen: " + r.penalties : "";
    if (penalties) time.append(el("div", "sub", penalties));
    const total = el("td", "n total", r.total);
    // On a phone the run time and the penalties go under the total, each on a line of its own,
    // so the total's column stays narrow and the name keeps its words whole.
    if (!r.dq && penalties) total.append(el("div", "sub narrow", r.time), el("div", "sub narrow", penalties));
    if (r.dq && r.reason) total.append(el("div", "sub", r.reason));
    tr.append(who, time, total);
    body.append(tr);
  }
  $("empty").hidden = d.rows.length > 0;
  $("count").textContent = loading ? "Ergebnisse: \u2026" : "Ergebnisse: " + d.rows.length + " von " + d.starters;
}
function render() {
  renderBoard(board);
  renderList(listed());
}
async function fetchText(url, signal) {
  const reply = await fetch(url, {cache: "no-store", signal: signal});
  if (!reply.ok) throw new Error(reply.status);
  return reply.text();
}
function stamp() { return new Date().toLocaleTimeString("de-DE"); }
let lastStamp = stamp();
$("link").textContent = "Stand " + lastStamp;
// One request at a time: a choice made while one is under way asks again when it is back.
let waiting = null;
let busy = false;
let again = false;
async function poll() {
  clearTimeout(waiting);
  if (busy) {
    again = true;
    return;
  }
  busy = true;
  const abort = new AbortController();
  const timer = setTimeout(function () { abort.abort(); }, 4000);
  try {
    const text = await fetchText("results.json", abort.signal);
    board = JSON.parse(text);
    const n = chosenClass();
    let other = "";
    if (n && n !== openClass(board) && n <= board.classes.length) {
      other = await fetchText("klasse/" + n + ".json", abort.signal);
      list = {n: n, data: JSON.parse(other)};
    }
    if (text + other !== shown) {
      shown = text + other;
      render();
    }
    lastStamp = stamp();
    $("link").textContent = "Stand " + lastStamp;
    $("link").className = "";
  } catch (e) {
    $("link").textContent = "Keine Verbindung zur Zeitnahme \u2013 Stand " + lastStamp;
    $("link").className = "lost";
  }
  clearTimeout(timer);
  busy = false;
  if (again) {
    again = false;
    poll();
  } else {
    waiting = setTimeout(poll, 1000);
  }
}
$("division").addEventListener("change", render);
$("klasse").addEventListener("change", function () {
  const n = Number($("klasse").value);
  // The running class follows the arena into its next class; another one stays chosen.
  history.replaceState(null, "", n === openClass(board) ? location.pathname : "#klasse=" + n);
  render();
  poll();
});
window.addEventListener("hashchange", function () { render(); poll(); });
render();
waiting = setTimeout(poll, chosenClass() ? 0 : 1000);
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
    for (const int row : standing.Ranked) {
        const StandingRow& at = standing.At(row);
        if (!at.HasResult()) {
            continue;
        }
        const bool dq = at.State == Validity::Disqualified;
        const bool divided = standing.HasDivisions() && at.Division > 0;
        snapshot.rows.push_back(
            {at.Place > 0 ? std::to_string(at.Place) : std::string(), at.StartNumber, at.Rider,
             at.Horse, at.Team, at.RunTime, at.Penalties, at.Total, dq ? at.Reason : std::string(),
             dq, divided ? DivisionName(at.Division) : std::string(),
             divided ? std::to_string(at.DivisionPlace) : std::string(), standing.MoneyOf(row)});
    }
    return snapshot;
}

namespace {

// The members a class's results have wherever they are written: the team column switched on,
// the starters and the ranked runs.
void AppendResults(std::string& out, const LiveSnapshot& snapshot) {
    AppendMember(out, "team", snapshot.teamShown);
    out += "\"starters\":" + std::to_string(snapshot.starters) + ',';
    AppendObjects(out, "rows", snapshot.rows, [](std::string& to, const LiveRow& row) {
        AppendMember(to, "place", row.place);
        AppendMember(to, "startNumber", row.startNumber);
        AppendMember(to, "rider", row.rider);
        AppendMember(to, "horse", row.horse);
        AppendMember(to, "team", row.team);
        AppendMember(to, "time", row.runTime);
        AppendMember(to, "penalties", row.penalties);
        AppendMember(to, "total", row.total);
        AppendMember(to, "reason", row.reason);
        AppendMember(to, "dq", row.dq);
        AppendMember(to, "division", row.division);
        AppendMember(to, "divisionPlace", row.divisionPlace);
        AppendMember(to, "payout", row.payout);
    });
}

}  // namespace

std::string LiveResultsJson(const LiveSnapshot& snapshot) {
    std::string out = "{";
    AppendMember(out, "className", snapshot.announcer.className);
    AppendMember(out, "race", snapshot.board.race);
    AppendMember(out, "startNumber", snapshot.board.startNumber);
    AppendMember(out, "rider", snapshot.board.rider);
    AppendMember(out, "horse", snapshot.board.horse);
    AppendMember(out, "running", snapshot.board.running);
    AppendResults(out, snapshot);
    AppendObjects(out, "classes", snapshot.classes, [](std::string& to, const LiveClass& item) {
        AppendMember(to, "name", item.name);
        AppendMember(to, "race", item.race);
        AppendMember(to, "open", item.open);
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
    page += kPageTail;
    return page;
}

std::string LiveAddressText(std::string_view ipv4Address, int port) {
    const std::string portText = std::to_string(port);
    if (ipv4Address.empty()) {
        return "Live-Ergebnisse: Port " + portText + " (kein Netzwerk)";
    }
    return "Live-Ergebnisse: http://" + std::string(ipv4Address) + ":" + portText + "/";
}
