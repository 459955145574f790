#include "timing/BarrierTest.h"

#include <cstdio>
#include <utility>

namespace {

constexpr std::uint32_t CtsOn = 0x10;

// "12,345 ms" with the decimal comma the operator reads.
std::string Milliseconds(std::int64_t us) {
    char text[48];
    std::snprintf(text, sizeof text, "%lld,%03lld ms", static_cast<long long>(us / 1000),
                  static_cast<long long>(us % 1000));
    return text;
}

}  // namespace

BarrierTest::BarrierTest(int alg, int timeLockMs, std::int64_t frequency, std::int64_t now,
                         std::uint32_t status)
    : alg_(alg),
      lockTicks_(static_cast<std::int64_t>(timeLockMs) * frequency / 1000),
      frequency_(frequency),
      status_(status),
      lastEdge_(now) {
    Say(std::string("Lichtschranken-Test: Strahl ") +
        (((status & CtsOn) != 0) == (alg == 0) ? "unterbrochen" : "frei") +
        ". Jetzt durch die Lichtschranke gehen; es wird nichts gezeitet.");
}

void BarrierTest::Edge(std::uint32_t status, std::int64_t stamp, std::uint32_t count) {
    const std::int64_t sinceUs = ToUs(stamp - lastEdge_);
    if (edges_ > 0 && sinceUs > CrossingGapMs * 1000 && AtRest()) {
        EndCrossing();
    }
    if (edges_ == 0) {
        crossingStart_ = stamp;
    }
    edges_ += count;
    lastEdge_ = stamp;
    silenceSaid_ = false;

    const bool cts = (status & CtsOn) != 0;
    const bool trigger = (alg_ == 0 && cts) || (alg_ == 1 && !cts);
    std::string action;
    if (status == status_) {
        action = "gleicher Pegel: ignoriert";
    } else if (!trigger) {
        action = "Ruhepegel: keine Auslösung";
    } else if (triggered_ && stamp - lastTrigger_ < lockTicks_) {
        action = "in der Startsperre: ignoriert";
    } else {
        action = "würde starten bzw. stoppen";
        triggered_ = true;
        lastTrigger_ = stamp;
    }
    status_ = status;
    std::string line =
        "+" + Milliseconds(sinceUs) + "  " + (cts ? "CTS an " : "CTS aus") + "  " + action;
    if (count > 1) {
        line += " (" + std::to_string(count) + " Flanken)";
    }
    Say(std::move(line));
}

void BarrierTest::Tick(std::int64_t now) {
    const std::int64_t quietUs = ToUs(now - lastEdge_);
    if (edges_ > 0 && quietUs > CrossingGapMs * 1000 && AtRest()) {
        EndCrossing();
    }
    if (!silenceSaid_ && quietUs >= SilenceMs * 1000) {
        silenceSaid_ = true;
        Say("Seit " + std::to_string(quietUs / 1'000'000) +
            " s keine Flanke: Verkabelung und Ausrichtung prüfen");
    }
}

bool BarrierTest::AtRest() const {
    const bool cts = (status_ & CtsOn) != 0;
    return alg_ == 0 ? !cts : cts;
}

void BarrierTest::EndCrossing() {
    ++crossings_;
    // A clean crossing is the beam broken and given free again: two edges.
    if (edges_ > 2) {
        ++bouncing_;
        const std::int64_t spanUs = ToUs(lastEdge_ - crossingStart_);
        Say("Kontakt prellt: " + std::to_string(edges_) + " Flanken in " +
            std::to_string((spanUs + 500) / 1000) + " ms");
    } else {
        Say("Durchgang sauber: " + std::to_string(edges_) + " Flanke" + (edges_ == 1 ? "" : "n"));
    }
    edges_ = 0;
}

void BarrierTest::Say(std::string line) {
    lines_.push_back(std::move(line));
    if (lines_.size() > MaxLines) {
        lines_.pop_front();
    }
}
