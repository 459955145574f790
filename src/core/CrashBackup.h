#pragma once

#include <optional>
#include <string>

#include "core/Host.h"
#include "core/Show.h"
#include "files/ProtocolFile.h"

// The crash backup and the running marker. The backup holds the open table after every result,
// written whole; the marker is there while the program runs and names whose table the backup
// holds, so after a crash or a power cut the backup goes back where it belongs.
class CrashBackup {
public:
    CrashBackup(std::string dataFolder, IOperator& op);

    const std::string& FileName() const { return fileName_; }
    // The backup could not be written: the message stays until a backup succeeds.
    const std::string& Message() const { return message_; }

    // At start-up: whether the last run of the program did not end normally. Writes the marker
    // (before any question, so a crash while asking is noticed again).
    bool Begin();
    // After a crash: asks to restore the backup where it belongs. Returns the class of `show` to
    // restore it into, -1 for a single table (then `show` is closed or replaced by the backup's
    // own show), or nothing. A backup not restored is kept beside it when it is not of the table
    // opened. `file` is the file named on the command line.
    std::optional<int> Offer(std::optional<Show>& show, const std::string& file);
    // Writes the table as the backup of `owner`.
    std::string Save(ResultTable& table, const BackupOwner& owner);
    // The program ends normally: the marker goes.
    void End();

private:
    std::string Question(const std::string& head) const;
    std::string WrittenAt(const char* format) const;
    std::string KeptName() const;
    void Keep();
    FileWriteResult WriteMarker(const std::optional<BackupOwner>& owner);

    std::string dataFolder_;
    IOperator& operator_;
    std::string fileName_;
    std::string marker_;
    // Whose table the backup holds, as the marker says; none after an older version.
    std::optional<BackupOwner> owner_;
    std::string message_;
};
