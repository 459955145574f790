#include "app/CommandLine.h"

#include <QDateTime>
#include <QGuiApplication>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "files/Export.h"
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
    "  corralix --help\n"
    "      zeigt diese Hilfe\n";

struct ExportRequest {
    std::vector<std::string> outputs;
    std::string input;
    std::string race{StartList::Races[0]};
};

// The request, or nothing when the arguments do not form one (the message is shown).
std::optional<ExportRequest> ParseExport(const std::vector<std::string_view>& args) {
    ExportRequest request;
    std::vector<std::string_view> inputs;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const bool option = args[i] == "--export" || args[i] == "--race";
        if (option && i + 1 == args.size()) {
            std::cerr << "corralix: " << args[i] << " braucht einen Wert\n";
            return std::nullopt;
        }
        if (args[i] == "--export") {
            request.outputs.emplace_back(args[++i]);
        } else if (args[i] == "--race") {
            request.race = args[++i];
        } else {
            inputs.push_back(args[i]);
        }
    }
    if (inputs.size() != 1 || request.outputs.empty()) {
        std::cerr << "corralix: --export braucht AUSGABE und genau eine EINGABE\n\n" << Usage;
        return std::nullopt;
    }
    request.input = inputs.front();
    return request;
}

int RunExport(const ExportRequest& request, int argc, char* argv[]) {
    // The printed form lays out text with fonts, which needs a GUI application but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    for (const std::string& output : request.outputs) {
        if (std::string error = CheckExportTarget(request.input, output); !error.empty()) {
            std::cerr << "corralix: " << error << '\n';
            return ExitFailed;
        }
    }
    ResultTable table;
    if (std::string error = ReadTableForExport(request.input, table, SystemDecimalSeparator());
        !error.empty()) {
        std::cerr << "corralix: " << error << '\n';
        return ExitFailed;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const Report report = ResultReport(
        table,
        ReportHead{
            {}, now.toString(QStringLiteral("yyyy-MM-dd")).toStdString(), {}, {}, request.race},
        now.toString(QStringLiteral("dd.MM.yyyy HH:mm")).toStdString());
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
        exporting = exporting || arg == "--export" || arg == "--race";
    }
    if (!exporting) {
        return std::nullopt;
    }
    const std::optional<ExportRequest> request = ParseExport(args);
    return request ? RunExport(*request, argc, argv) : ExitUsage;
}
