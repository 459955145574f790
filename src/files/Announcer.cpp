#include "files/Announcer.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "LiveScripts.h"
#include "files/LiveResults.h"
#include "results/Jackpot.h"
#include "results/Standing.h"

namespace {

// How many starters after the one on course the announcer sees.
constexpr std::size_t NextShown = 2;
constexpr std::size_t LeadersShown = 3;

AnnouncerStarter StarterOf(const StandingRow& at) {
    return {at.StartNumber, at.Rider, at.Horse, at.Team};
}

void AppendStarter(std::string& out, std::string_view name, const AnnouncerStarter& starter) {
    out += '"';
    out += name;
    out += "\":{";
    AppendMember(out, "startNumber", starter.startNumber);
    AppendMember(out, "rider", starter.rider);
    AppendMember(out, "horse", starter.horse);
    AppendMember(out, "team", starter.team);
    CloseJson(out, '}');
    out += ',';
}

void AppendLeaders(std::string& out, std::string_view name,
                   const std::vector<AnnouncerLeader>& leaders) {
    AppendObjects(out, name, leaders, [](std::string& to, const AnnouncerLeader& leader) {
        AppendMember(to, "label", leader.label);
        AppendStarter(to, "starter", leader.starter);
        AppendMember(to, "total", leader.total);
    });
}

constexpr std::string_view ClockNames[] = {"idle", "countdown", "running", "stopped"};

// "Nordheide: Platz 4 · 28,31 (2 von 3)": the team's place, total and, while it is short of them,
// how many totals count; empty for a rider without a team or a class without team standings.
std::string TeamStandingText(const TeamRanking& ranking, const std::string& name) {
    const auto team = std::find_if(ranking.Teams.begin(), ranking.Teams.end(),
                                   [&](const TeamStanding& item) { return item.Name == name; });
    if (name.empty() || team == ranking.Teams.end()) {
        return {};
    }
    std::string text = team->Name + ": ";
    if (team->Place > 0) {
        text += "Platz " + std::to_string(team->Place) + " \xC2\xB7 " + team->Total;
    } else {
        text += "noch keine gültige Zeit";
    }
    const std::string counted = CountedText(*team, ranking.Best);
    return counted.empty() ? text : text + " (" + counted + ")";
}

}  // namespace

AnnouncerSnapshot MakeAnnouncerSnapshot(const Standing& standing, AnnouncerState state) {
    AnnouncerSnapshot snapshot;
    snapshot.className = std::move(state.className);
    snapshot.race = std::move(state.race);
    snapshot.clock = state.clock;
    snapshot.startMs = state.startMs;
    snapshot.stoppedTime = std::move(state.stoppedTime);
    snapshot.decimalSeparator = standing.DecimalSeparator;
    snapshot.resolution = standing.TimeResolution;
    snapshot.hasStarter = standing.OnCourseRow > 0 || !state.onCourse.startNumber.empty() ||
                          !state.onCourse.rider.empty();
    snapshot.onCourse = std::move(state.onCourse);

    for (std::size_t i = 0; i < standing.NextRows.size() && i < NextShown; ++i) {
        snapshot.next.push_back(StarterOf(standing.At(standing.NextRows[i])));
    }
    snapshot.runs = standing.Runs;
    snapshot.teams = standing.Teams;
    snapshot.left = standing.Left;
    // The page counts from 0 = after the run on course.
    snapshot.nextDragIn = standing.RunsToDrag > 0 ? standing.RunsToDrag - 1 : -1;

    for (const int row : standing.Ranked) {
        const StandingRow& at = standing.At(row);
        if (at.Place == 0 || snapshot.leaders.size() == LeadersShown) {
            break;
        }
        snapshot.leaders.push_back({std::to_string(at.Place) + ".", StarterOf(at), at.Total});
    }
    if (standing.FastestMs) {
        snapshot.timeToBeat = standing.TimeText(*standing.FastestMs);
    }
    if (standing.HasDivisions()) {
        for (std::size_t d = 0; d < standing.DivisionLeaderRows.size(); ++d) {
            const int row = standing.DivisionLeaderRows[d];
            if (row > 0) {
                const StandingRow& at = standing.At(row);
                snapshot.divisionLeaders.push_back(
                    {DivisionName(static_cast<int>(d) + 1), StarterOf(at), at.Total});
            }
        }
        for (std::size_t d = 1; d < standing.DivisionBeginsMs.size(); ++d) {
            if (const std::optional<std::int64_t> begins = standing.DivisionBeginsMs[d]) {
                snapshot.divisionCuts.push_back(
                    {DivisionName(static_cast<int>(d) + 1), standing.TimeText(*begins)});
            }
        }
    }

    if (standing.LastRunRow > 0) {
        const int row = standing.LastRunRow;
        const StandingRow& at = standing.At(row);
        AnnouncerRun& run = snapshot.lastRun;
        snapshot.hasLastRun = true;
        run.starter = StarterOf(at);
        run.runTime = at.RunTime;
        run.penalties = at.Penalties;
        run.dq = at.State == Validity::Disqualified;
        run.total = at.Total;
        run.reason = run.dq ? at.Reason : std::string();
        run.place = at.Place > 0 ? std::to_string(at.Place) : std::string();
        run.division = standing.DivisionText(row);
        run.payout = standing.MoneyOf(row);
        run.teamStanding = TeamStandingText(standing.Teams, at.Team);
        if (at.TotalMs && at.TotalMs == standing.FastestMs) {
            run.behind = "F\xC3\xBChrung";  // "Führung"
        } else {
            run.behind = standing.BehindText(row);
        }
    }
    return snapshot;
}

namespace {

// What the clock shows: the rider on course and the clock's state. A running clock carries its
// start twice: on the program's own clock (startMs, with nowMs when served at once) and as a
// wall-clock stamp (startedAt, milliseconds since 1970, 0 unless running), for readers that get
// the message later than it was sent.
void AppendClock(std::string& out, const AnnouncerSnapshot& snapshot,
                 std::optional<std::int64_t> nowMs, std::int64_t wallOffsetMs) {
    AppendMember(out, "className", snapshot.className);
    AppendMember(out, "race", snapshot.race);
    AppendMember(out, "hasStarter", snapshot.hasStarter);
    AppendStarter(out, "onCourse", snapshot.onCourse);
    AppendClockState(out, snapshot);
    if (nowMs) {
        out += "\"nowMs\":" + std::to_string(*nowMs) + ",";
    }
    const bool running = snapshot.clock == AnnouncerClock::Running;
    out += "\"startedAt\":" + std::to_string(running ? snapshot.startMs + wallOffsetMs : 0) + ",";
}

}  // namespace

void AppendClockState(std::string& out, const AnnouncerSnapshot& snapshot) {
    AppendMember(out, "clock", ClockNames[static_cast<int>(snapshot.clock)]);
    out += "\"startMs\":" + std::to_string(snapshot.startMs) + ",";
    AppendMember(out, "stoppedTime", snapshot.stoppedTime);
    AppendMember(out, "decimal", std::string_view(&snapshot.decimalSeparator, 1));
    out += "\"digits\":";
    out += snapshot.resolution == Resolution::Thousandths ? '3' : '2';
    out += ',';
}

std::string AnnouncerClockJson(const AnnouncerSnapshot& snapshot, std::int64_t wallOffsetMs) {
    std::string out = "{";
    AppendClock(out, snapshot, std::nullopt, wallOffsetMs);
    CloseJson(out, '}');
    return out;
}

std::string AnnouncerJson(const AnnouncerSnapshot& snapshot, std::optional<std::int64_t> nowMs,
                          std::int64_t wallOffsetMs) {
    std::string out = "{";
    AppendClock(out, snapshot, nowMs, wallOffsetMs);
    AppendObjects(out, "next", snapshot.next, [](std::string& to, const AnnouncerStarter& starter) {
        AppendStarter(to, "starter", starter);
    });
    if (snapshot.hasLastRun) {
        const AnnouncerRun& run = snapshot.lastRun;
        out += "\"lastRun\":{";
        AppendStarter(out, "starter", run.starter);
        AppendMember(out, "time", run.runTime);
        AppendMember(out, "penalties", run.penalties);
        AppendMember(out, "penaltyTime", PenaltyTimeText(run.penalties, snapshot.penaltySeconds));
        AppendMember(out, "total", run.total);
        AppendMember(out, "reason", run.reason);
        AppendMember(out, "place", run.place);
        AppendMember(out, "division", run.division);
        AppendMember(out, "behind", run.behind);
        AppendMember(out, "payout", run.payout);
        AppendMember(out, "teamStanding", run.teamStanding);
        AppendMember(out, "dq", run.dq);
        CloseJson(out, '}');
        out += ',';
    }
    AppendLeaders(out, "leaders", snapshot.leaders);
    AppendLeaders(out, "divisionLeaders", snapshot.divisionLeaders);
    AppendObjects(out, "divisionCuts", snapshot.divisionCuts,
                  [](std::string& to, const AnnouncerCut& cut) {
                      AppendMember(to, "label", cut.label);
                      AppendMember(to, "from", cut.from);
                  });
    AppendMember(out, "timeToBeat", snapshot.timeToBeat);
    out += "\"runs\":" + std::to_string(snapshot.runs) +
           ",\"left\":" + std::to_string(snapshot.left) +
           ",\"nextDragIn\":" + std::to_string(snapshot.nextDragIn);
    if (snapshot.teams.Shown()) {
        out += ',';
        AppendTeams(out, snapshot.teams);
        out.pop_back();
    }
    if (snapshot.average) {
        out += ",\"average\":{";
        AppendMember(out, "className", snapshot.average->className);
        AppendMember(out, "soFar", snapshot.average->soFar);
        out += "\"place\":" + std::to_string(snapshot.average->place) + ",";
        AppendMember(out, "needs", snapshot.average->needs);
        AppendMember(out, "text", AnnouncerAverageText(*snapshot.average));
        CloseJson(out, '}');
    }
    out += '}';
    return out;
}

std::string AnnouncerAverageText(const AnnouncerAverage& average) {
    std::string text;
    if (average.roundsBefore > 0) {
        text = average.className + " nach " + std::to_string(average.roundsBefore) +
               (average.roundsBefore == 1 ? " Runde: " : " Runden: ") + average.soFar + ", Platz " +
               std::to_string(average.place);
    }
    if (!average.needs.empty()) {
        text += (text.empty() ? "" : " · ") + std::string("braucht ") + average.needs +
                " für Platz 1 im Schnitt";
    }
    for (const auto& [division, needs] : average.money) {
        text += (text.empty() ? "braucht " : " · ") + needs + " für Geld" +
                (division.empty() ? "" : " im " + division);
    }
    return text;
}

std::string AnnouncerPage() {
    return R"(<!DOCTYPE html>
<html lang="de">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Sprecher</title>
<style>
body{margin:0;font-family:system-ui,-apple-system,"Segoe UI",Roboto,Arial,sans-serif;background:#10161c;color:#eef2f5}
header{background:#1d4f2e;padding:8px 12px;display:flex;flex-wrap:wrap;gap:4px 16px;align-items:baseline}
h1{margin:0;font-size:1.2em}
#count{font-size:.95em;color:#cfe3d6}
main{display:grid;grid-template-columns:1fr;gap:10px;padding:10px}
@media (min-width:760px){main{grid-template-columns:1fr 1fr}#course{grid-column:1/-1}}
section{background:#1b242d;border-radius:8px;padding:10px 12px}
h2{margin:0 0 6px;font-size:.8em;letter-spacing:.06em;text-transform:uppercase;color:#9fb3c3}
.big{font-size:1.5em;font-weight:700}
.sub{color:#b7c5d0}
#clock{font-size:3.2em;font-weight:700;font-variant-numeric:tabular-nums;letter-spacing:.02em}
#clock.running{color:#7ee787}#clock.stopped{color:#ffd866}#clock.lost{color:#5c6b61}
#alert{background:#c62828;color:#fff;padding:8px 12px;font-weight:bold}
.money{color:#7ee787;font-weight:700}
.row{display:flex;justify-content:space-between;gap:10px;padding:3px 0;border-bottom:1px solid #2a3641}
.row:last-child{border-bottom:0}
.n{font-variant-numeric:tabular-nums;white-space:nowrap;text-align:right}
.dq{color:#ff7b72;font-weight:700}
footer{font-size:.85em;color:#8da0ae;padding:0 12px 10px}
#link.lost{color:#ff7b72;font-weight:bold}
</style>
</head>
<body>
<div id="alert" role="alert" hidden></div>
<header><h1 id="cls"></h1><span id="count"></span></header>
<main>
<section id="course"><h2>Auf der Bahn</h2><div id="rider" class="big"></div><div id="horse" class="sub"></div><div id="avg"></div><div id="clock"></div></section>
<section><h2>Als N&auml;chstes</h2><div id="next"></div></section>
<section><h2>Letzter Lauf</h2><div id="last"></div></section>
<section><h2>F&uuml;hrung</h2><div id="leaders"></div><div id="beat" class="sub"></div></section>
<section id="divs" hidden><h2>Divisionen</h2><div id="divleaders"></div><div id="cuts" class="sub"></div></section>
<section id="teamBox" hidden><h2 id="teamHead">Teams</h2><div id="teams"></div></section>
</main>
<footer><span id="link"></span></footer>
<script>
)" + std::string(kLiveScript) +
           R"(
function $(id) { return document.getElementById(id); }
function el(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text) e.textContent = text;
  return e;
}
function who(s) { return [s.startNumber, s.rider].filter(Boolean).join(" "); }
function detail(s) { return [s.horse, s.team].filter(Boolean).join(" \u00b7 "); }
function line(left, right, cls) {
  const r = el("div", "row");
  r.append(left, el("span", "n " + (cls || ""), right));
  return r;
}
let data = null, lost = false;
const programClock = new ProgramClock();
// The clock stands still while the station is not heard, or is heard but its program hangs (at
// the time it was last heard from).
function tick() {
  const c = $("clock");
  if (!data) return;
  if (lost || data.stale) {
    if (!lost && data.clock === "running" && Number.isFinite(data.heardMs)) {
      c.textContent = runTimeText(data.heardMs - data.startMs, data.decimal, data.digits);
    }
    c.className = "lost";
    return;
  }
  const [text, state] = clockShown(data, programClock);
  c.textContent = text;
  c.className = state;
}
function render(d) {
  $("cls").textContent = [d.className, d.race].filter(Boolean).join(" \u00b7 ");
  let count = d.runs + " gelaufen \u00b7 " + d.left + " offen";
  if (d.nextDragIn === 0) count += " \u00b7 Bahnpflege nach diesem Lauf";
  else if (d.nextDragIn > 0) count += " \u00b7 Bahnpflege in " + (d.nextDragIn + 1) + " L\u00e4ufen";
  $("count").textContent = count;
  $("rider").textContent = d.hasStarter ? who(d.onCourse) : "Kein Starter gew\u00e4hlt";
  $("horse").textContent = d.hasStarter ? detail(d.onCourse) : "";
  $("avg").textContent = d.hasStarter && d.average ? d.average.text : "";
  const next = $("next"); next.textContent = "";
  const labels = ["N\u00e4chster", "In Vorbereitung"];
  d.next.forEach(function (n, i) {
    const item = el("div", "row");
    const left = el("div"); left.append(el("b", "", labels[i] + ": "), who(n.starter), el("div", "sub", detail(n.starter)));
    item.append(left);
    next.append(item);
  });
  if (!d.next.length) next.append(el("div", "sub", "Keine weiteren Starter"));
  const last = $("last"); last.textContent = "";
  if (d.lastRun) {
    const r = d.lastRun;
    last.append(el("div", "big", who(r.starter)), el("div", "sub", detail(r.starter)));
    if (r.dq) {
      last.append(line(el("span", "", "Disqualifiziert"), "DQ" + (r.reason ? " \u2013 " + r.reason : ""), "dq"));
    } else {
      last.append(line(el("span", "", "Zeit"), r.time));
      last.append(line(el("span", "", "Strafen"), r.penaltyTime || r.penalties || "0"));
      last.append(line(el("span", "", "Total"), r.total));
      last.append(line(el("span", "", "Rang"), (r.place || "") + (r.division ? " \u00b7 " + r.division : "")));
      if (r.payout) last.append(line(el("span", "", "Preisgeld"), r.payout + " \u20ac", "money"));
      last.append(line(el("span", "", "Abstand zur F\u00fchrung"), r.behind));
      // A long team name wraps on a phone instead of widening the page.
      if (r.teamStanding) last.append(el("div", "", "Team: " + r.teamStanding));
    }
  } else {
    last.append(el("div", "sub", "Noch kein Lauf"));
  }
  const lead = $("leaders"); lead.textContent = "";
  d.leaders.forEach(function (l) {
    const left = el("span"); left.append(el("b", "", l.label + " "), who(l.starter));
    lead.append(line(left, l.total));
  });
  $("beat").textContent = d.timeToBeat ? "Zu schlagen: " + d.timeToBeat : "Noch keine g\u00fcltige Zeit";
  $("divs").hidden = d.divisionLeaders.length === 0 && d.divisionCuts.length === 0;
  const divs = $("divleaders"); divs.textContent = "";
  d.divisionLeaders.forEach(function (l) {
    const left = el("span"); left.append(el("b", "", l.label + " "), who(l.starter));
    divs.append(line(left, l.total));
  });
  renderTeams(d);
  $("cuts").textContent = d.divisionCuts.map(function (c) { return c.label + " ab " + c.from; }).join(" \u00b7 ");
}
// The team standings, the team of the rider on course marked; a team short of counted totals
// says how many count so far.
function renderTeams(d) {
  const teams = d.teams;
  $("teamBox").hidden = !teams;
  const list = $("teams"); list.textContent = "";
  if (!teams) return;
  $("teamHead").textContent = "Teams \u00b7 " + (teams.best === 1 ? "die beste Zeit z\u00e4hlt" : "die " + teams.best + " besten Zeiten z\u00e4hlen");
  teams.rows.forEach(function (t) {
    const left = el("span");
    left.append(el("b", "", (t.place ? t.place + ". " : "") + t.team));
    if (d.hasStarter && d.onCourse.team === t.team) left.append(el("span", "money", " \u2190 auf der Bahn"));
    const counted = t.counted < teams.best ? " \u00b7 " + t.counted + " von " + teams.best : "";
    list.append(line(left, (t.total || "\u2013") + counted));
  });
}
let lastStamp = "";
function heard(ok) {
  lost = !ok;
  const stale = ok && data && data.stale;
  if (ok && !stale) lastStamp = liveStamp();
  $("link").textContent = !ok ? "Keine Verbindung zur Zeitnahme" + (lastStamp ? " \u2013 Stand " + lastStamp : "")
                        : stale ? "Die Zeitnahme reagiert nicht" + (lastStamp ? " \u2013 Stand " + lastStamp : "")
                        : "Stand " + lastStamp;
  $("link").className = ok && !stale ? "" : "lost";
  $("alert").hidden = ok && !stale;
  $("alert").textContent = ok && !stale ? "" : $("link").textContent;
  tick();
}
// Asked again at once: the program holds the question until its data changed, so a stop is
// shown as soon as the program has it.
function poll() {
  followData("sprecher.json", programClock, function (d) { data = d; render(d); }, heard);
}
setInterval(tick, 47);
poll();
</script>
</body>
</html>
)";
}
