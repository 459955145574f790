#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "files/FileIo.h"
#include "results/ResultTable.h"

// Where a class's changes go: its change log, and (in a show) its class file.
struct ClassFiles {
    std::string Log;
    std::string Table;  // empty for a single table without a show: the backup holds it
};

// The one writer of the open class's table. Every change of a cell goes through Apply with its
// own label: the places are brought up to date, the change is appended to the class's change log
// (synced) and the class file replaced before anyone else hears of it, and it can be undone.
// Whoever needs the rows' order, the current row, the widths or the edit mode changes them
// through View(); a cell changed there is an unrecorded change, found by CatchUnrecorded.
class ClassJournal {
public:
    // The place column for a table (one text per row), as the class's standing decides it.
    using PlacesOf = std::function<std::vector<std::string>(const ResultTable&)>;
    using Edit = std::function<void(ResultTable&)>;

    ClassJournal(WriteCall write, PlacesOf places);

    const ResultTable& Table() const { return table_; }
    // The table's view: the rows' order, the current row, widths, edit mode and sort options.
    ResultTable& View() { return table_; }

    // The class whose table this now is (its file read, or a single table): nothing is logged,
    // the undo steps of the class stay for when it is opened again.
    void Open(int classIndex, ClassFiles files, ResultTable table);
    int ClassIndex() const { return classIndex_; }

    // Changes the table with `edit` and records the change as `what` (detail adds what the
    // table does not show: the run's stamps, the file loaded). A change that touches no cell is
    // logged only when logAlways (a backup restored into a class file that held it already).
    // Returns the message when the log or the class file could not be written, else empty.
    std::string Apply(const std::string& what, const Edit& edit, const std::string& detail = {},
                      bool logAlways = false);
    // Records a change of another class of the show, whose table the caller made from its file:
    // logged, its class file replaced, undoable when that class is opened.
    std::string ApplyToClass(int classIndex, const ClassFiles& files, const ResultTable& before,
                             const ResultTable& after, const std::string& what,
                             const std::string& detail);
    // Told after every recorded change of a class (the open one or another), with its index:
    // the classes that take their results from it follow.
    void SetRecorded(std::function<void(int classIndex)> recorded) {
        recorded_ = std::move(recorded);
    }
    // Brings the places up to date after the class's rules changed (places are not logged).
    void Rank();

    // Takes back the last change of the open class: the table it replaced, or nothing when there
    // is nothing to undo.
    std::optional<ResultTable> Undo();
    // The change the next undo takes back, by a number no other change of the show has; 0 when
    // the open class has nothing to undo.
    std::uint64_t TopStep() const;

    // A cell changed without Apply is a fault of the program: it is recorded as "Korrektur (nicht
    // erfasst)" so nothing is lost, and counted.
    void CatchUnrecorded();
    int UnrecordedChanges() const { return unrecorded_; }

    // Why the change log or the class file could not be written; empty once they were.
    const std::string& Message() const { return message_; }

private:
    std::string Write(const ClassFiles& files, const std::string& what, const std::string& detail,
                      const ResultTable& before, const ResultTable& after);
    void PushUndo(int classIndex, ResultTable before);
    void Recorded(int classIndex) const {
        if (recorded_) {
            recorded_(classIndex);
        }
    }

    WriteCall write_;
    PlacesOf places_;
    std::function<void(int)> recorded_;
    ResultTable table_;
    // The table as the change log and the class file last saw it.
    ResultTable committed_;
    std::uint64_t committedRevision_ = 0;
    int classIndex_ = 0;
    ClassFiles files_;
    // Per class: the states before each change, the last one on top.
    struct Step {
        ResultTable before;
        std::uint64_t number = 0;
    };
    std::map<int, std::vector<Step>> undo_;
    std::uint64_t steps_ = 0;
    std::string message_;
    int unrecorded_ = 0;
};
