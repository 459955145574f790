#include "app/CommandLine.h"

#include <QDateTime>
#include <QGuiApplication>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Show.h"
#include "files/ChangeLog.h"
#include "files/Export.h"
#include "files/ProtocolFile.h"
#include "files/Report.h"
#include "results/ResultTable.h"
#include "results/StartList.h"
#include "ui/QtHost.h"
#include "ui/ReportPrinter.h"

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

constexpr std::string_view Usage =
    "Aufruf:\n"
    "  corralix [DATEI]\n"
    "      startet das Programm und lädt DATEI (Starterliste oder Protokoll, *.txt)\n"
    "  corralix [--race NAME] --export AUSGABE [--export AUSGABE ...] EINGABE\n"
    "      liest EINGABE (Starterliste oder Protokoll) und schreibt die Ergebnisliste ohne\n"
    "      Fenster: AUSGABE.html als Webseite, AUSGABE.pdf als Druckbild. Je geschriebene Datei\n"
    "      eine Zeile auf der Standardausgabe; bei einem Fehler eine Meldung und Rückgabewert 1.\n"
    "      --race NAME  Überschrift (Disziplin), sonst \"Barrel Racing\"\n"
    "  corralix TURNIER.json\n"
    "      öffnet das Turnier (Turnierdatei) bei der zuletzt offenen Klasse\n"
    "  corralix --export AUSGABE [--export AUSGABE ...] TURNIER.json --class KLASSE\n"
    "      schreibt die Ergebnisliste einer Klasse des Turniers, wie oben\n"
    "  corralix --draw TURNIER.json --class KLASSE [--seed ZAHL]\n"
    "      lost die Startreihenfolge der Klasse aus (wer schon gelaufen ist, bleibt vorn),\n"
    "      schreibt sie in die Klassendatei und den Startwert in die Turnierdatei\n"
    "  corralix --help\n"
    "      zeigt diese Hilfe\n";

struct ExportRequest {
    std::vector<std::string> outputs;
    std::string input;
    std::string race;
    std::string className;  // a class of the show file given as input
    std::optional<std::uint64_t> seed;
    bool draw = false;
};

bool IsShowFile(const std::string& path) {
    return path.size() > 5 && AsciiLower(path.substr(path.size() - 5)) == ".json";
}

// The show and the index of the requested class, or nothing (the message is shown).
std::optional<std::pair<Show, int>> OpenShowClass(const ExportRequest& request) {
    std::string error;
    std::optional<Show> show = Show::Open(request.input, error);
    if (!show) {
        std::cerr << "corralix: " << error << '\n';
        return std::nullopt;
    }
    const int index = FindShowClass(show->Data(), request.className);
    if (index < 0) {
        std::cerr << "corralix: Klasse \"" << request.className << "\" steht nicht in "
                  << request.input << '\n';
        return std::nullopt;
    }
    return std::make_pair(std::move(*show), index);
}

// Draws the class and writes the order: change log first, then the class file, then the seed.
int RunDraw(const ExportRequest& request) {
    auto opened = OpenShowClass(request);
    if (!opened) {
        return ExitFailed;
    }
    auto& [show, index] = *opened;
    ResultTable table;
    if (std::string error = ReadClassTable(show, index, table, SystemDecimalSeparator());
        !error.empty() || table.RowCount() < 2 || TrimText(table.Cell(ColNr, 1)).empty()) {
        std::cerr << "corralix: Klasse \"" << request.className << "\" hat keine Starter"
                  << (error.empty() ? "" : ": " + error) << '\n';
        return ExitFailed;
    }
    const ResultTable before = table;
    const ClassDraw report = DrawClass(table, show.Data().Classes.at(index), request.seed);
    const std::string log =
        ChangeLogText(LocalWallTime().Text, "Auslosung", report.Text, TableChanges(before, table));
    if (const FileWriteResult logged = AppendChangeLog(show.LogFile(index), log); !logged.Ok()) {
        std::cerr << "corralix: " << show.LogFile(index) << ": " << logged.Error << '\n';
        return ExitFailed;
    }
    if (const FileWriteResult written =
            ReplaceFileBytes(show.ClassFile(index), EncodeBackup(table));
        !written.Ok()) {
        std::cerr << "corralix: " << show.ClassFile(index) << ": " << written.Error << '\n';
        return ExitFailed;
    }
    if (const FileWriteResult saved = show.Save(); !saved.Ok()) {
        std::cerr << "corralix: " << request.input << ": " << saved.Error << '\n';
        return ExitFailed;
    }
    std::cout << report.Text << '\n';
    return 0;
}

// The request, or nothing when the arguments do not form one (the message is shown).
std::optional<ExportRequest> ParseExport(const std::vector<std::string_view>& args) {
    ExportRequest request;
    std::vector<std::string_view> inputs;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const bool option = args[i] == "--export" || args[i] == "--race" || args[i] == "--class" ||
                            args[i] == "--seed" || args[i] == "--draw";
        if (option && i + 1 == args.size()) {
            std::cerr << "corralix: " << args[i] << " braucht einen Wert\n";
            return std::nullopt;
        }
        if (args[i] == "--export") {
            request.outputs.emplace_back(args[++i]);
        } else if (args[i] == "--race") {
            request.race = args[++i];
        } else if (args[i] == "--class") {
            request.className = args[++i];
        } else if (args[i] == "--draw") {
            request.draw = true;
            inputs.push_back(args[++i]);
        } else if (args[i] == "--seed") {
            const std::string text(args[++i]);
            char* end = nullptr;
            errno = 0;
            const unsigned long long seed = std::strtoull(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || errno != 0 || text[0] == '-') {
                std::cerr << "corralix: --seed braucht eine ganze Zahl ab 0\n";
                return std::nullopt;
            }
            request.seed = seed;
        } else {
            inputs.push_back(args[i]);
        }
    }
    if (inputs.size() != 1 || (request.outputs.empty() == !request.draw)) {
        std::cerr << "corralix: --export braucht AUSGABE und genau eine EINGABE, --draw genau "
                     "eine TURNIERDATEI\n\n"
                  << Usage;
        return std::nullopt;
    }
    request.input = inputs.front();
    if ((IsShowFile(request.input) || request.draw) && request.className.empty()) {
        std::cerr << "corralix: bei einer Turnierdatei braucht es --class KLASSE\n";
        return std::nullopt;
    }
    return request;
}

int RunExport(const ExportRequest& request, int argc, char* argv[]) {
    // The printed form lays out text with fonts, which needs a GUI application but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    ResultTable table;
    std::string race = request.race;
    std::string error;
    const QDateTime now = QDateTime::currentDateTime();
    ReportHead head{{}, now.toString(QStringLiteral("yyyy-MM-dd")).toStdString(), {}, {}, {}};
    if (IsShowFile(request.input)) {
        auto opened = OpenShowClass(request);
        if (!opened) {
            return ExitFailed;
        }
        const auto& [show, index] = *opened;
        error = ReadClassTable(show, index, table, SystemDecimalSeparator());
        race = race.empty() ? show.Data().Classes.at(index).Race : race;
        const ShowHead& day = show.Data().Head;
        head = {day.Name,
                day.Date.empty() ? head.date : day.Date,
                day.Place,
                show.Data().Classes.at(index).Name,
                {}};
    } else {
        error = ReadTableForExport(request.input, table, SystemDecimalSeparator());
    }
    race = race.empty() ? std::string(StartList::Races[0]) : race;
    if (!error.empty()) {
        std::cerr << "corralix: " << error << '\n';
        return ExitFailed;
    }
    head.race = race;
    const Report report =
        ResultReport(table, head, now.toString(QStringLiteral("dd.MM.yyyy HH:mm")).toStdString());
    for (const std::string& output : request.outputs) {
        if (std::string error = ExportTable(table, report, output, WritePdfReport);
            !error.empty()) {
            std::cerr << "corralix: " << error << '\n';
            return ExitFailed;
        }
        std::cout << output << '\n';
    }
    return 0;
}

}  // namespace

std::optional<int> RunCommandLine(int argc, char* argv[]) {
    const std::vector<std::string_view> args(argv, argv + argc);
    if (args.size() > 1 && (args[1] == "--help" || args[1] == "-h")) {
        std::cout << Usage;
        return 0;
    }
    bool exporting = false;
    for (const std::string_view arg : args) {
        exporting = exporting || arg == "--export" || arg == "--race" || arg == "--draw" ||
                    arg == "--class";
    }
    if (!exporting) {
        return std::nullopt;
    }
    const std::optional<ExportRequest> request = ParseExport(args);
    if (!request) {
        return ExitUsage;
    }
    return request->draw ? RunDraw(*request) : RunExport(*request, argc, argv);
}
