// The document part of the competition: loading and saving the table, printing, the reports and
// workbooks, and the snapshot the publishers get.
#include <chrono>
#include <ctime>
#include <filesystem>

#include "core/Competition.h"
#include "files/Export.h"
#include "files/FileKind.h"
#include "files/HtmlReport.h"
#include "files/Loading.h"
#include "files/PayoutReport.h"
#include "files/ProtocolFile.h"
#include "files/Workbook.h"

namespace {

constexpr const char* TextFilter = "Textdatei (*.txt)";
constexpr const char* HtmlFilter = "Webseite (*.html)";
constexpr const char* WorkbookFilter = "Arbeitsmappe (*.xlsx *.xls)";
// A start list of the whole show may also come as CSV from the show office.
constexpr const char* ShowListFilter = "Startliste des Turniers (*.txt *.csv *.xlsx *.xls)";
// The workbook Ctrl+E writes and hands to the spreadsheet program.
constexpr const char* ResultWorkbookTitle = "Ergebnisliste.xlsx";

// The busy cursor for as long as one piece of work takes.
class BusyWhile {
public:
    explicit BusyWhile(IOperator& op) : op_(op) { op_.ShowBusy(true); }
    ~BusyWhile() { op_.ShowBusy(false); }
    BusyWhile(const BusyWhile&) = delete;
    BusyWhile& operator=(const BusyWhile&) = delete;

private:
    IOperator& op_;
};

std::string FolderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

// The wall clock's local time in the format of strftime.
std::string LocalTimeText(const char* format) {
    const std::time_t seconds =
        std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, format, &local));
}

}  // namespace

void Competition::RegisterDocumentCommands() {
    const auto always = [] { return true; };
    Serve(Command::Save, always, [this] { SaveAs(); });
    Serve(Command::Load, always, [this] { Load(); });
    Serve(Command::Print, always, [this] {
        if (WriteReport(printReport_)) {
            const std::string error = env_.Desktop.PrintReport(CurrentResultReport());
            if (!error.empty()) {
                env_.Operator.ShowError(error);
            }
        }
    });
    Serve(Command::PrintStartList, always, [this] {
        if (const std::string error = env_.Desktop.PrintReport(CurrentStartListReport());
            !error.empty()) {
            env_.Operator.ShowError(error);
        }
    });
    Serve(Command::PrintDivisions, always, [this] {
        // Without divisions the key says so rather than print the whole list unasked.
        if (!classRules_.HasDivisions()) {
            keyNote_ = "Die Klasse hat keine Divisionen.";
        } else if (const std::string error =
                       env_.Desktop.PrintReport(CurrentDivisionResultReport());
                   !error.empty()) {
            env_.Operator.ShowError(error);
        }
    });
    Serve(Command::Excel, always, [this] { WriteResultWorkbook(); });
    Serve(Command::Html, always, [this] {
        const std::string page = ClassDocument("Ergebnisliste.html", webPageReport_);
        if (WriteReport(page)) {
            OpenDocument(page);
        }
    });
    // Only a class that pays has a payout sheet.
    Serve(
        Command::Payout, [this] { return classRules_.HasPayout; }, [this] { OpenPayoutSheet(); });
}

std::string Competition::ClassDocument(const std::string& title, const std::string& single) const {
    if (!show_) {
        return single;
    }
    // In a show every class has its own: beside its class file, named after it.
    const std::filesystem::path file = show_->ClassFile(show_->OpenIndex());
    return (file.parent_path() / (file.stem().string() + "-" + title)).string();
}

void Competition::WriteResultWorkbook() {
    // A working copy for the spreadsheet program: it saves nothing the operator chose, so the
    // modified flag stays.
    const std::string path =
        ClassDocument(ResultWorkbookTitle, env_.DataFolder + "/" + ResultWorkbookTitle);
    const FileWriteResult result = WriteWorkbookFile(journal_.Table(), CurrentStanding(), path);
    if (!result.Ok()) {
        env_.Operator.ShowError("Speichern fehlgeschlagen: " + path + ": " + result.Error);
    } else {
        OpenDocument(path);
    }
}

void Competition::OpenPrintReport() {
    env_.Operator.CommitEdits();
    if (WriteReport(printReport_)) {
        OpenDocument(printReport_);
    }
    Notify(Change::All);
}

bool Competition::WriteReport(const std::string& path) {
    const std::string error = [&] {
        const BusyWhile busy(env_.Operator);
        return WriteHtmlReport(CurrentResultReport(), path);
    }();
    if (!error.empty()) {
        env_.Operator.ShowError(error);
    }
    return error.empty();
}

ReportHead Competition::CurrentReportHead() const {
    // Without a show (or a show without a date) the file's day is the day it is printed.
    const ShowHead show = CurrentShowHead();
    return ReportHead{show.Name, show.Date.empty() ? LocalTimeText("%Y-%m-%d") : show.Date,
                      show.Place, CurrentClassName(), std::string(startList_.RaceText())};
}

namespace {

// The printed list's QR code leads a phone to the class's own list on the phone page (in a
// show, the class stays chosen when the arena moves on); none while the live results are off.
Report WithPageLink(Report report, const std::string& pageAddress, int showClass) {
    if (!pageAddress.empty()) {
        report.link = pageAddress +
                      (showClass >= 0 ? "#klasse=" + std::to_string(showClass + 1) : std::string());
    }
    return report;
}

}  // namespace

Report Competition::CurrentResultReport() const {
    return WithPageLink(ResultReport(journal_.Table(), CurrentStanding(), CurrentReportHead(),
                                     LocalTimeText("%d.%m.%Y %H:%M")),
                        publication_.LivePageAddress(), show_ ? show_->OpenIndex() : -1);
}

Report Competition::CurrentDivisionResultReport() const {
    return WithPageLink(DivisionResultReport(journal_.Table(), CurrentStanding(),
                                             CurrentReportHead(), LocalTimeText("%d.%m.%Y %H:%M")),
                        publication_.LivePageAddress(), show_ ? show_->OpenIndex() : -1);
}

Report Competition::CurrentPayoutReport() const {
    return PayoutReport(CurrentStanding(), CurrentReportHead(), LocalTimeText("%d.%m.%Y %H:%M"));
}

Report Competition::CurrentStartListReport() const {
    return WithPageLink(StartListReport(journal_.Table(), CurrentStanding(), CurrentReportHead(),
                                        LocalTimeText("%d.%m.%Y %H:%M")),
                        publication_.LivePageAddress(), show_ ? show_->OpenIndex() : -1);
}

void Competition::OpenPayoutSheet() {
    // Offered as a PDF to print and post, as a page or as a workbook for the office; proposed
    // beside the other reports as "<name>-auszahlung.pdf".
    const std::string proposal = ClassDocument(
        "auszahlung.pdf",
        (std::filesystem::path(env_.DataFolder) / (env_.ProgramName + "-auszahlung.pdf")).string());
    const std::optional<std::string> path = env_.Operator.ChooseFileToSave(
        proposal, {"PDF-Dokument (*.pdf)", HtmlFilter, "Arbeitsmappe (*.xlsx)"});
    if (!path) {
        return;
    }
    const PdfWriter pdf = [this](const Report& report, const std::string& file) {
        return env_.Desktop.WritePdf(report, file);
    };
    if (const std::string error = ExportReport(CurrentPayoutReport(), *path, pdf); !error.empty()) {
        env_.Operator.ShowError(error);
        return;
    }
    OpenDocument(*path);
}

void Competition::OpenDocument(const std::string& path) {
    if (!env_.Desktop.OpenDocument(path)) {
        const bool workbook = SaveKind(path) == FileKind::Spreadsheet;
        env_.Operator.ShowError(std::string("Kein Programm zum Öffnen gefunden (ist ") +
                                (workbook ? "eine Tabellenkalkulation" : "ein Browser") +
                                " installiert?): " + path);
    }
}

LiveSnapshot Competition::MakePublishedSnapshot() const {
    LiveSnapshot snapshot = MakeLiveSnapshot(
        CurrentStanding(),
        {std::string(startList_.RaceText()), startList_.StNrText(), startList_.Reiterin(),
         startList_.Pferd(), clock_->IsActive() && !engine_->View().CountdownActive},
        journal_.Table().ColVisible(ColTeam));
    snapshot.announcer = Announcer();
    snapshot.penaltySeconds = snapshot.announcer.penaltySeconds = engine_->View().PenaltySeconds;
    snapshot.classes =
        publication_.Classes(show_ ? &*show_ : nullptr, env_.DecimalSeparator, settings_.Arena);
    return snapshot;
}

bool Competition::MayReplaceTable() {
    if (RunPending()) {
        env_.Operator.ShowError(
            "Laden ist gesperrt, solange ein Lauf auf der Uhr ist oder auf seinen Eintrag "
            "wartet: erst eintragen (F10) oder abbrechen (F8).");
        return false;
    }
    const ResultTable& table = journal_.Table();
    bool results = false;
    for (int row = 1; row < table.RowCount() && !results; ++row) {
        results = !TrimText(table.Cell(ColTotal, row)).empty() ||
                  !TrimText(table.Cell(ColLaufzeit, row)).empty();
    }
    return !results || EncodeBackup(table) == savedTable_ ||
           env_.Operator.Ask(
               "Die Ergebnisse in der Tabelle sind in keiner gespeicherten Datei. Trotzdem laden "
               "und ersetzen?");
}

void Competition::NoteTableSaved() {
    savedTable_ = EncodeBackup(journal_.Table());
}

void Competition::LoadFile(const std::string& path) {
    env_.Operator.CommitEdits();
    if (LoadShowList(path)) {
        Notify(Change::All);
        return;
    }
    if (MayReplaceTable()) {
        LoadChosen(path);
    }
    Notify(Change::All);
}

void Competition::LoadChosen(const std::string& path) {
    const LoadedTable loaded = [&] {
        const BusyWhile busy(env_.Operator);
        return ReadChosenFile(path, journal_.Table(), env_.DecimalSeparator);
    }();
    if (!loaded.Error.empty()) {
        env_.Operator.ShowError(loaded.Error);
        return;
    }
    ReplaceTable("Geladen", loaded.Table, path);
    NoteTableSaved();
    inOrderLine_ = -1;
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    settings_.LastFileName = absolute.empty() ? path : absolute.lexically_normal().string();
    SaveSettings();
}

void Competition::Load() {
    if (RunPending()) {
        MayReplaceTable();  // says why
        return;
    }
    const auto path = env_.Operator.ChooseFileToOpen(
        openFolder_, show_ ? std::vector<std::string>{TextFilter, WorkbookFilter, ShowListFilter}
                           : std::vector<std::string>{TextFilter, WorkbookFilter});
    if (path && LoadShowList(*path)) {
        return;
    }
    if (path && MayReplaceTable()) {
        LoadChosen(*path);
    }
}

void Competition::ReloadLastFile() {
    env_.Operator.CommitEdits();
    if (MayReplaceTable()) {
        const LoadedTable loaded = [&] {
            const BusyWhile busy(env_.Operator);
            return ReadChosenFile(settings_.LastFileName, journal_.Table(), env_.DecimalSeparator);
        }();
        if (!loaded.Error.empty()) {
            env_.Operator.ShowError(loaded.Error);
        } else {
            ReplaceTable("Neu geladen", loaded.Table, settings_.LastFileName);
            NoteTableSaved();
            inOrderLine_ = -1;
        }
    }
    Notify(Change::All);
}

void Competition::SaveAs() {
    const auto chosen =
        env_.Operator.ChooseFileToSave(lastSaveName_, {TextFilter, WorkbookFilter, HtmlFilter});
    if (!chosen) {
        return;
    }
    const std::string& path = *chosen;
    lastSaveName_ = path;
    openFolder_ = FolderOf(path);
    if (SaveKind(path) == FileKind::HtmlReport) {
        WriteReport(path);
        return;
    }
    if (SaveKind(path) == FileKind::None) {
        env_.Operator.ShowError("Dateityp wird nicht unterstützt: " + path);
        return;
    }
    // A workbook saved over keeps what lies beside the table; where it cannot, the operator
    // decides.
    WorkbookOverwrite existing;
    if (SaveKind(path) != FileKind::Protocol) {
        existing = ExistingWorkbook(journal_.Table(), path, env_.DecimalSeparator);
        if (existing.LosesCells &&
            !env_.Operator.Ask("Die Arbeitsmappe " + path +
                               " enthält mehr, als beim Speichern erhalten bleiben kann "
                               "(weitere Tabellenblätter, eine .xls-Datei mit mehr als der "
                               "Tabelle) oder ist nicht lesbar. Das geht verloren. Trotzdem "
                               "speichern?")) {
            return;
        }
    }
    const FileWriteResult result =
        SaveKind(path) == FileKind::Protocol
            ? WriteProtocolFile(journal_.View(), path)
            : WriteWorkbookFile(journal_.Table(), CurrentStanding(), path, existing.Kept);
    if (!result.Ok()) {
        env_.Operator.ShowError("Speichern fehlgeschlagen: " + path + ": " + result.Error);
        return;
    }
    // Only a file the operator chose and that was written whole holds the changes.
    journal_.View().SetModified(false);
    NoteTableSaved();
    settings_.LastFileName = path;
    SaveSettings();
}
