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
