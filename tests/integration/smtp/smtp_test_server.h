#pragma once
// The local SMTP server of tests/servers/smtp_server.py as a child of the test: bound to a free
// port on 127.0.0.1, killed and waited for when the object goes (its stdin is our pipe, so it
// also ends when the test dies). The mails it accepted are read back from its folder.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace smtptest {

struct ReceivedMail {
  std::string From;             // MAIL FROM
  std::vector<std::string> To;  // RCPT TO, in order
  std::string Data;             // the message as received, dots of transparency removed
};

enum class ServerTls { None, StartTls, Implicit };

struct ServerOptions {
  std::string Auth;      // "user:password": AUTH required, LOGIN and PLAIN offered
  bool NoLogin = false;  // with Auth: PLAIN only, no login required
  ServerTls Tls = ServerTls::None;
  std::string Cert, Key;  // the certificate shown with TLS
};

class TestSmtpServer {
 public:
  using Options = ServerOptions;

  // Nothing when the server cannot run here (no python3 / aiosmtpd): the test then skips.
  static std::unique_ptr<TestSmtpServer> Start(const Options& options = {}) {
    if (::access("/usr/bin/python3", X_OK) != 0) return nullptr;
    std::unique_ptr<TestSmtpServer> s(new TestSmtpServer);
    std::string tmpl = (std::filesystem::temp_directory_path() / "stayline-smtp-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return nullptr;
    s->dir_ = tmpl;
    std::vector<std::string> argv{
        "/usr/bin/python3", std::string(STAYLINE_SOURCE_DIR) + "/tests/servers/smtp_server.py",
        "--out", s->dir_};
    if (!options.Auth.empty()) {
      argv.push_back("--auth");
      argv.push_back(options.Auth);
      if (options.NoLogin) argv.push_back("--no-login");
    }
    if (options.Tls != ServerTls::None) {
      argv.insert(argv.end(), {"--cert", options.Cert, "--key", options.Key,
                               options.Tls == ServerTls::StartTls ? "--starttls" : "--tls"});
    }
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return nullptr;
    if (::pipe2(out, O_CLOEXEC) != 0) return nullptr;
    s->pid_ = ::fork();
    if (s->pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      std::vector<char*> args;
      for (auto& a : argv) args.push_back(a.data());
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      std::_Exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    s->stdin_ = in[1];
    // "PORT <n>" within a few seconds, else the server is not usable here.
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{out[0], POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) continue;
      char buf[128];
      const ssize_t n = ::read(out[0], buf, sizeof buf);
      if (n <= 0) break;
      text.append(buf, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    if (text.rfind("PORT ", 0) != 0) return nullptr;
    s->port_ = std::atoi(text.c_str() + 5);
    return s->port_ > 0 ? std::move(s) : nullptr;
  }

  ~TestSmtpServer() {
    Stop();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  TestSmtpServer(const TestSmtpServer&) = delete;
  TestSmtpServer& operator=(const TestSmtpServer&) = delete;

  [[nodiscard]] int Port() const { return port_; }
  [[nodiscard]] const std::string& Folder() const { return dir_; }

  // Ends the server now; its port refuses connections afterwards.
  void Stop() {
    if (stdin_ >= 0) ::close(stdin_);
    stdin_ = -1;
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

  // The mails accepted so far, oldest first.
  [[nodiscard]] std::vector<ReceivedMail> Mails() const {
    std::vector<ReceivedMail> mails;
    for (int n = 1;; ++n) {
      char base[16];
      std::snprintf(base, sizeof base, "/%04d", n);
      const std::string eml = dir_ + base + ".eml";
      if (!std::filesystem::exists(eml)) break;
      ReceivedMail m;
      m.Data = Read(eml);
      std::istringstream env(Read(dir_ + base + ".env"));
      std::getline(env, m.From);
      for (std::string line; std::getline(env, line);) m.To.push_back(line);
      mails.push_back(std::move(m));
    }
    return mails;
  }

  // The logins the server accepted: "<mechanism> <user> <tls|plain>" per line.
  [[nodiscard]] std::string Logins() const { return Read(dir_ + "/auth.log"); }

  // Waits (real time) until `count` mails are there.
  bool WaitForMails(std::size_t count, std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (Mails().size() < count) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

 private:
  TestSmtpServer() = default;
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  pid_t pid_ = -1;
  int stdin_ = -1;
  int port_ = 0;
  std::string dir_;
};

}  // namespace smtptest
