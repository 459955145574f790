#include "files/TextCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string German = "äöüß ÄÖÜ €";  // UTF-8
const std::string GermanCp1252 = "\xE4\xF6\xFC\xDF \xC4\xD6\xDC \x80";

TEST(TextCodec, WritesGermanLettersAsSingleBytes) {
    EXPECT_EQ(EncodeFileText(German), GermanCp1252);
    EXPECT_EQ(EncodeFileText("Nr.\tName\t"), "Nr.\tName\t");
}

TEST(TextCodec, ReadsSingleByteGermanLettersBack) {
    EXPECT_EQ(DecodeFileText(GermanCp1252), German);
    EXPECT_EQ(DecodeFileText(EncodeFileText(German)), German);
}

TEST(TextCodec, MapsTheWholeCodePageBothWaysWithoutLoss) {
    std::string everyByte;
    for (int b = 1; b < 256; ++b) {
        everyByte += static_cast<char>(b);
    }
    const std::string text = Cp1252ToUtf8(everyByte);
    EXPECT_TRUE(IsValidUtf8(text));
    EXPECT_EQ(Utf8ToCp1252(text), everyByte);
    EXPECT_EQ(Cp1252ToUtf8("\x80\x8A\x9F\x99\x85"), "€ŠŸ™…");
    // The five free bytes become the C1 controls of the same value.
    EXPECT_EQ(Cp1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
}

TEST(TextCodec, WritesUtf8WithMarkWhenACharacterDoesNotFit) {
    const std::string text = "Łukasz Wójcik; Jörg";
    EXPECT_EQ(Utf8ToCp1252(text), std::nullopt);
    EXPECT_EQ(EncodeFileText(text), "\xEF\xBB\xBF" + text);
    EXPECT_EQ(DecodeFileText(EncodeFileText(text)), text);
}

TEST(TextCodec, ReadsUtf8WithAndWithoutMark) {
    EXPECT_EQ(DecodeFileText("\xEF\xBB\xBF"
                             "Müller"),
              "Müller");
    EXPECT_EQ(DecodeFileText("Müller"), "Müller");
}

TEST(TextCodec, ReadsInvalidUtf8AsCodePage) {
    // A lone continuation byte, a truncated sequence, an overlong "/", a surrogate.
    EXPECT_EQ(DecodeFileText("M\xFCller"), "Müller");
    EXPECT_EQ(DecodeFileText("\xC3"), "Ã");
    EXPECT_EQ(DecodeFileText("\xC0\xAF"), "À¯");
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x90\x8E"));  // a horse
}

TEST(TextCodec, KeepsCodePageTextThatLooksLikeUtf8ReadableAsWritten) {
    // "Ã¤" in code page bytes is the UTF-8 of "ä"; "ï»¿" is the byte-order mark.
    for (const std::string text : {"Ã¤", "ï»¿Müller"}) {
        const std::string bytes = EncodeFileText(text);
        EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
        EXPECT_EQ(DecodeFileText(bytes), text);
    }
}

}  // namespace
