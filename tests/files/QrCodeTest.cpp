#include "files/QrCode.h"

#include <gtest/gtest.h>
#include <zbar.h>

#include <string>
#include <vector>

namespace {

// What a phone's camera reads from the code: the modules drawn as a grey picture, three pixels
// each, with the quiet zone, scanned by zbar. Empty when it finds no QR code.
std::string Scanned(const QrCode& code) {
    using namespace zbar;  // its C interface, which C++ finds in its namespace
    constexpr int kPixels = 3;
    constexpr int kQuiet = 4;
    const int side = (code.size + 2 * kQuiet) * kPixels;
    std::vector<unsigned char> grey(static_cast<std::size_t>(side * side), 255);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int mx = x / kPixels - kQuiet;
            const int my = y / kPixels - kQuiet;
            if (mx >= 0 && my >= 0 && mx < code.size && my < code.size && code.Dark(mx, my)) {
                grey[static_cast<std::size_t>(y * side + x)] = 0;
            }
        }
    }
    zbar_image_scanner_t* scanner = zbar_image_scanner_create();
    zbar_image_scanner_set_config(scanner, ZBAR_NONE, ZBAR_CFG_ENABLE, 0);
    zbar_image_scanner_set_config(scanner, ZBAR_QRCODE, ZBAR_CFG_ENABLE, 1);
    // Bytes as they are, not guessed into another character set.
    zbar_image_scanner_set_config(scanner, ZBAR_QRCODE, ZBAR_CFG_BINARY, 1);
    zbar_image_t* image = zbar_image_create();
    zbar_image_set_format(image, zbar_fourcc('Y', '8', '0', '0'));
    zbar_image_set_size(image, static_cast<unsigned>(side), static_cast<unsigned>(side));
    zbar_image_set_data(image, grey.data(), grey.size(), nullptr);
    std::string text;
    if (zbar_scan_image(scanner, image) > 0) {
        const zbar_symbol_t* symbol = zbar_image_first_symbol(image);
        text.assign(zbar_symbol_get_data(symbol), zbar_symbol_get_data_length(symbol));
    }
    zbar_image_destroy(image);
    zbar_image_scanner_destroy(scanner);
    return text;
}

}  // namespace

TEST(QrCode, AnAddressReadsBackFromItsModules) {
    for (const std::string& address : std::vector<std::string>{
             "http://192.168.1.20:8080/", "http://[2001:db8::20]:8080/#klasse=12&division=2D",
             "http://zeitnahme-reitplatz-2.kleinweiler.example:8080/" + std::string(200, 'x')}) {
        SCOPED_TRACE(address);
        const std::optional<QrCode> code = MakeQrCode(address);
        ASSERT_TRUE(code);
        EXPECT_EQ(code->size, 17 + 4 * code->version);
        EXPECT_EQ(Scanned(*code), address);
    }
}

TEST(QrCode, AShortAddressGetsASmallCodeAGateCameraReadsFromAfar) {
    // 25 bytes at level M fit version 2: 25 × 25 modules.
    const std::optional<QrCode> code = MakeQrCode("http://192.168.1.20:8080/");
    ASSERT_TRUE(code);
    EXPECT_EQ(code->version, 2);
    EXPECT_EQ(MakeQrCode("http://192.168.1.20:8080/")->dark, code->dark)
        << "the same text, the same code";
    EXPECT_NE(MakeQrCode("http://192.168.1.21:8080/")->dark, code->dark);
}

TEST(QrCode, NothingForAnEmptyTextOrOneNoCodeHolds) {
    EXPECT_FALSE(MakeQrCode(""));
    EXPECT_FALSE(MakeQrCode(std::string(3000, 'a')));  // version 40 at level M holds 2331 bytes
    EXPECT_FALSE(MakeQrCode(std::string("http://a\0b/", 11)));
}
