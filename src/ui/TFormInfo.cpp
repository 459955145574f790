#include "ui/TFormInfo.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>

#include "files/QrCode.h"
#include "ui/Pictures.h"
#include "ui/QrDrawing.h"
#include "ui/TLbSpeedButton.h"

namespace {

// A label whose right edge stays at `right` whatever its text's width.
QLabel* RightAligned(QWidget* parent, const char* text, const QFont& font, int right, int top) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label->adjustSize();
    label->move(right - label->width(), top);
    return label;
}

}  // namespace

TFormInfo::TFormInfo(const std::string& pageAddress, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Information");
    // A fixed dialog frame without buttons in its title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(256, 421);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    background.setColor(QPalette::WindowText, Qt::black);
    setPalette(background);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setGeometry(10, 4, 238, 65);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(MakerLogo());

    auto* Panel1 = new QFrame(this);
    Panel1->setGeometry(8, 48, 38, 38);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    ImageICON = new QLabel(Panel1);
    ImageICON->setGeometry(3, 3, 32, 32);
    const QPixmap icon = QApplication::windowIcon().pixmap(32, 32);
    ImageICON->setPixmap(icon);
    // Without the program's picture the sunken frame would stand empty.
    Panel1->setVisible(!icon.isNull());

    QFont name("Arial");
    name.setPixelSize(24);
    name.setBold(true);
    name.setUnderline(true);
    Label1 = RightAligned(this, "Corralix", name, 248, 67);
    Label1->setStyleSheet("color: #800000;");

    // Arial (Liberation Sans on Linux) is about as wide as the classic dialog font; the usual
    // fallback sans is too wide for "Einverstanden" beside its glyph.
    QFont plain("Arial");
    plain.setPixelSize(15);
    LabelVer = RightAligned(this, "Version 0.98 (26.04.2026)", plain, 247, 98);

    Label3 = new QLabel(CopyrightLine, this);
    Label3->setFont(plain);
    Label3->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label3->setGeometry(9, 132, 211, Label3->sizeHint().height());

    // Between the copyright line and the button: the live results for a phone's camera.
    ImageQr = new QLabel(this);
    ImageQr->setAlignment(Qt::AlignCenter);
    ImageQr->setGeometry(8, 160, 240, 150);
    LabelQr = new QLabel(QString::fromStdString(pageAddress), this);
    QFont small("Arial");
    small.setPixelSize(12);
    LabelQr->setFont(small);
    LabelQr->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    LabelQr->setGeometry(8, 312, 240, 18);
    LabelQr->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const std::optional<QrCode> code = MakeQrCode(pageAddress);
    if (code) {
        ImageQr->setPixmap(QrPixmap(*code, 150));
    }
    ImageQr->setVisible(code.has_value());
    LabelQr->setVisible(code.has_value());

    sOK = new TLbSpeedButton(this);
    sOK->setGeometry(56, 342, 145, 28);
    QFont bold = plain;
    bold.setBold(true);
    sOK->setFont(bold);
    ButtonLook look = sOK->Look();
    look.Caption = "Einverstanden";
    look.Color = 0xC0C0C0;
    look.HotTrackColor = 0xD4D4D4;
    look.ColorWhenDown = 0xB0B0B0;
    sOK->SetLook(look);
    sOK->SetAlignment(Qt::AlignHCenter);
    sOK->SetGlyph(
        GlyphPicture(Glyph::Ok).scaled(20, 20, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    connect(sOK, &QAbstractButton::clicked, this, &QDialog::accept);
}

void TFormInfo::keyPressEvent(QKeyEvent* event) {
    // Read and confirmed: Enter closes it as "Einverstanden" does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
