// A small HTTP server with byte ranges (tests/support/range_server.py, Python's standard library only) on
// 127.0.0.1, serving a folder the test made, for the tests of scenes on a server. It counts the body bytes
// it served.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace rangeserver {

class RangeServer {
public:
    // Serves `folder`; its state (port, bytes served) goes to a folder beside it.
    explicit RangeServer(const std::filesystem::path& folder) : state_(folder.string() + "-server") {
        std::filesystem::remove_all(state_);
        std::filesystem::create_directories(state_);
        const std::string script = std::string(ORVENNA_SOURCE_DIR) + "/tests/support/range_server.py";
        pid_ = fork();
        if (pid_ == 0) {
            execlp("python3", "python3", script.c_str(), folder.c_str(), state_.c_str(), nullptr);
            _exit(127);
        }
        for (int i = 0; i < 200 && port_ == 0; ++i) {
            std::ifstream in(state_ / "port");
            if (!(in >> port_)) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    ~RangeServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::filesystem::remove_all(state_);
    }
    RangeServer(const RangeServer&) = delete;
    RangeServer& operator=(const RangeServer&) = delete;

    bool running() const { return port_ != 0; }
    std::string url(const std::string& name) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
    }
    // Body bytes served so far.
    long long served() const {
        long long n = -1;
        std::ifstream in(state_ / "served");
        in >> n;
        return n;
    }

private:
    std::filesystem::path state_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// A socket on 127.0.0.1 that takes connections (the system completes them) and never answers a request.
class SilentServer {
public:
    SilentServer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&at), size) == 0 && listen(fd_, 16) == 0 &&
            getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &size) == 0)
            port_ = ntohs(at.sin_port);
    }
    ~SilentServer() {
        if (fd_ >= 0) close(fd_);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    std::string url(const std::string& name) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace rangeserver
