#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "files/Announcer.h"
#include "results/ResultRules.h"
#include "results/Teams.h"

struct Standing;

// What the time board says about the current run.
struct LiveBoard {
    std::string race;         // event type
    std::string startNumber;  // current starter; empty when none is chosen
    std::string rider;
    std::string horse;
    bool running = false;  // the run clock is counting
};

// One entered run as the spectators see it; the texts are the standing's.
struct LiveRow {
    std::string place;  // empty without a valid total
    std::string startNumber;
    std::string rider;
    std::string horse;
    std::string team;
    std::string runTime;
    std::string penalties;
    std::string total;  // "DQ" when disqualified
    std::string reason;
    bool dq = false;
    std::string division;       // "2D" in a class with divisions, else empty
    std::string divisionPlace;  // the place within the division
    std::string payout;         // the money won in a class that pays, else empty
    bool last = false;          // the last run entered
};

// One starter in the order of go, as the standing has them.
enum class LiveTurn {
    Run,        // has a result
    Scratched,  // scratched, not run
    OnCourse,   // the current starter
    Next,       // still to come after the one on course
    Passed,     // no result and passed over: not among those still to come
};

struct LiveStarter {
    std::string startNumber;
    std::string rider;
    std::string horse;
    LiveTurn turn = LiveTurn::Next;
    bool dragAfter = false;  // the ground is dragged after this starter's run
};

// One class of the show, as the phone page lists it for choosing.
struct LiveClass {
    std::string name;
    std::string race;
    // The class the arena runs now: its results are the snapshot's own rows.
    bool open = false;
    // Another class's results as its file holds them, as LiveClassJson writes them; shared
    // between snapshots while the file stays the same. Empty for the open class.
    std::shared_ptr<const std::string> json;
    // Another arena runs the class: its results are that station's, this one has none of them.
    std::string arena{};
};

// A copy of everything the live page shows, taken on the UI thread after each change so that
// serving never reads the table the operator is working on.
struct LiveSnapshot {
    LiveBoard board;
    bool teamShown = true;  // the team column is switched on
    int starters = 0;       // the starters of the class (a start number or a name)
    // The runs with a result in the standing's ranked order: placed runs by place, then the
    // disqualified ones and those without a time in the order of go; starters still to come are
    // not listed. The page shows them in this order.
    std::vector<LiveRow> rows;
    // The order of go with every starter's turn, and the runs still to come.
    std::vector<LiveStarter> order;
    int left = 0;
    // What one penalty adds in this class; the core sets it from the class's settings.
    int penaltySeconds = DefaultPenaltySeconds;
    // The class's team standings as its standing has them; none without a team rule.
    TeamRanking teams;
    // The announcer's view of the same moment ("/sprecher").
    AnnouncerSnapshot announcer;
    // The show's classes in running order; empty without a show.
    std::vector<LiveClass> classes;
};

// The live results server as the program's logic sees it; a Qt server implements it.
class ILiveResults {
public:
    virtual ~ILiveResults() = default;
    // Listens on the port at the address (empty: every interface); empty on success, else a
    // German message for the operator.
    virtual std::string Start(int port, const std::string& address) = 0;
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
    // The member "teams" (followed by a comma) of a class with a team rule: {"best": N, "rows":
    // [{"place", "team", "total", "counted", "members": [{"startNumber", "rider", "total",
    // "counts"}]}]}, the teams ranked, place 0 and total "" for a team without a valid total yet.
    // Nothing for a class without team standings.
    void AppendTeams(std::string& out, const TeamRanking& teams);

    // Status-bar text with the address spectators type, while running.
    virtual std::string AddressText() const = 0;
    // The phone page's address ("http://192.168.1.20:8080/") while running; empty without a
    // network address to reach it by.
    virtual std::string PageAddress() const = 0;
    // After every change of the table or the board; later requests get this snapshot.
    virtual void Publish(const LiveSnapshot& snapshot) = 0;
    // Every second from the window thread: it still works. A server whose snapshots and
    // heartbeats stop tells its readers the station hangs.
    virtual void Alive() {}
};

// The class's results as its standing has them; teamShown: the team column is switched on.
LiveSnapshot MakeLiveSnapshot(const Standing& standing, LiveBoard board, bool teamShown);

// The arena's class is over: nobody is left to run and no run is on the clock.
bool ClassFinished(const LiveSnapshot& snapshot);

// The snapshot as a JSON object. Every text is a JSON string whose markup characters are
// escaped too, so the text can stand inside a page's script block.
std::string LiveResultsJson(const LiveSnapshot& snapshot);

// A class's results alone, without the board, the show's classes or the announcer: className,
// race, team, starters, rows and teams as LiveResultsJson writes them.
std::string LiveClassJson(const LiveSnapshot& snapshot);

// The whole page for phones: inline style and script, the snapshot built in, and a script that
// fetches "results.json" every second and redraws when it changed.
std::string LiveResultsPage(const LiveSnapshot& snapshot);

// Pieces of the JSON the live pages read. Every text is a JSON string whose markup characters
// are escaped too; a cell that is not UTF-8 is read as Windows-1252. A member is followed by a
// comma, which CloseJson replaces by the closing bracket.
void AppendJsonString(std::string& out, std::string_view text);
void AppendMember(std::string& out, std::string_view name, std::string_view text);
void AppendMember(std::string& out, std::string_view name, bool value);
void CloseJson(std::string& out, char bracket);

// A member whose value is an array of objects; appendMembers(out, item) writes each one's members.
template <typename Items, typename AppendMembers>
void AppendObjects(std::string& out, std::string_view name, const Items& items,
                   AppendMembers appendMembers) {
    out += '"';
    out += name;
    out += "\":[";
    for (const auto& item : items) {
        out += '{';
        appendMembers(out, item);
        CloseJson(out, '}');
        out += ',';
    }
    CloseJson(out, ']');
    out += ',';
}

// The member "teams" (followed by a comma) of a class with a team rule: {"best": N, "rows":
// [{"place", "team", "total", "counted", "members": [{"startNumber", "rider", "total",
// "counts"}]}]}, the teams ranked, place 0 and total "" for a team without a valid total yet.
// Nothing for a class without team standings.
void AppendTeams(std::string& out, const TeamRanking& teams);

// Status-bar text with the address spectators type, e.g. "Live-Ergebnisse:
// http://192.168.1.20:8080/"; without a network address only the port is named.
std::string LiveAddressText(std::string_view ipv4Address, int port);
// The phone page's address, "http://192.168.1.20:8080/"; empty without a network address.
std::string LivePageAddress(std::string_view ipv4Address, int port);
