#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "serial/Comms.h"

class ISerialBackend;
class ISerialDevice;

// A line of text a device sent, without its line end, stamped (MonotonicRawNow) when its first
// byte was read. Lost counts the lines before it that were dropped because the user-interface
// thread was far behind; Overlong marks a line cut at LineReader::MaxLineBytes.
struct ReceivedLine {
    std::string Text;
    std::int64_t Timestamp = 0;
    std::uint32_t Lost = 0;
    bool Overlong = false;
};

// Reads the lines a device sends (a timer's output line, 8N1) on a reader thread of its own and
// hands each to the user-interface thread; a line ends at CR or LF, empty lines are skipped. The
// reader never waits for the user-interface thread; what waits for it is bounded. Every member
// is for the user-interface thread only; the callbacks run there.
class LineReader {
public:
    static constexpr std::size_t MaxLineBytes = 256;
    static constexpr std::size_t MaxPendingLines = 1024;

    LineReader(ISerialBackend& backend, UiPost post);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    std::function<void(const ReceivedLine& line)> OnLine;
    // The device went away (cable pulled, adapter unplugged); the reader is closed then.
    std::function<void()> OnLost;

    // Opens the device at path (a FIFO, a tty) at speed bit/s, 8N1; an open reader is closed
    // first. Raises EComHandle or EComState.
    void Open(const std::string& path, std::uint32_t speed);
    void Close();
    bool Connected() const { return device_ != nullptr; }
    // Closed because its device went away; ends with the next Open or Close.
    bool DeviceLost() const { return deviceLost_; }
    const std::string& Path() const { return path_; }

private:
    class Thread;
    void Lost(std::uint64_t generation);

    ISerialBackend& backend_;
    UiPost post_;
    std::string path_;
    bool deviceLost_ = false;
    std::unique_ptr<ISerialDevice> device_;
    std::unique_ptr<Thread> thread_;
    // Counts opens and closes; closures posted for an older value are dropped.
    std::shared_ptr<std::uint64_t> generation_;
};
