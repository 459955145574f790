#include "core/CrashBackup.h"

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "files/FileIo.h"
#include "results/ResultTable.h"

namespace {

// Present while the program runs; found at start-up it tells that the last run did not end
// normally (a crash, a power cut at the arena), so the backup may hold results no file has.
constexpr const char* RunningMarkerTitle = ".corralix-running";

// Both name the same file, also through another path or a link.
bool SamePath(const std::string& first, const std::string& second) {
    std::error_code error;
    const bool same = std::filesystem::equivalent(first, second, error);
    if (!error) {
        return same;
    }
    return std::filesystem::absolute(first, error).lexically_normal() ==
           std::filesystem::absolute(second, error).lexically_normal();
}

int CountResults(const ResultTable& table) {
    int count = 0;
    for (int row = 1; row < table.RowCount(); ++row) {
        count += TrimText(table.Cell(ColTotal, row)).empty() ? 0 : 1;
    }
    return count;
}

}  // namespace

CrashBackup::CrashBackup(std::string dataFolder, IOperator& op)
    : dataFolder_(std::move(dataFolder)),
      operator_(op),
      fileName_(dataFolder_ + "/" + std::string(BackupFileTitle)),
      marker_(dataFolder_ + "/" + RunningMarkerTitle) {}

bool CrashBackup::Begin() {
    const bool unfinished = std::filesystem::exists(marker_);
    if (unfinished) {
        const std::optional<std::string> marker = ReadFileBytes(marker_);
        owner_ = marker ? BackupOwnerOf(*marker) : std::nullopt;
    } else {
        // The last end told nobody whose table the backup holds.
        owner_ = BackupOwner{.ShowFile = {}, .ClassName = {}, .Unsure = true};
    }
    // The marker is written before any question, so a crash while asking is noticed again; it
    // still names whose the backup is.
    WriteMarker(owner_);
    return unfinished && std::filesystem::exists(fileName_);
}

std::string CrashBackup::Save(ResultTable& table, const BackupOwner& owner) {
    // The marker names whose table the backup holds. A backup of another owner replaces it
    // between two marker writes, so a crash in between leaves the owner "unsure", never wrong.
    BackupOwner replacing = owner;
    replacing.Unsure = true;
    FileWriteResult result;
    if (owner_ != owner && owner_ != replacing) {
        result = WriteMarker(replacing);
    }
    if (result.Ok()) {
        result = WriteBackupFile(table, fileName_);
    }
    if (result.Ok() && owner_ != owner) {
        WriteMarker(owner);  // else tried again with the next backup
    }
    // The warning stays until a backup succeeds.
    message_ = result.Ok() ? std::string() : "Sicherung fehlgeschlagen: " + result.Error;
    return message_;
}

void CrashBackup::End() {
    std::error_code ignored;
    std::filesystem::remove(marker_, ignored);
}

std::optional<int> CrashBackup::Offer(std::optional<Show>& show, const std::string& file) {
    constexpr int SingleTable = -1;
    const int open = show ? show->OpenIndex() : SingleTable;
    const auto ask = [this](const std::string& head, const std::string& after,
                            IOperator::Focus focus = IOperator::Focus::Ja) {
        return operator_.Ask(Question(head) + after, focus);
    };
    // A backup of an older version says nothing of its owner: it goes into the table as ever.
    if (!owner_) {
        return ask("Sicherung laden?", {}) ? std::optional<int>(open) : std::nullopt;
    }
    const BackupOwner& owner = *owner_;
    const std::string kept = std::filesystem::path(KeptName()).filename().string();
    const std::string className = "Klasse \"" + owner.ClassName + "\"";
    std::string why;
    if (owner.Unsure) {
        why = "Es ist nicht sicher, zu welcher Klasse sie gehört.";
    } else if (owner.ShowFile.empty()) {
        if (!show) {
            return ask("Sicherung laden?", {}) ? std::optional<int>(SingleTable) : std::nullopt;
        }
        why = "Sie ist eine einzelne Tabelle, keine Klasse dieses Turniers.";
    } else if (show && SamePath(show->FilePath(), owner.ShowFile)) {
        const int index = FindShowClass(show->Data(), owner.ClassName);
        if (index >= 0) {
            return ask("Sicherung der " + className + " laden?",
                       index == open ? std::string()
                                     : "\nDafür wird die " + className + " geöffnet.")
                       ? std::optional<int>(index)
                       : std::nullopt;
        }
        why = "Sie gehört zur " + className + ", die es im Turnier nicht mehr gibt.";
    } else {
        // Of another show: back into its own class there, never into the table opened now.
        std::string error;
        std::optional<Show> own = Show::Open(owner.ShowFile, error);
        const int index = own ? FindShowClass(own->Data(), owner.ClassName) : -1;
        const std::string instead =
            show ? "des Turniers \"" + show->FilePath() + "\""
                 : (file.empty() ? "einer leeren Tabelle" : "der Datei \"" + file + "\"");
        if (index >= 0) {
            if (ask("Sicherung der " + className + " des Turniers \"" + owner.ShowFile +
                        "\" laden?",
                    "\nJa öffnet dieses Turnier statt " + instead + " und lädt sie in die " +
                        className + ".\nNein lässt sie als \"" + kept +
                        "\" neben der Sicherung liegen.")) {
                show = std::move(own);
                return index;
            }
            Keep();
            return std::nullopt;
        }
        why = "Sie gehört zur " + className + " des Turniers \"" + owner.ShowFile + "\", " +
              (own ? "die es dort nicht mehr gibt." : "das sich nicht öffnen lässt: " + error);
    }
    // Never into a class it may not be of: as a single table, with no show open. A reflex Enter
    // does not close the show asked for.
    if (ask("Sicherung laden?",
            "\n" + why + "\nJa lädt sie als einzelne Tabelle" +
                (show ? ", das Turnier bleibt geschlossen" : "") + ".\nNein lässt sie als \"" +
                kept + "\" neben der Sicherung liegen.",
            show ? IOperator::Focus::Nein : IOperator::Focus::Ja)) {
        show.reset();
        return SingleTable;
    }
    Keep();
    return std::nullopt;
}

std::string CrashBackup::Question(const std::string& head) const {
    std::string question = head;
    const std::optional<std::string> bytes = ReadFileBytes(fileName_);
    if (!bytes) {
        return question;
    }
    ResultTable backup;
    ReadProtocolText(backup, *bytes);
    const int results = CountResults(backup);
    question +=
        "\nSie enthält " + std::to_string(results) + (results == 1 ? " Ergebnis" : " Ergebnisse");
    if (const std::string when = WrittenAt("%d.%m.%Y um %H:%M:%S"); !when.empty()) {
        question += ", geschrieben am " + when;
    }
    return question + ".";
}

std::string CrashBackup::WrittenAt(const char* format) const {
    std::error_code error;
    const auto written = std::filesystem::last_write_time(fileName_, error);
    if (error) {
        return {};
    }
    const std::time_t seconds = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(written)));
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char when[48];
    std::strftime(when, sizeof when, format, &local);
    return when;
}

std::string CrashBackup::KeptName() const {
    return dataFolder_ + "/Sicherungsdatei-" + WrittenAt("%Y%m%d-%H%M%S") + ".txt";
}

void CrashBackup::Keep() {
    const std::optional<std::string> bytes = ReadFileBytes(fileName_);
    const FileWriteResult kept = bytes ? ReplaceFileBytes(KeptName(), *bytes) : FileWriteResult{};
    if (!bytes || !kept.Ok()) {
        operator_.ShowError("Sicherung nicht aufbewahrt: " + (bytes ? kept.Error : "nicht lesbar") +
                            ". Sie wird bei der nächsten Änderung überschrieben.");
    }
}

FileWriteResult CrashBackup::WriteMarker(const std::optional<BackupOwner>& owner) {
    FileWriteResult result = ReplaceFileBytes(marker_, RunningMarkerText(::getpid(), owner));
    if (result.Ok()) {
        owner_ = owner;
    }
    return result;
}
