#include "ui/TFDlgYesNo.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

TFDlgYesNo::TFDlgYesNo(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Corralix"));
    setFixedSize(222, 94);

    Icon = new QLabel(this);
    Icon->setGeometry(4, 14, 32, 32);
    Icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));

    Label1 = new QLabel(QStringLiteral("?"), this);
    Label1->setGeometry(40, 6, 169, 49);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    // A question may carry a rider's name or a file name: shown as typed.
    Label1->setTextFormat(Qt::PlainText);

    OKBtn = new QPushButton(QStringLiteral("Ja"), this);
    OKBtn->setGeometry(39, 60, 75, 25);
    CancelBtn = new QPushButton(QStringLiteral("Nein"), this);
    CancelBtn->setGeometry(135, 60, 75, 25);
    // Neither is the default button: Enter presses whichever has the focus.
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFDlgYesNo::Ask(QWidget* parent, const QString& question, bool yesFocused) {
    TFDlgYesNo dialog(parent);
    dialog.Label1->setText(question);
    // A word wider than the label (a file name) widens the dialog rather than being cut off.
    int widest = 0;
    for (const QString& word :
         QString(question).replace('\n', ' ').split(' ', Qt::SkipEmptyParts)) {
        widest = std::max(widest, dialog.Label1->fontMetrics().horizontalAdvance(word));
    }
    if (const int wider = std::min(widest, 600) - dialog.Label1->width(); wider > 0) {
        dialog.Label1->resize(dialog.Label1->width() + wider, dialog.Label1->height());
        dialog.OKBtn->move(dialog.OKBtn->x() + wider / 2, dialog.OKBtn->y());
        dialog.CancelBtn->move(dialog.CancelBtn->x() + wider / 2, dialog.CancelBtn->y());
        dialog.setFixedSize(dialog.width() + wider, dialog.height());
    }
    const int extra =
        dialog.Label1->heightForWidth(dialog.Label1->width()) - dialog.Label1->height();
    if (extra > 0) {
        dialog.Label1->resize(dialog.Label1->width(), dialog.Label1->height() + extra);
        dialog.OKBtn->move(dialog.OKBtn->x(), dialog.OKBtn->y() + extra);
        dialog.CancelBtn->move(dialog.CancelBtn->x(), dialog.CancelBtn->y() + extra);
        dialog.setFixedSize(dialog.width(), dialog.height() + extra);
    }
    if (parent != nullptr) {
        const QRect owner = parent->window()->frameGeometry();
        dialog.move(owner.center() - dialog.rect().center());
    }
    (yesFocused ? dialog.OKBtn : dialog.CancelBtn)->setFocus();
    return dialog.exec() == QDialog::Accepted;
}
