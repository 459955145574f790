#pragma once

#include <optional>
#include <string>
#include <string_view>

// Texts in memory are UTF-8. Our text files are Windows-1252 whenever every character fits,
// so older tools and spreadsheets read them as before, and UTF-8 with a byte-order mark when not.

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Decodes the UTF-8 character at pos (pos < text.size()) and moves pos behind it; nothing for a
// malformed sequence, and pos stays.
std::optional<char32_t> NextUtf8Char(std::string_view text, std::size_t& pos);

// Every byte has a character: the five bytes the code page leaves free map to the C1 controls
// of the same value, so a file read this way never loses a byte.
std::string Cp1252ToUtf8(std::string_view bytes);

// The Windows-1252 bytes of a UTF-8 text; nothing when a character does not fit or the text
// is not valid UTF-8.
std::optional<std::string> Utf8ToCp1252(std::string_view text);

// The bytes to store for a UTF-8 text: Windows-1252 when that reads back to the same text,
// else the UTF-8 bytes behind a byte-order mark.
std::string EncodeFileText(std::string_view text);

// The UTF-8 text of stored bytes: a leading byte-order mark is dropped; valid UTF-8 is taken
// as it is, anything else is read as Windows-1252.
std::string DecodeFileText(std::string_view bytes);
