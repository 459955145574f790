#include "files/ProtocolFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "TempFolder.h"

namespace {

// Reads a file into the table as loading does: only once its bytes are all in hand.
bool ReadBack(ResultTable& table, const std::string& path) {
    const std::optional<std::string> bytes = ReadFileBytes(path);
    if (bytes) {
        ReadProtocolText(table, *bytes);
    }
    return bytes.has_value();
}

using ::testing::ElementsAre;

const std::string DefaultBytes =
    "Nr.\tName\tPferd\tTeam\tLaufzeit\tStrafen\tDQ\tGrund\tTotal\tRang\t\r\n"
    "\t\t\t\t\t\t\t\t\t\t\r\n";

// The cells of a row joined by "|", so a whole row reads at a glance.
std::string RowText(const ResultTable& table, int row) {
    std::string text;
    for (int col = 0; col < ResultTable::ColCount; ++col) {
        text += (col == 0 ? "" : "|") + table.Cell(col, row);
    }
    return text;
}

std::vector<std::string> BodyRows(const ResultTable& table) {
    std::vector<std::string> rows;
    for (int row = 1; row < table.RowCount(); ++row) {
        rows.push_back(RowText(table, row));
    }
    return rows;
}

ResultTable Loaded(std::string_view bytes) {
    ResultTable table;
    ReadProtocolText(table, bytes);
    return table;
}

ResultTable TwoStarters() {
    ResultTable table;
    table.SetRowCount(3);
    table.SetRow(1, {"2", "Jörg Weiß", "Äskulap", "", "16,02", "1", "", "", "21,02", "1", "1"});
    table.SetRow(2, {"1", "Anna Müller", "Blitz", " ", "", "0", "DQ", "Tonne", "DQ", "", "2"});
    table.SetColWidth(ColTeam, ResultTable::HiddenWidth);
    return table;
}

std::string Corpus(const std::string& name) {
    return ReadAll(std::filesystem::path(CORRALIX_TEST_DATA) / "corpus" / name);
}

// Writes through to the file until limit bytes are out, then fails like a full disk.
FileCalls FailAfter(std::size_t limit) {
    auto left = std::make_shared<std::size_t>(limit);
    FileCalls calls;
    calls.write = [left](int fd, const void* data, std::size_t size) -> ssize_t {
        if (*left == 0) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t written = ::write(fd, data, std::min(size, *left));
        if (written > 0) {
            *left -= static_cast<std::size_t>(written);
        }
        return written;
    };
    return calls;
}

// --- Writing ---

TEST(ProtocolWrite, DefaultTableIsHeaderLineAndTenTabs) {
    TempFolder folder;
    ResultTable table;
    ASSERT_TRUE(WriteProtocolFile(table, folder.File("leer.txt")).Ok());
    EXPECT_EQ(ReadAll(folder.File("leer.txt")), DefaultBytes);
}

TEST(ProtocolWrite, WritesColumnsZeroToNineOfEveryRowInCurrentOrder) {
    // The hidden team column is written, the start position column never; a single space stays.
    EXPECT_EQ(EncodeProtocol(TwoStarters()),
              "Nr.\tName\tPferd\tTeam\tLaufzeit\tStrafen\tDQ\tGrund\tTotal\tRang\t\r\n"
              "2\tJ\xF6rg Wei\xDF\t\xC4skulap\t\t16,02\t1\t\t\t21,02\t1\t\r\n"
              "1\tAnna M\xFCller\tBlitz\t \t\t0\tDQ\tTonne\tDQ\t\t\r\n");
}

TEST(ProtocolWrite, ClearsModifiedFlagOnlyWhenTheWholeFileWasWritten) {
    TempFolder folder;
    ResultTable table = TwoStarters();
    ASSERT_TRUE(table.Modified());

    const FileWriteResult missingFolder = WriteProtocolFile(table, folder.File("fehlt/p.txt"));
    EXPECT_EQ(missingFolder.Status, FileWriteStatus::NotCreated);
    EXPECT_TRUE(table.Modified());

    const FileWriteResult full = WriteProtocolFile(table, "/dev/full");
    EXPECT_EQ(full.Status, FileWriteStatus::WriteFailed);
    EXPECT_EQ(full.Error, "No space left on device");
    EXPECT_TRUE(table.Modified());

    EXPECT_TRUE(WriteProtocolFile(table, folder.File("p.txt")).Ok());
    EXPECT_FALSE(table.Modified());
}

TEST(ProtocolWrite, OverwritesALongerFileCompletely) {
    TempFolder folder;
    WriteAll(folder.File("p.txt"), std::string(5000, 'x'));
    ResultTable table;
    ASSERT_TRUE(WriteProtocolFile(table, folder.File("p.txt")).Ok());
    EXPECT_EQ(ReadAll(folder.File("p.txt")), DefaultBytes);
}

// --- Reading: fields and separators ---

TEST(ProtocolRead, SemicolonLineFillsColumnsInOrder) {
    EXPECT_THAT(BodyRows(Loaded("12;Anna;Blitz\r\n")), ElementsAre("12|Anna|Blitz||||||||"));
}

TEST(ProtocolRead, EmptyFieldStaysEmptyAndTrailingSeparatorAddsNone) {
    EXPECT_THAT(BodyRows(Loaded("12;;Blitz\n;Anna;\n5;;\n")),
                ElementsAre("12||Blitz||||||||", "|Anna|||||||||", "5||||||||||"));
}

TEST(ProtocolRead, TabLineKeepsSemicolonInsideItsField) {
    EXPECT_THAT(BodyRows(Loaded("3\tMüller; Anna\tFuchs\tTeam A;B\r\n")),
                ElementsAre("3|Müller; Anna|Fuchs|Team A;B|||||||"));
}

TEST(ProtocolRead, DropsFieldsBeyondTheElevenColumns) {
    EXPECT_THAT(BodyRows(Loaded("1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\r\n")),
                ElementsAre("1|2|3|4|5|6|7|8|9|10|11"));
}

TEST(ProtocolRead, SkipsOnlyHeaderLinesAndBlankLines) {
    const ResultTable table = Loaded(
        "Nr.;Name;Pferd\r\n1;Nr. 3 Carla;Lucky Nr. 7\r\n2;Nr;nr.\r\n\r\n \t \x01\r\n"
        "Start-Nr.\tName\r\n3;C;D\r\n");
    EXPECT_THAT(BodyRows(table), ElementsAre("1|Nr. 3 Carla|Lucky Nr. 7||||||||",
                                             "2|Nr|nr.||||||||", "3|C|D||||||||"));
}

TEST(ProtocolRead, LeavesHeaderRowUntouched) {
    ResultTable table;
    table.SetCell(ColTeam, 0, "Verein");
    ReadProtocolText(table, "Startnummer\tReiter\tPferd\tVerein\r\n1\tA\tB\tC\r\n");
    EXPECT_EQ(RowText(table, 0), "Nr.|Name|Pferd|Verein|Laufzeit|Strafen|DQ|Grund|Total|Rang|");
    EXPECT_THAT(BodyRows(table),
                ElementsAre("Startnummer|Reiter|Pferd|Verein|||||||", "1|A|B|C|||||||"));
}

// --- Reading: lines and rows ---

TEST(ProtocolRead, EndsLinesAtCrLfLoneCrAndLoneLf) {
    EXPECT_THAT(BodyRows(Loaded("1;A\r2;B\n3;C\r\n\n\r4;D")),
                ElementsAre("1|A|||||||||", "2|B|||||||||", "3|C|||||||||", "4|D|||||||||"));
}

TEST(ProtocolRead, StopsAtEndOfDataByte) {
    EXPECT_THAT(BodyRows(Loaded("1;A\r\n2;B\x1A\r\n3;C\r\n")),
                ElementsAre("1|A|||||||||", "2|B|||||||||"));
    EXPECT_THAT(BodyRows(Loaded("\x1A"
                                "1;A\r\n")),
                ElementsAre("||||||||||"));
}

TEST(ProtocolRead, ReplacesAllBodyRowsAndClearsTheFirst) {
    ResultTable table = TwoStarters();
    table.SetRowCount(4);
    ReadProtocolText(table, "9;Neu\r\n");
    EXPECT_THAT(BodyRows(table), ElementsAre("9|Neu|||||||||"));

    ReadProtocolText(table, "Nr.;Name\r\n");
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(RowText(table, 1), "||||||||||");
}

TEST(ProtocolRead, LoadsASingleHugeLine) {
    std::string line(8 * 1024 * 1024, 'N');
    line += ";Pferd";
    const ResultTable table = Loaded(line);
    ASSERT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.Cell(ColNr, 1).size(), 8u * 1024 * 1024);
    EXPECT_EQ(table.Cell(ColName, 1), "Pferd");
}

TEST(ProtocolRead, SavedProtocolComesBackWithEmptyCellsEmpty) {
    TempFolder folder;
    ResultTable saved = TwoStarters();
    ASSERT_TRUE(WriteProtocolFile(saved, folder.File("p.txt")).Ok());

    ResultTable loaded;
    ASSERT_TRUE(ReadBack(loaded, folder.File("p.txt")));
    EXPECT_EQ(RowText(loaded, 0), RowText(saved, 0));
    EXPECT_THAT(BodyRows(loaded), ElementsAre("2|Jörg Weiß|Äskulap||16,02|1|||21,02|1|",
                                              "1|Anna Müller|Blitz| ||0|DQ|Tonne|DQ||"));
}

TEST(ProtocolRead, SavedDefaultTableComesBackAsDefaultTable) {
    const ResultTable table = Loaded(DefaultBytes);
    EXPECT_EQ(RowText(table, 0), RowText(ResultTable(), 0));
    EXPECT_THAT(BodyRows(table), ElementsAre("||||||||||"));
}

// --- Reading: encodings ---

TEST(ProtocolEncoding, ReadsCodePageProtocolWithUmlauts) {
    const ResultTable table = Loaded(Corpus("protokoll_cp1252.txt"));
    EXPECT_THAT(BodyRows(table),
                ElementsAre("1|Anna Müller|Blitz|Team Süd|15,23|0|||15,23|1|",
                            "2|Jörg Weiß|Äskulap||16,02|1|||21,02|2|",
                            "3|Franziska Öztürk|Fuchs|||0|DQ|Tonne umgeworfen|DQ||"));
}

TEST(ProtocolEncoding, ReadsSpreadsheetUtf8ExportWithMark) {
    const ResultTable table = Loaded(Corpus("startliste_utf8_bom.csv"));
    EXPECT_THAT(BodyRows(table), ElementsAre("11|Łukasz Nowak|Dąb|Team Ost|||||||",
                                             "12|Björn Ärger|Süßholz|€-Team|||||||"));
}

TEST(ProtocolEncoding, ReadsInvalidUtf8AsCodePage) {
    EXPECT_THAT(BodyRows(Loaded("1;J\xF6rg;\xC3\r\n")), ElementsAre("1|Jörg|Ã||||||||"));
}

TEST(ProtocolEncoding, GermanTextRoundTripsThroughCodePage) {
    ResultTable table;
    table.SetRow(1, {"1", "äöüß ÄÖÜ", "€uro"});
    const std::string bytes = EncodeProtocol(table);
    EXPECT_NE(bytes.find("1\t\xE4\xF6\xFC\xDF \xC4\xD6\xDC\t\x80uro\t"), std::string::npos);
    EXPECT_EQ(RowText(Loaded(bytes), 1), "1|äöüß ÄÖÜ|€uro||||||||");
}

TEST(ProtocolEncoding, CharacterOutsideCodePageIsWrittenAsUtf8WithMark) {
    ResultTable table;
    table.SetRow(1, {"1", "Łukasz Wójcik", "Süßholz"});
    const std::string bytes = EncodeProtocol(table);
    EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBFNr.\t"));
    EXPECT_NE(bytes.find("1\tŁukasz Wójcik\tSüßholz\t"), std::string::npos);
    EXPECT_EQ(RowText(Loaded(bytes), 1), "1|Łukasz Wójcik|Süßholz||||||||");
}

// --- Reading files that cannot be read ---

TEST(ProtocolFileRead, UnreadableFileReturnsFalseAndLeavesTheTableAsItWas) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.File("pipe.txt").c_str(), 0600), 0);
    for (const std::string& path :
         {folder.File("weg.txt"), folder.Path().string(), folder.File("pipe.txt")}) {
        ResultTable table = TwoStarters();
        EXPECT_FALSE(ReadBack(table, path)) << path;
        EXPECT_EQ(BodyRows(table), BodyRows(TwoStarters()));
    }
}

// --- Backup ---

TEST(Backup, PreviousBackupSurvivesAWriteSyncOrRenameThatFails) {
    FileCalls failingSync;
    failingSync.sync = [](int) {
        errno = EIO;
        return -1;
    };
    FileCalls failingRename;
    failingRename.rename = [](const char*, const char*) {
        errno = EROFS;
        return -1;
    };
    const std::vector<std::tuple<std::string, FileCalls, std::string>> cases = {
        {"write", FailAfter(40), "No space left on device"},
        {"sync", failingSync, "Input/output error"},
        {"rename", failingRename, "Read-only file system"},
    };
    for (const auto& [step, calls, error] : cases) {
        TempFolder folder;
        const std::string path = folder.File(std::string(BackupFileTitle));
        ResultTable table;
        ASSERT_TRUE(WriteBackupFile(table, path).Ok());

        table = TwoStarters();
        FileWriteResult result;
        {
            const ScopedFileCalls failing(calls);
            result = WriteBackupFile(table, path);
        }
        EXPECT_EQ(result.Status, FileWriteStatus::WriteFailed) << step;
        EXPECT_EQ(result.Error, error) << step;
        EXPECT_TRUE(table.Modified()) << step;
        EXPECT_EQ(ReadAll(path), DefaultBytes) << step;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1)
            << step << ": the temporary file is removed";

        ASSERT_TRUE(WriteBackupFile(table, path).Ok());
        EXPECT_FALSE(table.Modified());
        EXPECT_EQ(ReadAll(path), EncodeProtocol(table));
    }
}

TEST(Backup, KeepsTheStartOrderWhileTheTableIsShownByTotal) {
    // Ten starters shown sorted by total: start positions 10, 9, ..., 1 from the top.
    ResultTable table;
    table.SetRowCount(11);
    for (int row = 1; row <= 10; ++row) {
        const std::string position = std::to_string(11 - row);
        table.SetRow(row, {"S" + position, "", "", "", "", "", "", "", "", "", position});
    }
    TempFolder folder;
    const std::string backup = folder.File(std::string(BackupFileTitle));
    ASSERT_TRUE(WriteBackupFile(table, backup).Ok());
    ASSERT_TRUE(WriteProtocolFile(table, folder.File("p.txt")).Ok());

    ResultTable loaded;
    ASSERT_TRUE(ReadBack(loaded, backup));
    const std::vector<std::string> numbers = loaded.Column(ColNr);
    EXPECT_THAT(numbers,
                ElementsAre("Nr.", "S1", "S2", "S3", "S4", "S5", "S6", "S7", "S8", "S9", "S10"));
    ASSERT_TRUE(ReadBack(loaded, folder.File("p.txt")));
    EXPECT_EQ(loaded.Cell(ColNr, 1), "S10") << "the saved protocol keeps the shown order";
}

TEST(Backup, CompletesDespiteShortWrites) {
    TempFolder folder;
    const std::string path = folder.File(std::string(BackupFileTitle));
    ResultTable table = TwoStarters();
    FileCalls trickle;
    trickle.write = [](int fd, const void* data, std::size_t size) {
        return ::write(fd, data, std::min<std::size_t>(size, 7));
    };
    const ScopedFileCalls slowly(trickle);
    ASSERT_TRUE(WriteBackupFile(table, path).Ok());
    EXPECT_EQ(ReadAll(path), EncodeProtocol(table));
}

TEST(Backup, ReportsWhyItCouldNotBeWritten) {
    TempFolder folder;
    ResultTable table = TwoStarters();

    const FileWriteResult missing =
        WriteBackupFile(table, folder.File("fehlt/Sicherungsdatei.txt"));
    EXPECT_EQ(missing.Status, FileWriteStatus::NotCreated);
    EXPECT_EQ(missing.Error, "No such file or directory");

    // A folder in the backup's place cannot be replaced by a file.
    std::filesystem::create_directory(folder.File("Sicherungsdatei.txt"));
    const FileWriteResult blocked = WriteBackupFile(table, folder.File("Sicherungsdatei.txt"));
    EXPECT_EQ(blocked.Status, FileWriteStatus::WriteFailed);
    EXPECT_FALSE(blocked.Error.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1)
        << "the temporary file is removed";
    EXPECT_TRUE(table.Modified());
}

// --- Seed corpus ---

TEST(ProtocolCorpus, EveryFileLoadsIntoAConsistentTable) {
    const std::filesystem::path corpus = std::filesystem::path(CORRALIX_TEST_DATA) / "corpus";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        SCOPED_TRACE(entry.path().string());
        ResultTable table;
        ASSERT_TRUE(ReadBack(table, entry.path().string()));
        EXPECT_EQ(RowText(table, 0), RowText(ResultTable(), 0));
        EXPECT_GE(table.RowCount(), 2);
        for (int row = 1; row < table.RowCount(); ++row) {
            EXPECT_FALSE(table.Cell(ColNr, row).find("Nr.") != std::string::npos);
        }
        // Saving and loading again gives the same file.
        const std::string once = EncodeProtocol(table);
        EXPECT_EQ(EncodeProtocol(Loaded(once)), once);
        ++files;
    }
    EXPECT_GE(files, 7);
}

}  // namespace
