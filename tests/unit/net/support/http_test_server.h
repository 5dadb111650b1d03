#pragma once
// tests/servers/http_server.py as a child of the test: started on 127.0.0.1 with a free port
// (HTTP, or HTTPS with a test certificate), its request log collected, ended and waited for when
// the object goes.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "unit/net/support/test_certificates.h"

namespace testing_support {

class HttpTestServer {
 public:
  // On 127.0.0.1 with a free port, or on `host`:`port` (loopback only); Port() is 0 when the
  // server could not listen there.
  explicit HttpTestServer(const std::string& host = "", int port = 0)
      : host_(host.empty() ? "127.0.0.1" : host) {
    std::vector<std::string> args;
    if (!host.empty()) args = {host, std::to_string(port)};
    Start(args);
  }
  // HTTPS on 127.0.0.1 with a free port, showing `tls`; Url() then names `urlHost` ("localhost",
  // the name the certificate is checked against).
  HttpTestServer(const CertificatePair& tls, const std::string& urlHost = "localhost")
      : host_(urlHost), scheme_("https") {
    Start({"--cert", tls.cert, "--key", tls.key});
  }
  // Another server script of tests/servers with the same protocol (PORT and REQ lines, ends
  // with its input), over HTTPS with `tls` and further arguments.
  HttpTestServer(const CertificatePair& tls, const std::string& urlHost, const std::string& script,
                 const std::vector<std::string>& args)
      : host_(urlHost), scheme_("https"), script_(script) {
    std::vector<std::string> all{"--cert", tls.cert, "--key", tls.key};
    all.insert(all.end(), args.begin(), args.end());
    Start(all);
  }
  ~HttpTestServer() {
    if (stdin_ >= 0) ::close(stdin_);
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    if (reader_.joinable()) reader_.join();
  }
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  [[nodiscard]] int Port() const { return port_; }
  [[nodiscard]] std::string Url(const std::string& path) const {
    return scheme_ + "://" + host_ + ":" + std::to_string(port_) + path;
  }
  // The "REQ ..." lines logged so far.
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  // Waits (real time) until `done` holds; false on time-out. `done` runs under the server's lock:
  // it may read the members but not call Requests() or CountRequests().
  bool WaitFor(const std::function<bool()>& done, int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms), done);
  }
  // How many logged requests contain `text`.
  int CountRequests(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    return CountLocked(text);
  }
  // Waits (real time) until a logged request contains `text`; false on time-out.
  bool WaitForRequest(const std::string& text, int ms) {
    return WaitFor([&] { return CountLocked(text) > 0; }, ms);
  }

 private:
  void Start(std::vector<std::string> args) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    args.insert(args.begin(), std::string(STAYLINE_SOURCE_DIR) + "/tests/servers/" + script_);
    args.insert(args.begin(), "python3");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv("/usr/bin/python3", argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    reader_ = std::thread([this, fd = out[0]] { ReadLines(fd); });
    WaitFor([this] { return port_ != 0 || ended_; }, 10000);
  }

  std::string host_;
  std::string scheme_ = "http";
  std::string script_ = "http_server.py";

  int CountLocked(const std::string& text) const {
    int n = 0;
    for (const std::string& r : requests_) n += r.find(text) != std::string::npos;
    return n;
  }

  void ReadLines(int fd) {
    std::string pending;
    char buf[4096];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) break;
      pending.append(buf, static_cast<std::size_t>(n));
      std::size_t end;
      while ((end = pending.find('\n')) != std::string::npos) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        std::lock_guard<std::mutex> lock(mutex_);
        if (line.rfind("PORT ", 0) == 0) port_ = std::stoi(line.substr(5));
        if (line.rfind("REQ ", 0) == 0) requests_.push_back(line);
        changed_.notify_all();
      }
    }
    ::close(fd);
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    changed_.notify_all();
  }

  pid_t pid_ = -1;
  int stdin_ = -1;
  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int port_ = 0;
  bool ended_ = false;
  std::vector<std::string> requests_;
};

}  // namespace testing_support
