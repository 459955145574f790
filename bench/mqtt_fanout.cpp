// Results through a broker to a crowd: a real mosquitto on loopback, 500 subscribers of
// "corralix/#" (QoS 0, as the show board reads), and the program's publisher driven at a show's
// pace (an entry a second, every tenth second a burst of ten) while the 10 ms run clock ticks on
// the main thread, which also takes the snapshots and hands them to the publisher, as the program's
// UI thread does. Figures: how long after Publish the last of the 500 readers had the change (or a
// later one: only the latest of a topic matters), how late the clock tick came, and the changes
// some reader never saw. Usage: mqtt_fanout [seconds, default 20] [subscribers, default 500]
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../tests/files/TempFolder.h"
#include "../tests/publish/TestBroker.h"
#include "BenchShared.h"
#include "Percentile.h"
#include "clock/MonotonicClock.h"
#include "files/LiveResults.h"
#include "publish/MosquittoPublisher.h"
#include "results/Standing.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// What the readers saw of the changes, numbered 1, 2, ... in the order they were published.
struct Arrivals {
    explicit Arrivals(int changes, int readers)
        : count(static_cast<std::size_t>(changes) + 1), lastAt(count.size()), readers(readers) {}
    std::vector<std::atomic<int>> count;
    std::vector<std::atomic<Clock::rep>> lastAt;
    const int readers;

    // A reader that had every change up to `from` now has `to`: those between are also seen.
    void Seen(int from, int to, Clock::time_point at) {
        for (int change = from + 1; change <= to && change < static_cast<int>(count.size());
             ++change) {
            if (++count[static_cast<std::size_t>(change)] == readers) {
                lastAt[static_cast<std::size_t>(change)] = at.time_since_epoch().count();
            }
        }
    }
};

// The change a results message carries: its board's start number.
int ChangeOf(const std::string& payload) {
    const std::string key = "\"startNumber\":\"";
    const auto at = payload.find(key);
    return at == std::string::npos ? 0 : std::atoi(payload.c_str() + at + key.size());
}

struct Subscriber {
    mosquitto* client = nullptr;
    int seen = 0;  // the latest change this reader has
    Arrivals* arrivals = nullptr;
};

// The readers of one thread: their sockets polled together, as a broker's fan-out is read.
void PollReaders(std::vector<Subscriber*> readers, const std::atomic<bool>& stop) {
    std::vector<pollfd> fds(readers.size());
    while (!stop) {
        for (std::size_t i = 0; i < readers.size(); ++i) {
            fds[i] = {mosquitto_socket(readers[i]->client),
                      static_cast<short>(POLLIN |
                                         (mosquitto_want_write(readers[i]->client) ? POLLOUT : 0)),
                      0};
        }
        ::poll(fds.data(), fds.size(), 20);
        for (std::size_t i = 0; i < readers.size(); ++i) {
            if (fds[i].revents & POLLIN) {
                mosquitto_loop_read(readers[i]->client, 1);
            }
            if (fds[i].revents & POLLOUT) {
                mosquitto_loop_write(readers[i]->client, 1);
            }
            mosquitto_loop_misc(readers[i]->client);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 20;
    const int readerCount = argc > 2 ? std::max(1, std::atoi(argv[2])) : 500;
    if (test_broker::MosquittoBinary().empty()) {
        std::printf("mosquitto is not installed (apt-get install mosquitto)\n");
        return 1;
    }
    TempFolder folder;
    test_broker::Broker broker(folder.Path(), "max_queued_messages 10000\n");
    if (!broker.Start()) {
        std::printf("mosquitto did not start\n");
        return 1;
    }
    mosquitto_lib_init();

    // The publisher first: libmosquitto waits on its socket with select(), which takes only the
    // first 1024 descriptors, and each reader below takes three.
    MosquittoPublisher publisher;
    BrokerSettings settings;
    settings.Enabled = true;
    settings.Host = "127.0.0.1";
    settings.Port = broker.Port();
    settings.Arena = "Halle 1";
    publisher.Start(settings);
    // It connects once the first snapshot names the show.
    BrokerSnapshot first{"Herbstturnier", {}};
    first.Live.announcer.className = "Open";
    publisher.Publish(first);
    while (publisher.Status().State != BrokerState::Connected) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // An entry a second and every tenth second nine more: 1.9 changes a second on average.
    const int changes = seconds + seconds / 10 * 9 + 10;
    Arrivals arrivals(changes, readerCount);
    std::vector<std::unique_ptr<Subscriber>> readers;
    for (int i = 0; i < readerCount; ++i) {
        auto reader = std::make_unique<Subscriber>();
        reader->arrivals = &arrivals;
        reader->client = mosquitto_new(nullptr, true, reader.get());
        mosquitto_message_callback_set(reader->client, [](mosquitto*, void* self,
                                                          const mosquitto_message* message) {
            auto* reader = static_cast<Subscriber*>(self);
            const std::string topic = message->topic;
            if (topic.find("/results/") == std::string::npos) {
                return;
            }
            const int change = ChangeOf(std::string(static_cast<const char*>(message->payload),
                                                    static_cast<std::size_t>(message->payloadlen)));
            if (change > reader->seen) {
                reader->arrivals->Seen(reader->seen, change, Clock::now());
                reader->seen = change;
            }
        });
        if (mosquitto_connect(reader->client, "127.0.0.1", broker.Port(), 30) != MOSQ_ERR_SUCCESS ||
            mosquitto_subscribe(reader->client, nullptr, "corralix/#", 0) != MOSQ_ERR_SUCCESS) {
            std::printf("subscriber %d could not connect\n", i);
            return 1;
        }
        readers.push_back(std::move(reader));
    }
    std::atomic<bool> stop = false;
    std::vector<std::thread> threads;
    constexpr int ReaderThreads = 4;
    for (int t = 0; t < ReaderThreads; ++t) {
        std::vector<Subscriber*> mine;
        for (std::size_t i = static_cast<std::size_t>(t); i < readers.size(); i += ReaderThreads) {
            mine.push_back(readers[i].get());
        }
        threads.emplace_back(PollReaders, std::move(mine), std::cref(stop));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    ResultTable table = MakeTable(80);
    std::vector<Clock::time_point> publishedAt(static_cast<std::size_t>(changes) + 1);
    std::vector<double> publishMs;
    int change = 0;
    // An entry as the program makes it: a total written, the snapshot taken and handed over; the
    // run clock stops for it and starts again for the next rider.
    auto enter = [&] {
        ++change;
        const int row = 1 + change % 80;
        table.SetCell(ColTotal, row,
                      FormatTimeText(15000 + change * 7, ',', Resolution::Hundredths));
        const auto began = Clock::now();
        BrokerSnapshot snapshot{
            "Herbstturnier",
            MakeLiveSnapshot(MakeStanding(table, {}, {}),
                             {"Barrel Racing", std::to_string(change), "Rider", "Horse", false},
                             true)};
        snapshot.Live.announcer.className = "Open";
        snapshot.Live.announcer.clock =
            change % 2 ? AnnouncerClock::Running : AnnouncerClock::Stopped;
        snapshot.Live.announcer.startMs = MonotonicRawNow() / 1'000'000;
        publisher.Publish(snapshot);
        publishedAt[static_cast<std::size_t>(change)] = began;
        publishMs.push_back(MsSince(began, Clock::now()));
    };

    // The main thread is the program's UI thread: the 10 ms clock tick, and the entries between.
    std::vector<double> lateMs;
    const auto start = Clock::now();
    const int ticks = seconds * 100;
    for (int tick = 1; tick <= ticks; ++tick) {
        const auto due = start + std::chrono::milliseconds(10 * tick);
        std::this_thread::sleep_until(due);
        lateMs.push_back(MsSince(due, Clock::now()));
        if (tick % 100 == 0) {
            enter();
            if (tick % 1000 == 0) {
                for (int burst = 0; burst < 9; ++burst) {
                    enter();
                }
            }
        }
    }
    // The last changes have a moment to arrive.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    stop = true;
    for (std::thread& thread : threads) {
        thread.join();
    }
    publisher.Stop();

    std::vector<double> lastReaderMs;
    int lost = 0;
    for (int c = 1; c <= change; ++c) {
        const auto index = static_cast<std::size_t>(c);
        const int missing = readerCount - arrivals.count[index];
        lost += missing;
        if (missing == 0) {
            const Clock::time_point at{Clock::duration(arrivals.lastAt[index].load())};
            lastReaderMs.push_back(MsSince(publishedAt[index], at));
        }
    }
    for (auto& reader : readers) {
        mosquitto_disconnect(reader->client);
        mosquitto_destroy(reader->client);
    }
    broker.Stop();

    std::printf("changes published %d in %d s, messages handed to the broker %llu\n", change,
                seconds, static_cast<unsigned long long>(publisher.SentCount()));
    std::printf("snapshot + publish on the UI thread: p50 %.3f ms, max %.3f ms\n",
                Percentile(publishMs, 0.5), *std::max_element(publishMs.begin(), publishMs.end()));
    if (!lastReaderMs.empty()) {
        std::printf("change to last reader: p50 %.1f ms, max %.1f ms\n",
                    Percentile(lastReaderMs, 0.5),
                    *std::max_element(lastReaderMs.begin(), lastReaderMs.end()));
    }
    std::printf("clock ticks %zu, late p50 %.2f ms, max %.2f ms\n", lateMs.size(),
                Percentile(lateMs, 0.5), *std::max_element(lateMs.begin(), lateMs.end()));
    std::printf(
        "mqtt fan-out %d subscribers: change to last reader p99 %.1f ms, tick p99 %.2f ms, lost "
        "%d\n",
        readerCount, lastReaderMs.empty() ? -1.0 : Percentile99(lastReaderMs), Percentile99(lateMs),
        lost);
    return 0;
}
