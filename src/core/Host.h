#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/CfgExchange.h"
#include "config/WindowPlacement.h"
#include "files/Report.h"
#include "timing/TimingPorts.h"

// What only the desktop can do for the competition. The program passes Qt adapters, tests fakes.
// Every call runs on the user-interface thread.

// Makes timers of the user-interface thread; a timer calls `expired` on every expiry while it
// is active.
class ITimerFactory {
public:
    virtual ~ITimerFactory() = default;
    virtual std::unique_ptr<ITimer> MakeTimer(std::function<void()> expired) = 0;
};

// Questions and messages to the operator, and the choice of files. Each is modal: timer ticks and
// light-barrier events go on being handled while it waits.
class IOperator {
public:
    virtual ~IOperator() = default;
    // The answer a yes/no question starts on, so a reflex Enter gives it.
    enum class Focus { Nein, Ja };
    // A yes/no question; true only for "Ja". The focus starts on "Nein" unless the question is
    // one where throwing something away is the risky answer.
    virtual bool Ask(const std::string& question, Focus focus = Focus::Nein) = 0;
    virtual void ShowError(const std::string& message) = 0;
    virtual void ShowMessage(const std::string& message) = 0;
    // The chosen file, nothing when the operator cancelled. Filters read "Textdatei (*.txt)".
    virtual std::optional<std::string> ChooseFileToOpen(
        const std::string& folder, const std::vector<std::string>& filters) = 0;
    virtual std::optional<std::string> ChooseFileToSave(
        const std::string& proposal, const std::vector<std::string>& filters) = 0;
    // Ends any editing of table cells, so the rows can move without text landing in another
    // starter's row.
    virtual void CommitEdits() = 0;
    // The settings dialog with these values and the port lamp (with the reason the configured
    // port is not open); the confirmed values, nothing after "Abbrechen".
    virtual std::optional<CfgValues> EditSettings(const CfgValues& values, PortLamp lamp,
                                                  const std::string& reason) = 0;
    // The information window, with the phone page's address as a QR code (empty: none).
    virtual void ShowInformation(const std::string& pageAddress) = 0;
    // The busy cursor while the program reads a workbook or writes a report and takes no input;
    // every true is followed by a false.
    virtual void ShowBusy(bool busy) = 0;
};

// Documents handed to the desktop's programs.
class IDesktop {
public:
    virtual ~IDesktop() = default;
    // Opens the file in the desktop's program for its type; false when nothing could take it.
    virtual bool OpenDocument(const std::string& path) = 0;
    // Prints a report through the print dialog; empty when printed or cancelled, else the
    // message for the operator.
    virtual std::string PrintReport(const Report& report) = 0;
    // Writes the printed form of a report to path as a PDF; empty on success, else the message.
    virtual std::string WritePdf(const Report& report, const std::string& path) = 0;
    // The screens present, in the platform's order.
    virtual std::vector<Rect> Screens() const = 0;
};
