#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QStandardPaths>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include <filesystem>

#include "core/Office.h"
#include "core/Show.h"
#include "files/ChangeLog.h"
#include "files/ClassRulesReader.h"
#include "files/Export.h"
#include "files/PayoutReport.h"
#include "files/ProtocolFile.h"
#include "files/Report.h"
#include "files/ShippedFiles.h"
#include "files/ShowFile.h"
#include "office/CashoutReport.h"
#include "results/Jackpot.h"
#include "results/ResultTable.h"
#include "results/Standing.h"
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
    "      --class NAME EINGABE ist eine Turnierdatei (*.json): die Klasse NAME mit ihrer Datei\n"
    "                   und ihren Einstellungen\n"
    "      --payout     schreibt die Auszahlung der Klasse (mit --class; .html, .pdf oder .xlsx)\n"
    "      --startlist  schreibt die Startliste in Startreihenfolge (.html, .pdf oder .xlsx);\n"
    "                   mit --class und den Bahnpflegen der Klasse\n"
    "      --divisions  schreibt die Ergebnisliste je Division (mit --class; .html, .pdf oder\n"
    "                   .xlsx); eine Klasse ohne Divisionen als ganze Ergebnisliste\n"
    "      --start-order  die Ergebnisliste in Startfolge statt nach Rang (der Kopf sagt es)\n"
    "      --teams      schreibt die Teamwertung der Klasse (mit --class und \"team\" in der\n"
    "                   Turnierdatei; .html, .pdf oder .xlsx)\n"
    "  corralix --export AUSGABE --cashout TURNIER.json [--register DATEI]\n"
    "      schreibt die Kasse des Turniers (.html, .pdf oder .xlsx): je Reiter die Klassen mit\n"
    "      Gebühr und Gewinn, was zu zahlen oder auszuzahlen ist, und ob bezahlt ist\n"
    "  corralix --export AUSGABE.csv --association TURNIER.json [--register DATEI]\n"
    "      schreibt je Lauf eine Zeile für den Verband: Mitglied, Reiter, Pferd, Klasse, Zeit,\n"
    "      Platz, Division, Geld. Die Mitgliedsnummern kommen aus dem Reiterregister\n"
    "      (sonst dem im Datenordner des Programms)\n"
    "  corralix TURNIER.json\n"
    "      öffnet das Turnier (Turnierdatei) bei der zuletzt offenen Klasse\n"
    "  corralix --draw TURNIER.json --class KLASSE [--seed ZAHL]\n"
    "      lost die Startreihenfolge der Klasse aus (wer schon gelaufen ist, bleibt vorn),\n"
    "      schreibt sie in die Klassendatei und den Startwert in die Turnierdatei\n"
    "  corralix --help\n"
    "      zeigt diese Hilfe\n";

struct ExportRequest {
    std::vector<std::string> outputs;
    std::string input;
    std::string race{StartList::Races[0]};
    std::string className;
    bool payout = false;
    bool startList = false;
    bool divisions = false;
    bool startOrder = false;
    bool teams = false;
    bool draw = false;
    std::optional<std::uint64_t> seed;
    bool cashout = false;
    bool association = false;
    std::string registerFile;
};

// The table, heading and rules an export reads: a protocol or start list alone, or a class of a
// show.
struct ExportSource {
    std::string file;
    ReportHead head;
    ClassRules rules;
    int dragEvery = 0;
    bool takesResults = false;  // a carried class or an average: made from other classes
};

// The source named by the request; empty after telling why.
std::optional<ExportSource> FindSource(const ExportRequest& request, const std::string& today) {
    ExportSource source{request.input, ReportHead{{}, today, {}, {}, request.race}, {}};
    if (request.className.empty()) {
        if (request.payout || request.divisions || request.teams) {
            std::cerr << "corralix: "
                      << (request.payout  ? "--payout"
                          : request.teams ? "--teams"
                                          : "--divisions")
                      << " braucht eine Turnierdatei und --class NAME\n";
            return std::nullopt;
        }
        return source;
    }
    std::string error;
    const std::optional<ShowData> show = ReadShowFile(request.input, error);
    if (!show) {
        std::cerr << "corralix: " << error << '\n';
        return std::nullopt;
    }
    const int index = FindShowClass(*show, request.className);
    if (index < 0) {
        std::cerr << "corralix: Die Klasse \"" << request.className << "\" gibt es in "
                  << request.input << " nicht\n";
        return std::nullopt;
    }
    const ShowClass& showClass = show->Classes[static_cast<std::size_t>(index)];
    const ClassRulesReading rules = ReadShowClassRules(showClass);
    if (!rules.Ok()) {
        std::cerr << "corralix: " << request.input << ", Klasse " << showClass.Name << ": "
                  << rules.Error << '\n';
        return std::nullopt;
    }
    if (request.payout && !rules.Rules.HasPayout) {
        std::cerr << "corralix: Die Klasse " << showClass.Name
                  << " hat keine Auszahlung (payout)\n";
        return std::nullopt;
    }
    if (request.teams && rules.Rules.TeamBest == 0) {
        std::cerr << "corralix: Die Klasse " << showClass.Name
                  << " hat keine Teamwertung (\"team\": {\"best\": N} in der Turnierdatei)\n";
        return std::nullopt;
    }
    source.file = (std::filesystem::path(request.input).parent_path() / showClass.File).string();
    source.head = ReportHead{show->Head.Name, show->Head.Date.empty() ? today : show->Head.Date,
                             show->Head.Place, showClass.Name,
                             showClass.Race.empty() ? request.race : showClass.Race};
    source.rules = rules.Rules;
    source.dragEvery = showClass.Draw.DragEvery;
    source.takesResults = TakesResults(showClass);
    return source;
}

// The table of a class that takes its results from others, made from their files as they are.
std::string ReadTakenTable(const ExportRequest& request, ResultTable& table) {
    std::string error;
    const std::optional<Show> show = Show::Open(request.input, error);
    if (!show) {
        return error;
    }
    const auto tableOf = [&](int index, ResultTable& read) {
        return ReadClassTable(*show, index, read, SystemDecimalSeparator());
    };
    DerivedTable made;
    error = MakeTakenTable(*show, FindShowClass(show->Data(), request.className), tableOf,
                           SystemDecimalSeparator(), made);
    if (error.empty()) {
        table = std::move(made.Table);
    }
    return error;
}

// Draws the class and writes the order: change log first, then the class file, then the seed.
int RunDraw(const ExportRequest& request) {
    std::string error;
    std::optional<Show> show = Show::Open(request.input, error);
    const int index = show ? FindShowClass(show->Data(), request.className) : -1;
    if (!show || index < 0) {
        std::cerr << "corralix: "
                  << (show ? "Die Klasse \"" + request.className + "\" gibt es in " +
                                 request.input + " nicht"
                           : error)
                  << '\n';
        return ExitFailed;
    }
    ResultTable table;
    error = ReadClassTable(*show, index, table, SystemDecimalSeparator());
    if (!error.empty() || table.RowCount() < 2 || TrimText(table.Cell(ColNr, 1)).empty()) {
        std::cerr << "corralix: Die Klasse \"" << request.className << "\" hat keine Starter"
                  << (error.empty() ? "" : ": " + error) << '\n';
        return ExitFailed;
    }
    const ResultTable before = table;
    const ClassDraw drawn = DrawClass(table, show->Data().Classes.at(index), request.seed);
    const std::string log =
        ChangeLogText(LocalWallTime().Text, "Auslosung", drawn.Text, TableChanges(before, table));
    if (const FileWriteResult logged = AppendChangeLog(show->LogFile(index), log); !logged.Ok()) {
        std::cerr << "corralix: " << show->LogFile(index) << ": " << logged.Error << '\n';
        return ExitFailed;
    }
    if (const FileWriteResult written =
            ReplaceFileBytes(show->ClassFile(index), EncodeBackup(table));
        !written.Ok()) {
        std::cerr << "corralix: " << show->ClassFile(index) << ": " << written.Error << '\n';
        return ExitFailed;
    }
    if (const FileWriteResult saved = show->Save(); !saved.Ok()) {
        std::cerr << "corralix: " << request.input << ": " << saved.Error << '\n';
        return ExitFailed;
    }
    std::cout << drawn.Text << '\n';
    return 0;
}

// The request, or nothing when the arguments do not form one (the message is shown).
std::optional<ExportRequest> ParseExport(const std::vector<std::string_view>& args) {
    ExportRequest request;
    std::vector<std::string_view> inputs;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const bool option = args[i] == "--export" || args[i] == "--race" || args[i] == "--class" ||
                            args[i] == "--draw" || args[i] == "--seed" || args[i] == "--register";
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
        } else if (args[i] == "--payout") {
            request.payout = true;
        } else if (args[i] == "--startlist") {
            request.startList = true;
        } else if (args[i] == "--divisions") {
            request.divisions = true;
        } else if (args[i] == "--cashout") {
            request.cashout = true;
        } else if (args[i] == "--association") {
            request.association = true;
        } else if (args[i] == "--register") {
            request.registerFile = args[++i];
        } else if (args[i] == "--start-order") {
            request.startOrder = true;
        } else if (args[i] == "--teams") {
            request.teams = true;
        } else if (args[i] == "--draw") {
            request.draw = true;
            inputs.push_back(args[++i]);
        } else if (args[i] == "--seed") {
            const std::string text(args[++i]);
            char* end = nullptr;
            errno = 0;
            const unsigned long long seed = std::strtoull(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || errno != 0 || text[0] == '-' ||
                seed > static_cast<unsigned long long>(INT64_MAX)) {
                std::cerr << "corralix: --seed braucht eine ganze Zahl ab 0\n";
                return std::nullopt;
            }
            request.seed = seed;
        } else {
            inputs.push_back(args[i]);
        }
    }
    if (request.draw) {
        if (inputs.size() != 1 || request.className.empty() || !request.outputs.empty()) {
            std::cerr << "corralix: --draw braucht genau eine TURNIERDATEI und --class KLASSE\n";
            return std::nullopt;
        }
        request.input = inputs.front();
        return request;
    }
    if (inputs.size() != 1 || request.outputs.empty()) {
        std::cerr << "corralix: --export braucht AUSGABE und genau eine EINGABE\n\n" << Usage;
        return std::nullopt;
    }
    request.input = inputs.front();
    return request;
}

// The show office's lists of a whole show: the cash-out (a list) or the association's CSV, made
// from every class's file as it is, the paid marks in the show folder and the register's member
// numbers.
int RunOfficeExport(const ExportRequest& request) {
    std::string error;
    const std::optional<Show> show = Show::Open(request.input, error);
    if (!show) {
        std::cerr << "corralix: " << error << '\n';
        return ExitFailed;
    }
    for (const std::string& output : request.outputs) {
        std::vector<std::string> inputs{request.input, PaidBookFile(*show)};
        for (int index = 0; index < show->ClassCount(); ++index) {
            inputs.push_back(show->ClassFile(index));
        }
        for (const std::string& input : inputs) {
            if (error = CheckExportTarget(input, output); !error.empty()) {
                std::cerr << "corralix: " << error << '\n';
                return ExitFailed;
            }
        }
        if (request.association &&
            !std::filesystem::path(output).extension().string().ends_with(".csv")) {
            std::cerr << "corralix: --association schreibt eine CSV-Datei (.csv): " << output
                      << '\n';
            return ExitFailed;
        }
    }
    const auto tableOf = [&](int index, ResultTable& table) {
        return ReadClassTable(*show, index, table, SystemDecimalSeparator());
    };
    std::vector<ClassStanding> standings;
    if (error = ShowStandings(*show, tableOf, SystemDecimalSeparator(), standings);
        !error.empty()) {
        std::cerr << "corralix: " << error << '\n';
        return ExitFailed;
    }
    Office office;
    // Without a register yet the riders are known by their names; one is never made here.
    const std::string registerFile =
        !request.registerFile.empty()
            ? request.registerFile
            : RegisterFile(ChooseDataFolder(
                  QCoreApplication::applicationDirPath().toStdString(),
                  QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString()));
    if (std::filesystem::exists(registerFile) || !request.registerFile.empty()) {
        if (error = office.OpenRegister(registerFile, true); !error.empty()) {
            std::cerr << "corralix: " << error << '\n';
            return ExitFailed;
        }
    }
    if (error = office.OpenShow(*show); !error.empty()) {
        std::cerr << "corralix: " << error << '\n';
        return ExitFailed;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const ShowHead& head = show->Data().Head;
    const Report report = CashoutReport(
        MakeCashout(standings, show->Data().Office, office.Members(), office.Book()),
        {head.Name,
         head.Date.empty() ? now.toString(QStringLiteral("yyyy-MM-dd")).toStdString() : head.Date,
         head.Place,
         {},
         {}},
        now.toString(QStringLiteral("dd.MM.yyyy HH:mm")).toStdString());
    for (const std::string& output : request.outputs) {
        if (request.association) {
            if (const FileWriteResult written =
                    ReplaceFileBytes(output, AssociationCsv(standings, office.Members()));
                !written.Ok()) {
                error = "Der Schreibfehler der Datei: " + output + "\n" + written.Error;
            }
        } else {
            error = ExportReport(report, output, WritePdfReport);
        }
        if (!error.empty()) {
            std::cerr << "corralix: " << error << '\n';
            return ExitFailed;
        }
        std::cout << output << '\n';
    }
    return 0;
}

int RunExport(const ExportRequest& request, int argc, char* argv[]) {
    // The printed form lays out text with fonts, which needs a GUI application but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (request.cashout || request.association) {
        QGuiApplication::setOrganizationName(QStringLiteral("Brindlewerk"));
        return RunOfficeExport(request);
    }
    const QDateTime now = QDateTime::currentDateTime();
    const std::optional<ExportSource> source =
        FindSource(request, now.toString(QStringLiteral("yyyy-MM-dd")).toStdString());
    if (!source) {
        return ExitFailed;
    }
    // Neither the show file nor the class's file may be written over.
    for (const std::string& output : request.outputs) {
        for (const std::string& input : {request.input, source->file}) {
            if (std::string error = CheckExportTarget(input, output); !error.empty()) {
                std::cerr << "corralix: " << error << '\n';
                return ExitFailed;
            }
        }
    }
    ResultTable table;
    if (std::string error = source->takesResults
                                ? ReadTakenTable(request, table)
                                : ReadTableForExport(source->file, table, SystemDecimalSeparator(),
                                                     ResolutionOf(source->rules));
        !error.empty()) {
        std::cerr << "corralix: " << error << '\n';
        return ExitFailed;
    }
    const std::string printedAt = now.toString(QStringLiteral("dd.MM.yyyy HH:mm")).toStdString();
    StandingContext context;
    context.DragEvery = source->dragEvery;
    context.SystemSeparator = SystemDecimalSeparator();
    const Standing standing = MakeStanding(table, source->rules, context);
    const Report report =
        request.payout      ? PayoutReport(standing, source->head, printedAt)
        : request.startList ? StartListReport(table, standing, source->head, printedAt)
        : request.teams     ? TeamReport(table, standing, source->head, printedAt)
        : request.divisions
            ? DivisionResultReport(table, standing, source->head, printedAt)
            : ResultReport(table, standing, source->head, printedAt,
                           request.startOrder ? ReportOrder::StartOrder : ReportOrder::Ranked);
    for (const std::string& output : request.outputs) {
        if (std::string error =
                request.payout || request.startList || request.divisions || request.teams
                    ? ExportReport(report, output, WritePdfReport)
                    : ExportTable(table, standing, report, output, WritePdfReport);
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
        exporting = exporting || arg == "--export" || arg == "--race" || arg == "--class" ||
                    arg == "--payout" || arg == "--startlist" || arg == "--divisions" ||
                    arg == "--start-order" || arg == "--teams" || arg == "--draw" ||
                    arg == "--cashout" || arg == "--association" || arg == "--register";
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
