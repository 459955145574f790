// A chattering contact: floods the simulated light barrier (a FIFO) with about 1 MB/s of line
// changes for 10 s through the program's real hand-over (Qt's queued calls), while a key press is
// posted to the same event queue every 10 ms. Prints the memory (RSS) before, at most and after,
// and how late the key presses ran.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "ProcessMemory.h"
#include "clock/MonotonicClock.h"
#include "serial/Comms.h"
#include "serial/LinuxSerialBackend.h"

namespace {

constexpr std::int64_t FloodNs = 10'000'000'000;
constexpr std::size_t BytesPerMs = 1000;

void SpinFor(std::int64_t ns) {
    const std::int64_t until = MonotonicRawNow() + ns;
    while (MonotonicRawNow() < until) {
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    char folder[] = "/tmp/corralix-flood-XXXXXX";
    if (!mkdtemp(folder)) {
        return 1;
    }
    const std::string fifo = std::string(folder) + "/barrier";
    mkfifo(fifo.c_str(), 0600);

    LinuxSerialBackend backend;
    QObject ui;
    const auto post = [&ui](std::function<void()> call) {
        QMetaObject::invokeMethod(&ui, std::move(call), Qt::QueuedConnection);
    };
    TComPort port(backend, post);
    port.DevicePath = fifo;
    port.OnCTS = [](TComPort&) { SpinFor(20'000); };  // the engine and the windows at work
    port.Open();
    const double rssBefore = RssMb();
    double rssMax = rssBefore;

    std::atomic<bool> flooding{true};
    std::atomic<std::uint64_t> written{0};
    std::thread writer([&] {
        const int out = ::open(fifo.c_str(), O_WRONLY);
        const std::string chunk = [] {
            std::string bytes;
            while (bytes.size() < BytesPerMs) {
                bytes += "10";
            }
            return bytes;
        }();
        const std::int64_t start = MonotonicRawNow();
        for (std::int64_t tick = start; tick - start < FloodNs; tick += 1'000'000) {
            written += static_cast<std::uint64_t>(
                std::max<ssize_t>(0, ::write(out, chunk.data(), chunk.size())));
            while (MonotonicRawNow() < tick + 1'000'000) {
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
        }
        ::close(out);
        flooding = false;
    });
    std::vector<double> keyDelays;
    std::thread keys([&] {
        while (flooding) {
            const std::int64_t posted = MonotonicRawNow();
            post([&keyDelays, posted] { keyDelays.push_back((MonotonicRawNow() - posted) / 1e6); });
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        rssMax = std::max(rssMax, RssMb());
        if (!flooding) {
            app.quit();
        }
    });
    sample.start(100);
    app.exec();
    writer.join();
    keys.join();
    QCoreApplication::processEvents();
    const std::uint64_t edges = port.EdgeCount();
    port.Close();
    ::unlink(fifo.c_str());
    ::rmdir(folder);

    std::sort(keyDelays.begin(), keyDelays.end());
    const double p99 =
        keyDelays.empty()
            ? 0
            : keyDelays[static_cast<std::size_t>(std::ceil(0.99 * keyDelays.size())) - 1];
    std::printf("bytes written %.1f MB, edges delivered %llu, key presses %zu\n", written / 1e6,
                static_cast<unsigned long long>(edges), keyDelays.size());
    std::printf(
        "serial flood 1 MB/s for 10 s: RSS %.1f MB -> max %.1f MB, key delay p99 %.2f ms, max %.2f "
        "ms\n",
        rssBefore, rssMax, p99, keyDelays.empty() ? 0 : keyDelays.back());
    return 0;
}
