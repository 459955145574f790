#pragma once

// Lines the serial tests drive: the in-memory fake, a FIFO (the simulated light barrier) and a
// pseudo-terminal.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "clock/MonotonicClock.h"
#include "serial/Comms.h"
#include "serial/LinuxSerialBackend.h"
#include "support/FakeSerialBackend.h"

class FakeLine {
public:
    FakeLine() { backend.AddDevice(path); }
    void SetCts(bool on) { backend.SetModemStatus(path, on ? ModemCtsOn : 0, MonotonicRawNow()); }

    FakeSerialBackend backend;
    const std::string path = "/dev/ttyS0";
};

class FifoLine {
public:
    FifoLine() {
        char dir[] = "/tmp/corralix-serial-XXXXXX";
        dir_ = mkdtemp(dir);
        path = dir_ + "/lightbarrier";
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
        writer_ = open(path.c_str(), O_RDWR | O_NONBLOCK);
        EXPECT_GE(writer_, 0);
    }
    ~FifoLine() {
        close(writer_);
        unlink(path.c_str());
        rmdir(dir_.c_str());
    }
    void Write(const std::string& bytes) {
        EXPECT_EQ(write(writer_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void SetCts(bool on) { Write(on ? "1" : "0"); }

    LinuxSerialBackend backend;
    std::string path;

private:
    std::string dir_;
    int writer_ = -1;
};

// A pseudo-terminal; path is its terminal side, the test holds the other.
class PtyLine {
public:
    PtyLine() : master_(posix_openpt(O_RDWR | O_NOCTTY)) {
        EXPECT_GE(master_, 0);
        EXPECT_EQ(grantpt(master_), 0);
        EXPECT_EQ(unlockpt(master_), 0);
        path = ptsname(master_);
    }
    ~PtyLine() { Hangup(); }
    // Sends bytes down the line, as a device at its end does.
    void Write(const std::string& bytes) {
        EXPECT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Closing the other side hangs the terminal up, as pulling a USB adapter does.
    void Hangup() {
        if (master_ >= 0) {
            close(master_);
            master_ = -1;
        }
    }

    LinuxSerialBackend backend;
    std::string path;

private:
    int master_;
};
