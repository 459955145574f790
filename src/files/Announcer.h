#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "results/ResultRules.h"
#include "results/Teams.h"

struct Standing;

// What the announcer talks the crowd through: who is on course, who comes next, how the last run
// went, who leads. The announcer window and the live server's "/sprecher" page show the same
// snapshot, taken on the UI thread after each change (never per clock tick).

struct AnnouncerStarter {
    std::string startNumber;
    std::string rider;
    std::string horse;
    std::string team;
};

enum class AnnouncerClock {
    Idle,       // nothing on the clock
    Countdown,  // the countdown before a run
    Running,    // the run clock counts: the reader runs its own clock from startMs
    Stopped,    // the run was stopped: stoppedTime is the program's own time
};

struct AnnouncerRun {
    AnnouncerStarter starter;
    std::string runTime;
    std::string penalties;
    std::string total;  // "DQ" when disqualified
    std::string reason;
    std::string place;
    std::string division;  // "2D: 1" with divisions, else empty
    std::string behind;    // "+0,42" behind the lead, "Führung" when leading; empty for a DQ
    std::string payout;    // the money won in a class that pays, else empty
    // Where the rider's team stands now in a class with a team rule: "Nordheide: Platz 4 ·
    // 28,31 (2 von 3)"; empty otherwise.
    std::string teamStanding;
    bool dq = false;
};

// Where a division begins: "2D" from "15,511" on.
struct AnnouncerCut {
    std::string label;
    std::string from;
};

struct AnnouncerLeader {
    std::string label;  // "1.", "2.", or the division "1D"
    AnnouncerStarter starter;
    std::string total;
};

// The rider on course runs a round of an average: where they stand in it.
struct AnnouncerAverage {
    std::string className;  // the average
    int roundsBefore = 0;
    std::string soFar;  // their total over the rounds before; empty in the first round
    int place = 0;      // their place in the average of the rounds before; 0 in the first round
    std::string needs;  // the most this run may total to lead the average; empty: any valid run
    // The most this run may total to be paid in each paying division: {"2D", "16,54"}; the
    // division is empty in an average without divisions.
    std::vector<std::pair<std::string, std::string>> money;
};

struct AnnouncerSnapshot {
    std::string className;
    std::string race;
    bool hasStarter = false;
    AnnouncerStarter onCourse;
    AnnouncerClock clock = AnnouncerClock::Idle;
    // The run's start on the program's monotonic clock in milliseconds, while running.
    std::int64_t startMs = 0;
    // The time shown when the run was stopped, as the program measured it.
    std::string stoppedTime;
    // The class's separator and resolution, for the reader's own clock.
    char decimalSeparator = ',';
    Resolution resolution = Resolution::Hundredths;
    std::vector<AnnouncerStarter> next;  // "am Start", then "in Vorbereitung"
    bool hasLastRun = false;
    AnnouncerRun lastRun;
    std::vector<AnnouncerLeader> leaders;          // the first three places
    std::vector<AnnouncerLeader> divisionLeaders;  // the first of each division
    std::vector<AnnouncerCut> divisionCuts;        // from 2D on, where each division begins
    // What one penalty adds; the core sets it from the class's settings.
    int penaltySeconds = DefaultPenaltySeconds;
    std::string timeToBeat;                   // the leading total
    int runs = 0;                             // starters with a result
    int left = 0;                             // starters still to run
    int nextDragIn = -1;                      // runs until the next drag; -1 none
    std::optional<AnnouncerAverage> average;  // the rider on course in a round of one
    TeamRanking teams;                        // the team standings; none without a team rule
};

// "Schnitt nach 1 Runde: 15,50, Platz 2 · braucht 15,50 für Platz 1 im Schnitt · 16,02 für Geld
// im 1D · 16,54 für Geld im 2D".
std::string AnnouncerAverageText(const AnnouncerAverage& average);

// What the core knows beyond the class's standing when it takes the snapshot: the class, the
// rider on course as the board shows them, and the clock.
struct AnnouncerState {
    std::string className;
    std::string race;
    AnnouncerStarter onCourse;
    AnnouncerClock clock = AnnouncerClock::Idle;
    std::int64_t startMs = 0;
    std::string stoppedTime;
};

// The announcer's view of the standing: its leaders, time to beat, division leaders, last run,
// next starters, runs and drags as the standing decided them.
AnnouncerSnapshot MakeAnnouncerSnapshot(const Standing& standing, AnnouncerState state);

// The snapshot as JSON ("digits" is 2, or 3 in a class timed to the thousandth); nowMs is the
// program's monotonic clock when it is served, so a reader can run the clock from startMs whatever
// its own clock says. A message that a broker keeps for later readers has no nowMs: they run the
// clock from the wall-clock stamp "startedAt", which is startMs + wallOffsetMs (the wall clock less
// the monotonic clock, in milliseconds). Every text is escaped so that it can stand inside a page's
// script block.
std::string AnnouncerJson(const AnnouncerSnapshot& snapshot, std::optional<std::int64_t> nowMs,
                          std::int64_t wallOffsetMs);
// The clock's state as a reader runs it: "clock", "startMs", "stoppedTime", "decimal" and
// "digits", each followed by a comma. The same at every moment of the snapshot.
void AppendClockState(std::string& out, const AnnouncerSnapshot& snapshot);
// Only the clock's part of it: the rider on course and the clock's state, without nowMs.
std::string AnnouncerClockJson(const AnnouncerSnapshot& snapshot, std::int64_t wallOffsetMs);

// The announcer's page: it fetches "sprecher.json" once a second and runs the clock itself.
std::string AnnouncerPage();
