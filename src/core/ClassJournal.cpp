#include "core/ClassJournal.h"

#include "files/ChangeLog.h"
#include "files/ProtocolFile.h"

namespace {

// Where the undo steps of a class end: the oldest are dropped.
constexpr std::size_t UndoSteps = 200;

}  // namespace

ClassJournal::ClassJournal(WriteCall write, PlacesOf places)
    : write_(std::move(write)), places_(std::move(places)) {}

void ClassJournal::Open(int classIndex, ClassFiles files, ResultTable table) {
    classIndex_ = classIndex;
    files_ = std::move(files);
    table_ = std::move(table);
    Rank();
    committed_ = table_;
    committedRevision_ = table_.Revision();
    message_.clear();
}

void ClassJournal::Rank() {
    const std::vector<std::string> places = places_(table_);
    for (int row = 1; row < table_.RowCount(); ++row) {
        const auto index = static_cast<std::size_t>(row);
        table_.SetCell(ColRang, row, index < places.size() ? places[index] : std::string());
    }
}

std::string ClassJournal::Write(const ClassFiles& files, const std::string& what,
                                const std::string& detail, const ResultTable& before,
                                const ResultTable& after) {
    const FileWriteResult logged = AppendChangeLog(
        files.Log, ChangeLogText(LocalWallTime().Text, what, detail, TableChanges(before, after)),
        write_);
    if (!logged.Ok()) {
        // A class file the log does not explain is never written.
        return "Änderungsprotokoll nicht geschrieben: " + logged.Error;
    }
    if (files.Table.empty()) {
        return {};
    }
    const FileWriteResult written = ReplaceFileBytes(files.Table, EncodeBackup(after), write_);
    return written.Ok() ? std::string() : "Klassendatei nicht geschrieben: " + written.Error;
}

void ClassJournal::PushUndo(int classIndex, ResultTable before) {
    std::vector<Step>& steps = undo_[classIndex];
    steps.push_back({std::move(before), ++steps_});
    if (steps.size() > UndoSteps) {
        steps.erase(steps.begin());
    }
}

std::string ClassJournal::Apply(const std::string& what, const Edit& edit,
                                const std::string& detail, bool logAlways) {
    CatchUnrecorded();
    edit(table_);
    Rank();
    const bool changed = !TableChanges(committed_, table_).empty();
    if (changed || logAlways) {
        message_ = Write(files_, what, detail, committed_, table_);
        if (!files_.Table.empty() && message_.empty()) {
            table_.SetModified(false);
        }
        if (changed) {
            PushUndo(classIndex_, committed_);
        }
    }
    committed_ = table_;
    committedRevision_ = table_.Revision();
    if (changed) {
        Recorded(classIndex_);
    }
    return message_;
}

std::string ClassJournal::ApplyToClass(int classIndex, const ClassFiles& files,
                                       const ResultTable& before, const ResultTable& after,
                                       const std::string& what, const std::string& detail) {
    std::string message = Write(files, what, detail, before, after);
    if (message.empty()) {
        PushUndo(classIndex, before);
        Recorded(classIndex);
    }
    return message;
}

std::optional<ResultTable> ClassJournal::Undo() {
    CatchUnrecorded();
    std::vector<Step>& steps = undo_[classIndex_];
    if (steps.empty()) {
        return std::nullopt;
    }
    ResultTable previous = std::move(steps.back().before);
    steps.pop_back();
    ResultTable before = table_;
    // The rows come back; the grid's widths, current row and edit mode stay as they are.
    table_.SetRowCount(previous.RowCount());
    for (int row = 1; row < previous.RowCount(); ++row) {
        const auto& cells = previous.Row(row);
        table_.SetRow(row, std::vector<std::string>(cells.begin(), cells.end()));
    }
    Rank();
    message_ = Write(files_, "Rückgängig", {}, committed_, table_);
    if (!files_.Table.empty() && message_.empty()) {
        table_.SetModified(false);
    }
    committed_ = table_;
    committedRevision_ = table_.Revision();
    Recorded(classIndex_);
    return before;
}

std::uint64_t ClassJournal::TopStep() const {
    const auto steps = undo_.find(classIndex_);
    return steps == undo_.end() || steps->second.empty() ? 0 : steps->second.back().number;
}

void ClassJournal::CatchUnrecorded() {
    if (table_.Revision() == committedRevision_) {
        return;
    }
    if (TableChanges(committed_, table_).empty()) {
        committedRevision_ = table_.Revision();
        return;
    }
    ++unrecorded_;
    message_ = Write(files_, "Korrektur (nicht erfasst)", {}, committed_, table_);
    PushUndo(classIndex_, committed_);
    committed_ = table_;
    committedRevision_ = table_.Revision();
    Recorded(classIndex_);
}
