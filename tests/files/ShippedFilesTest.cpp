#include "files/ShippedFiles.h"

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

TEST(DataFolder, IsTheUserFolderForAnInstalledOrUnwritableProgram) {
    TempFolder user;
    const std::string userFolder = user.File("share/corralix");
    // A file where the program folder should be: nothing can be created in it, even as root.
    WriteAll(user.File("programm"), "x");
    EXPECT_EQ(ChooseDataFolder(user.File("programm"), userFolder), userFolder);
    EXPECT_TRUE(std::filesystem::is_directory(userFolder));

    TempFolder prefix;  // bin/ beside share/corralix: installed, writable or not
    std::filesystem::create_directories(prefix.File("bin"));
    std::filesystem::create_directories(prefix.File("share/corralix"));
    EXPECT_EQ(ChooseDataFolder(prefix.File("bin"), userFolder), userFolder);
}

TEST(ShippedFiles, AreFoundBesideTheProgramFirstThenInTheSharedFolder) {
    TempFolder prefix;
    std::filesystem::create_directories(prefix.File("bin"));
    std::filesystem::create_directories(prefix.File("share/corralix"));
    WriteAll(prefix.File("share/corralix/Audio-Start.wav"), "shared");
    WriteAll(prefix.File("share/corralix/index.html"), "shared");
    WriteAll(prefix.File("bin/index.html"), "beside");
    const std::string bin = prefix.File("bin");

    EXPECT_EQ(FindShippedFile("index.html", bin), prefix.File("bin/index.html"));
    EXPECT_EQ(FindShippedFile("Audio-Start.wav", bin),
              prefix.File("share/corralix/Audio-Start.wav"));
    EXPECT_EQ(FindShippedFile("Logo.jpg", bin), "");
}

}  // namespace
