#include "files/QrCode.h"

#include <qrencode.h>

#include <memory>
#include <string>

std::optional<QrCode> MakeQrCode(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    // libqrencode reads a C string: a text with a zero byte inside would be cut short.
    const std::string data(text);
    if (data.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> made(
        QRcode_encodeString8bit(data.c_str(), 0, QR_ECLEVEL_M), &QRcode_free);
    if (!made) {
        return std::nullopt;
    }
    QrCode code;
    code.size = made->width;
    code.version = made->version;
    code.dark.resize(static_cast<std::size_t>(code.size * code.size));
    for (std::size_t i = 0; i < code.dark.size(); ++i) {
        code.dark[i] = (made->data[i] & 1) != 0;  // the lowest bit: dark; the others say why
    }
    return code;
}

std::string QrCodeSvg(const QrCode& code) {
    constexpr int kQuiet = 4;
    const std::string side = std::to_string(code.size + 2 * kQuiet);
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + side + ' ' +
                      side + "\" shape-rendering=\"crispEdges\"><rect width=\"" + side +
                      "\" height=\"" + side + "\" fill=\"#fff\"/><path fill=\"#000\" d=\"";
    for (int y = 0; y < code.size; ++y) {
        for (int x = 0; x < code.size; ++x) {
            if (code.Dark(x, y)) {
                svg += 'M' + std::to_string(x + kQuiet) + ' ' + std::to_string(y + kQuiet) +
                       "h1v1h-1z";
            }
        }
    }
    svg += "\"/></svg>";
    return svg;
}
