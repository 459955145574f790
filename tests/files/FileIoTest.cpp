#include "files/FileIo.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TempFolder.h"

namespace {

TEST(DataFolder, IsTheProgramFolderWhenFilesCanBeCreatedThere) {
    TempFolder program;
    TempFolder user;
    EXPECT_EQ(ChooseDataFolder(program.Path().string(), user.File("corralix")),
              program.Path().string());
    EXPECT_TRUE(std::filesystem::is_empty(program.Path())) << "the probe file is removed";
    EXPECT_FALSE(std::filesystem::exists(user.File("corralix")));
}

TEST(DataFolder, FallsBackToTheUserFolderAndCreatesIt) {
    TempFolder user;
    const std::string userFolder = user.File("share/corralix");
    // A file where the program folder should be: nothing can be created in it, even as root.
    WriteAll(user.File("programm"), "x");
    EXPECT_EQ(ChooseDataFolder(user.File("programm"), userFolder), userFolder);
    EXPECT_TRUE(std::filesystem::is_directory(userFolder));
    EXPECT_EQ(ChooseDataFolder(user.File("fehlt"), userFolder), userFolder);
}

TEST(FileBytes, ReadsBackWhatWasWrittenIncludingNulAndHighBytes) {
    TempFolder folder;
    const std::string bytes("a\0b\xFF\r\n", 6);
    ASSERT_TRUE(WriteFileBytes(folder.File("f"), bytes).Ok());
    EXPECT_EQ(ReadFileBytes(folder.File("f")), bytes);
    ASSERT_TRUE(ReplaceFileBytes(folder.File("f"), "neu").Ok());
    EXPECT_EQ(ReadFileBytes(folder.File("f")), "neu");
    EXPECT_EQ(ReadFileBytes(folder.File("weg")), std::nullopt);
}

}  // namespace
