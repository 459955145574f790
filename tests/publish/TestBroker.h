#pragma once

// A real mosquitto on a free loopback port with a configuration of its own, started and stopped
// by the test (or the benchmark), and a plain libmosquitto reader of what it carries.

#include <arpa/inet.h>
#include <fcntl.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace test_broker {

inline std::string MosquittoBinary() {
    for (const char* path :
         {"/usr/sbin/mosquitto", "/usr/bin/mosquitto", "/usr/local/sbin/mosquitto"}) {
        if (::access(path, X_OK) == 0) {
            return path;
        }
    }
    return {};
}

// A port nobody listens on at this moment.
inline int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

// A socket listening on a free loopback port, which it puts in `port`; -1 when none could be had.
inline int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

inline bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// Starts a program quietly (its output goes nowhere); false when it could not be started.
inline bool Spawn(const std::vector<std::string>& command, pid_t& pid) {
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = ::posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    return spawned == 0;
}

// Runs a program to its end: its exit status, -1 when it could not run.
inline int RunCommand(const std::vector<std::string>& command) {
    pid_t pid = 0;
    if (!Spawn(command, pid)) {
        return -1;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Broker {
public:
    // `extra` goes into the configuration after the plain listener's lines; a listener line of
    // its own in `listener` replaces the plain one ("PORT" stands for the port).
    explicit Broker(std::filesystem::path folder, std::string extra = {},
                    std::string listener = "listener PORT 127.0.0.1\nallow_anonymous true\n")
        : folder_(std::move(folder)), port_(FreePort()) {
        // Run by root, mosquitto would read its files as the user "mosquitto", who may not enter
        // the test's private folder.
        std::string config = listener + extra + "persistence false\nlog_dest none\n" +
                             (::geteuid() == 0 ? "user root\n" : "");
        for (auto at = config.find("PORT"); at != std::string::npos; at = config.find("PORT")) {
            config.replace(at, 4, std::to_string(port_));
        }
        std::ofstream(folder_ / "mosquitto.conf") << config;
    }
    ~Broker() { Stop(); }
    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;

    int Port() const { return port_; }

    // True once it takes connections.
    bool Start() {
        if (!Spawn({MosquittoBinary(), "-c", (folder_ / "mosquitto.conf").string()}, pid_)) {
            pid_ = 0;
            return false;
        }
        for (int i = 0; i < 500; ++i) {
            if (Accepts(port_)) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    void Stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = 0;
        }
    }

private:
    std::filesystem::path folder_;
    int port_;
    pid_t pid_ = 0;
};

// Subscribes to a filter and keeps the latest payload of each topic, and every payload in order.
class Reader {
public:
    Reader(int port, const std::string& filter, int qos = 1) : filter_(filter), qos_(qos) {
        mosquitto_lib_init();
        client_ = mosquitto_new(nullptr, true, this);
        mosquitto_connect_callback_set(client_, [](mosquitto* client, void* self, int rc) {
            auto* reader = static_cast<Reader*>(self);
            if (rc == 0) {
                mosquitto_subscribe(client, nullptr, reader->filter_.c_str(), reader->qos_);
            }
        });
        mosquitto_message_callback_set(
            client_, [](mosquitto*, void* self, const mosquitto_message* message) {
                auto* reader = static_cast<Reader*>(self);
                const std::string payload(static_cast<const char*>(message->payload),
                                          static_cast<std::size_t>(message->payloadlen));
                {
                    std::lock_guard lock(reader->mutex_);
                    reader->latest_[message->topic] = payload;
                    reader->all_.emplace_back(message->topic, payload);
                }
                if (reader->OnMessage) {
                    reader->OnMessage(message->topic, payload);
                }
                reader->changed_.notify_all();
            });
        mosquitto_reconnect_delay_set(client_, 1, 1, false);
        mosquitto_connect_async(client_, "127.0.0.1", port, 10);
        mosquitto_loop_start(client_);
    }
    ~Reader() {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, true);
        mosquitto_destroy(client_);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Waits until the topic's latest payload satisfies `test`; true when it did in time.
    bool WaitFor(const std::string& topic, const std::function<bool(const std::string&)>& test,
                 int ms = 5000) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] {
            const auto found = latest_.find(topic);
            return found != latest_.end() && test(found->second);
        });
    }
    std::string Latest(const std::string& topic) {
        std::lock_guard lock(mutex_);
        const auto found = latest_.find(topic);
        return found == latest_.end() ? std::string() : found->second;
    }
    std::map<std::string, std::string> LatestAll() {
        std::lock_guard lock(mutex_);
        return latest_;
    }

    // Called on the reader's thread for every message.
    std::function<void(const std::string&, const std::string&)> OnMessage;

private:
    std::string filter_;
    int qos_;
    mosquitto* client_ = nullptr;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::string> latest_;
    std::vector<std::pair<std::string, std::string>> all_;
};

}  // namespace test_broker
