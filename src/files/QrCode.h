#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

// A QR code as its modules, for a window or a page to draw: size × size squares, row by row,
// with a quiet zone of four modules to be left free around it.
struct QrCode {
    int size = 0;
    int version = 0;         // 1 to 40: how many modules, 17 + 4 × version
    std::vector<bool> dark;  // size × size, row by row
    bool Dark(int x, int y) const { return dark[static_cast<std::size_t>(y * size + x)]; }
};

// The QR code of the text (an address for a phone's camera), byte mode, error correction level M
// (a seventh of it may be dirty or covered), in the smallest version that holds it. Nothing for
// an empty text or one too long for any version.
std::optional<QrCode> MakeQrCode(std::string_view text);
