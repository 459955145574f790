#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "core/Host.h"

// A timer of the user-interface thread driving one handler of the logic. It repeats until the
// logic stops it, so it is still active while the handler runs (the logic tells a live expiry
// from a stale one that way).
class QtTimer : public ITimer {
public:
    explicit QtTimer(std::function<void()> expired);
    void Start(int intervalMs) override;
    void Stop() override { timer_.stop(); }
    bool IsActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

class QTranslator;

// The spectator window stays on top of every other window; the program's own dialogs and
// questions go above it, so on a single screen none opens out of the operator's reach.
void KeepAboveSpectators(QWidget& dialog);
// The window a dialog opens over: the spectator window while it covers part of the main window
// (one screen), since a window manager keeps a dialog in the stacking layer of the window it
// belongs to; else the main window.
QWidget* DialogOwner(QWidget* window, QWidget* spectators);

// Qt's own texts in German (file and print dialogs, standard buttons), from the translations
// installed with Qt; nothing when they are missing. Install it in the application.
std::unique_ptr<QTranslator> QtGermanTexts();

// The system's decimal separator for time texts; "," when it is not a single ASCII character.
char SystemDecimalSeparator();

class QtTimerFactory : public ITimerFactory {
public:
    std::unique_ptr<ITimer> MakeTimer(std::function<void()> expired) override;
};

// Questions, messages and file dialogs over the main window. UI thread only.
class QtOperator : public IOperator {
public:
    // Dialogs are centred on window; commitEdits ends the editing of table cells.
    void Attach(QWidget* window, std::function<void()> commitEdits);
    // Dialogs go over the spectator window while it covers the main window.
    void AttachSpectators(QWidget* spectators) { spectators_ = spectators; }

    bool Ask(const std::string& question, Focus focus) override;
    void ShowError(const std::string& message) override;
    void ShowMessage(const std::string& message) override;
    std::optional<std::string> ChooseFileToOpen(const std::string& folder,
                                                const std::vector<std::string>& filters) override;
    std::optional<std::string> ChooseFileToSave(const std::string& proposal,
                                                const std::vector<std::string>& filters) override;
    void CommitEdits() override;
    std::optional<CfgValues> EditSettings(const CfgValues& values, PortLamp lamp,
                                          const std::string& reason) override;
    void ShowInformation(const std::string& pageAddress) override;
    void ShowBusy(bool busy) override;

private:
    void Tell(QMessageBox::Icon icon, const std::string& message);
    QWidget* Owner() const;

    QPointer<QWidget> window_;
    QPointer<QWidget> spectators_;
    std::function<void()> commitEdits_;
};

// Opens documents in the desktop's programs and prints reports over the main window.
class QtDesktop : public IDesktop {
public:
    void Attach(QWidget* window) { window_ = window; }
    void AttachSpectators(QWidget* spectators) { spectators_ = spectators; }
    bool OpenDocument(const std::string& path) override;
    std::string PrintReport(const Report& report) override;
    std::string WritePdf(const Report& report, const std::string& path) override;
    std::vector<Rect> Screens() const override;

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> spectators_;
};
