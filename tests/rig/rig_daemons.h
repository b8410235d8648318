// Hamlib's daemons and two broken stand-ins on localhost for the rig tests:
// a free port, rigctld/rotctld started on it and stopped again, and servers
// that take the connection and then never answer or cut the reply short.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vek::rig::testing {

inline int AnyFreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

// A port nobody listens on, never the same one twice in a test program.
inline int FreePort() {
  static std::set<int> given;
  for (;;) {
    const int port = AnyFreePort();
    if (given.insert(port).second) return port;
  }
}

inline bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

// rigctld or rotctld with model 1 (Hamlib's dummy) on `port`, for the test's lifetime.
class Daemon {
 public:
  Daemon(const char* program, int port) : port_(port) {
    const std::string p = std::to_string(port);
    std::vector<std::string> args = {program, "-m", "1", "-T", "127.0.0.1", "-t", p};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, program, nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
    for (int i = 0; i < 200 && pid_ && !Accepts(port); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  ~Daemon() {
    if (!pid_) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  bool running() const { return pid_ != 0 && Accepts(port_); }

 private:
  pid_t pid_ = 0;
  int port_;
};

// A server that accepts and then either never answers or answers half a
// line and closes; `requests` counts what it was asked.
class BrokenServer {
 public:
  enum class Kind { kSilent, kCutsReplies };
  BrokenServer(Kind kind, int port) : kind_(kind) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd_, 8);
    thread_ = std::thread([this] { Serve(); });
  }
  ~BrokenServer() {
    stop_ = true;
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
    thread_.join();
    for (int c : clients_) close(c);
  }
  int requests() const { return requests_; }

 private:
  void Serve() {
    while (!stop_) {
      const int c = accept(fd_, nullptr, nullptr);
      if (c < 0) return;
      char buffer[256];
      if (kind_ == Kind::kSilent) {
        clients_.push_back(c);  // held open, never answered
        if (recv(c, buffer, sizeof buffer, 0) > 0) ++requests_;
        continue;
      }
      if (recv(c, buffer, sizeof buffer, 0) > 0) ++requests_;
      const char half[] = "14507";
      send(c, half, sizeof half - 1, MSG_NOSIGNAL);
      close(c);
    }
  }
  Kind kind_;
  int fd_ = -1;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::vector<int> clients_;
};

}  // namespace vek::rig::testing
