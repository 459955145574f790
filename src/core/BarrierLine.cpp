#include "core/BarrierLine.h"

#include <filesystem>

#include "files/ChangeLog.h"

namespace {

// The alarm when the light barrier's line goes away, shipped beside the other cues.
constexpr const char* LineLostCue = "Audio-Lichtschranke.wav";

}  // namespace

BarrierLine::BarrierLine(ISerialBackend& serial, UiPost post, ICuePlayer& cues, ITimeSource& time,
                         IOperator& op, const std::string& dataFolder, RealtimeRequest realtime,
                         std::string name)
    : serial_(serial),
      cues_(cues),
      time_(time),
      operator_(op),
      port_(serial, std::move(post)),
      reconnector_(port_),
      beamLog_(dataFolder),
      name_(std::move(name)) {
    ports_ = ScanComPorts(serial_);
    port_.RequestRealtime = std::move(realtime);
    port_.OnOpen = [this](TComPort&) {
        if (OnOpen) {
            OnOpen(port_.ReadModemStatus());
        }
        Opened();
        Changed();
    };
    port_.OnClose = [this](TComPort&) {
        Closed();
        if (OnClose) {
            OnClose();
        }
        Changed();
    };
    port_.OnCTS = [this](TComPort&) { Edge(); };
}

BarrierLine::~BarrierLine() {
    // The watcher must be gone before the logic its callbacks reach.
    port_.OnClose = nullptr;
    port_.Close();
}

void BarrierLine::Changed() {
    if (OnChanged) {
        OnChanged();
    }
}

void BarrierLine::Open(const std::string& simulatedDevice) {
    port_.DevicePath = simulatedDevice;
    if (port_.Configured()) {
        OpenPort();
    }
}

void BarrierLine::OpenPort() {
    try {
        port_.Open();
        portError_.clear();
    } catch (const std::exception& error) {
        // The message says why: missing device, or the dialout group with its command.
        portError_ = error.what();
        operator_.ShowError(portError_);
    }
}

void BarrierLine::ClosePort() {
    port_.Close();
    portError_.clear();
    lineLost_ = false;
    line_ = {};
    UpdatePriority();
}

void BarrierLine::Close() {
    port_.Close();
}

void BarrierLine::Poll() {
    reconnector_.Poll();
    CheckPriority();
    if (test_) {
        test_->Tick(time_.Now());
        Changed();
    }
}

void BarrierLine::Edge() {
    // The barrier works again: the good news has been seen.
    if (line_.Good) {
        line_ = {};
    }
    if (priority_.Good) {
        priorityRegained_ = false;
        UpdatePriority();
    }
    const ComEvent& event = port_.CurrentEvent();
    if (test_) {
        test_->Edge(event.ModemStatus, event.Timestamp, event.Count);
        LogBeam(event.Timestamp, (event.ModemStatus & ModemCtsOn) != 0 ? "CTS an" : "CTS aus",
                "Lichtschranken-Test", {});
        Changed();
        return;
    }
    if (OnEdge) {
        OnEdge(event);
    }
}

void BarrierLine::LogBeam(std::int64_t stamp, const std::string& lineState,
                          const std::string& action, const std::string& startNumber) {
    const WallTime wall = LocalWallTime();
    const std::string line = wall.Text + "\t" + std::to_string(stamp) + "\t" + lineState + "\t" +
                             action + "\tNr. " + (startNumber.empty() ? "-" : startNumber);
    if (!beamLog_.Append(wall.Day, line) && !beamLogFailed_) {
        // Said once; the timing goes on without the log.
        beamLogFailed_ = true;
        beamLogMessage_ = "Lichtschranken-Protokoll nicht geschrieben: " + beamLog_.Error();
    }
}

std::string BarrierLine::BeamLogFile() const {
    return beamLog_.FileName(LocalWallTime().Day);
}

void BarrierLine::ToggleTest(int alg, int timeLock) {
    if (test_) {
        test_.reset();
        return;
    }
    test_ = std::make_unique<BarrierTest>(alg, timeLock, time_.CounterFrequency(), time_.Now(),
                                          port_.LineStatus());
}

std::string BarrierLine::Readout(int alg) const {
    if (!port_.Connected()) {
        return {};
    }
    const bool cts = (port_.LineStatus() & ModemCtsOn) != 0;
    const bool broken = cts == (alg == 0);
    return std::string(broken ? "Strahl unterbrochen" : "Strahl frei") +
           " · Flanken: " + std::to_string(port_.EdgeCount());
}

void BarrierLine::Opened() {
    if (lineLost_) {
        lineLost_ = false;
        line_ = {name_ + " wieder verbunden",
                 "Die Verbindung zur Lichtschranke ist wieder da. Vor dem nächsten Lauf die "
                 "Lichtschranke einmal auslösen und prüfen (F11 scharf/gesperrt).",
                 true};
    } else {
        line_ = {};
    }
    // An FTDI adapter reports a modem-line change only when its latency timer runs out.
    const int latency = serial_.LatencyTimerMs(port_.OpenPath());
    latency_ = {};
    if (latency > 1) {
        const std::string node = std::filesystem::path(port_.OpenPath()).filename().string();
        latency_ = {
            "USB-Adapter meldet Flanken bis " + std::to_string(latency) + " ms spät",
            "Der Latenz-Timer des USB-Adapters steht auf " + std::to_string(latency) +
                " ms: so spät kann eine Flanke der Lichtschranke gestempelt werden. Abhilfe: "
                "das Paket corralix installieren (seine udev-Regel stellt FTDI-Adapter beim "
                "Einstecken auf 1 ms) und den Adapter neu einstecken, oder einmalig: echo 1 | "
                "sudo tee /sys/class/tty/" +
                node + "/device/latency_timer",
            false};
    }
    UpdatePriority();
}

void BarrierLine::Closed() {
    latency_ = {};
    if (port_.DeviceLost()) {
        lineLost_ = true;
        line_ = {name_ + " getrennt! Kabel und Adapter prüfen",
                 "Die Lichtschranke ist nicht mehr erreichbar (Kabel gezogen, USB-Adapter "
                 "getrennt). Solange sie fehlt, startet und stoppt nur F4 die Uhr. Sobald der "
                 "Anschluss wieder da ist, wird er von selbst geöffnet.",
                 false};
        cues_.PlayCue(LineLostCue);
    }
    UpdatePriority();
}

void BarrierLine::CheckPriority() {
    if (!port_.CheckPriority()) {
        return;
    }
    priorityRegained_ = port_.Priority() != WatcherPriority::Normal;
    UpdatePriority();
    Changed();
}

void BarrierLine::UpdatePriority() {
    const char* const fix =
        " Ohne Echtzeitpriorität können sich bei voll ausgelastetem Rechner einzelne Zeiten um "
        "Millisekunden verschieben. Siehe README, Abschnitt \"Real-time priority\".";
    if (priorityRegained_ && port_.Priority() != WatcherPriority::Normal) {
        priority_ = {"Echtzeitpriorität war entzogen, wieder erhalten",
                     "RealtimeKit hatte der Lichtschranke die Echtzeitpriorität entzogen "
                     "(sein Wächter greift, wenn der Rechner lange voll ausgelastet ist). "
                     "Sie wurde neu angefragt und wieder gewährt.",
                     true};
        return;
    }
    priorityRegained_ = false;
    switch (port_.Connected() ? port_.Shortfall() : PriorityShortfall::None) {
        case PriorityShortfall::None:
            priority_ = {};
            break;
        case PriorityShortfall::NotAsked:
            priority_ = {"Lichtschranke ohne Echtzeitpriorität",
                         std::string("Das Programm darf keine Echtzeitpriorität setzen und "
                                     "hat RealtimeKit nicht gefragt.") +
                             fix,
                         false};
            break;
        case PriorityShortfall::NoService:
            priority_ = {"Ohne Echtzeitpriorität: RealtimeKit fehlt",
                         std::string("Der Dienst RealtimeKit (Paket rtkit) ist nicht "
                                     "erreichbar. Abhilfe: sudo apt install rtkit, dann "
                                     "das Programm neu starten.") +
                             fix,
                         false};
            break;
        case PriorityShortfall::Refused:
            priority_ = {"Ohne Echtzeitpriorität: RealtimeKit lehnt ab",
                         std::string("RealtimeKit hat die Echtzeitpriorität verweigert, "
                                     "meist weil das Programm nicht aus der angemeldeten "
                                     "Sitzung am Bildschirm gestartet wurde (ssh, cron). "
                                     "Abhilfe: am Bildschirm anmelden und von dort "
                                     "starten.") +
                             fix,
                         false};
            break;
        case PriorityShortfall::Demoted:
            priority_ = {"Echtzeitpriorität entzogen",
                         std::string("RealtimeKit hat der Lichtschranke die "
                                     "Echtzeitpriorität entzogen (sein Wächter greift, "
                                     "wenn der Rechner lange voll ausgelastet ist, oder "
                                     "nach rtkitctl --reset-known) und auf erneute Anfrage "
                                     "nicht wieder gewährt. Abhilfe: andere Programme "
                                     "beenden, den Anschluss neu wählen.") +
                             fix,
                         false};
            break;
    }
}
