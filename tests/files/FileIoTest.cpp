#include "files/FileIo.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "files/ChangeLog.h"

namespace {

TEST(FileBytes, ReadsBackWhatWasWrittenIncludingNulAndHighBytes) {
    TempFolder folder;
    const std::string bytes("a\0b\xFF\r\n", 6);
    ASSERT_TRUE(WriteFileBytes(folder.File("f"), bytes).Ok());
    EXPECT_EQ(ReadFileBytes(folder.File("f")), bytes);
    ASSERT_TRUE(ReplaceFileBytes(folder.File("f"), "neu").Ok());
    EXPECT_EQ(ReadFileBytes(folder.File("f")), "neu");
    EXPECT_EQ(ReadFileBytes(folder.File("weg")), std::nullopt);
}

TEST(FileBytes, ReplacingSyncsAFreshTemporaryFileBeforeTheRenameAndNeverFollowsALink) {
    TempFolder folder;
    const std::string path = folder.File("res.html");
    // A link where a fixed temporary name would be is neither written through nor removed.
    WriteAll(folder.File("passwd2"), "geheim");
    std::filesystem::create_symlink(folder.File("passwd2"), path + ".tmp");
    std::vector<std::string> steps;
    FileCalls watching;
    watching.sync = [&](int fd) {
        steps.push_back("sync " +
                        std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd))
                            .filename()
                            .string());
        return ::fsync(fd);
    };
    watching.rename = [&](const char* from, const char* to) {
        steps.push_back(std::string("rename ") + std::filesystem::path(from).filename().string() +
                        " " + std::filesystem::path(to).filename().string());
        return ::rename(from, to);
    };
    {
        const ScopedFileCalls watched(watching);
        ASSERT_TRUE(ReplaceFileBytes(path, "neu").Ok());
    }

    ASSERT_EQ(steps.size(), 2U);
    const std::string temporary = steps[0].substr(5);
    EXPECT_TRUE(temporary.starts_with("res.html.") && temporary != "res.html.tmp") << temporary;
    EXPECT_EQ(steps[1], "rename " + temporary + " res.html");
    EXPECT_EQ(ReadFileBytes(path), "neu");
    EXPECT_EQ(ReadFileBytes(folder.File("passwd2")), "geheim");
    EXPECT_TRUE(std::filesystem::is_symlink(path + ".tmp"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 3);
}

// A change log that is a link is refused, whether it leads to a file or nowhere yet.
TEST(ChangeLog, AppendsNeverThroughALink) {
    TempFolder folder;
    WriteAll(folder.File("fremd.txt"), "fremd\n");
    std::filesystem::create_symlink(folder.File("fremd.txt"), folder.File("a.txt.log"));
    std::filesystem::create_symlink(folder.File("neu.txt"), folder.File("b.txt.log"));

    EXPECT_FALSE(AppendChangeLog(folder.File("a.txt.log"), "Eintrag\n").Ok());
    EXPECT_FALSE(AppendChangeLog(folder.File("b.txt.log"), "Eintrag\n").Ok());
    EXPECT_TRUE(AppendChangeLog(folder.File("c.txt.log"), "Eintrag\n").Ok());

    EXPECT_EQ(ReadAll(folder.File("fremd.txt")), "fremd\n");
    EXPECT_FALSE(std::filesystem::exists(folder.File("neu.txt")));
    EXPECT_EQ(ReadAll(folder.File("c.txt.log")), "Eintrag\n");
}

}  // namespace
