#include "files/FileIo.h"

#include <gtest/gtest.h>

#include "TempFolder.h"

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

}  // namespace
