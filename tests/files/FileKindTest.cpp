#include "files/FileKind.h"

#include <gtest/gtest.h>

namespace {

TEST(FileKind, SaveChoosesWriterByExtensionInAnyCase) {
    EXPECT_EQ(SaveKind("/home/a/Ergebnis.txt"), FileKind::Protocol);
    EXPECT_EQ(SaveKind("/home/a/Ergebnis.TxT"), FileKind::Protocol);
    EXPECT_EQ(SaveKind("/home/a/Ergebnis.xls"), FileKind::Spreadsheet);
    EXPECT_EQ(SaveKind("/home/a/Ergebnis.XLSX"), FileKind::Spreadsheet);
    EXPECT_EQ(SaveKind("/home/a/Ergebnis.html"), FileKind::HtmlReport);
    EXPECT_EQ(SaveKind("/home/a/Ergebnis.htm"), FileKind::None);
    EXPECT_EQ(SaveKind("/home/a/Ergebnis"), FileKind::None);
    EXPECT_EQ(SaveKind("/home/a.txt/Ergebnis"), FileKind::None);
}

TEST(FileKind, LoadReadsTextAndWorkbooks) {
    EXPECT_EQ(LoadKind("Starter.TXT"), FileKind::Protocol);
    EXPECT_EQ(LoadKind("Starter.xls"), FileKind::Spreadsheet);
    EXPECT_EQ(LoadKind("Starter.xlsx"), FileKind::Spreadsheet);
    EXPECT_EQ(LoadKind("Starter.html"), FileKind::None);
    EXPECT_EQ(LoadKind(""), FileKind::None);
}

}  // namespace
