#include "ftp_test_servers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "core/unique_fd.h"

namespace ftptest {

namespace {

namespace fs = std::filesystem;

const std::string kServers = std::string(STAYLINE_SOURCE_DIR) + "/tests/servers/";

std::uint16_t FreePort() {
  const core::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&addr), &len);
  return ntohs(addr.sin_port);
}

bool Accepts(std::uint16_t port) {
  const core::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(port);
  return ::connect(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

pid_t Spawn(const std::vector<std::string>& argv, int stdoutFd) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);  // its own group: the server and its session processes end together
    if (stdoutFd >= 0) ::dup2(stdoutFd, STDOUT_FILENO);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  return pid;
}

// Every process below `root` (vsftpd's session processes leave its process group).
std::vector<pid_t> Descendants(pid_t root) {
  std::vector<std::pair<pid_t, pid_t>> parents;  // pid, ppid
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    char state = 0;
    pid_t ppid = 0;
    rest >> state >> ppid;
    parents.emplace_back(static_cast<pid_t>(std::stoi(name)), ppid);
  }
  std::vector<pid_t> found{root};
  for (std::size_t i = 0; i < found.size(); ++i) {
    for (const auto& [pid, ppid] : parents) {
      if (ppid == found[i]) found.push_back(pid);
    }
  }
  found.erase(found.begin());
  return found;
}

}  // namespace

TempDir::TempDir() {
  char pattern[] = "/tmp/stayline-ftp-XXXXXX";
  path_ = ::mkdtemp(pattern);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::unique_ptr<TestFtpServer> TestFtpServer::Start(Kind kind, const std::string& cert,
                                                    const std::string& key) {
  // Orphaned server processes are handed to this process, which reaps them.
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
  std::unique_ptr<TestFtpServer> server(new TestFtpServer());
  server->kind_ = kind;
  char pattern[] = "/tmp/stayline-ftpd-XXXXXX";
  server->base_ = ::mkdtemp(pattern);
  if (kind == Kind::kPyftpdlib) {
    server->root_ = server->base_ + "/root";
    fs::create_directories(server->root_);
    server->user_ = "user";
    server->password_ = "secret";
    server->dir_ = "/";
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return nullptr;
    const core::UniqueFd readEnd(pipeFds[0]);
    core::UniqueFd writeEnd(pipeFds[1]);
    std::vector<std::string> argv = {"/usr/bin/python3", kServers + "ftp_pyftpd_server.py",
                                     "--root",           server->root_,
                                     "--user",           "user",
                                     "--password",       "secret"};
    if (!cert.empty()) argv.insert(argv.end(), {"--cert", cert, "--key", key});
    server->pid_ = Spawn(argv, writeEnd.Get());
    writeEnd.Reset();  // the server's end only: a server that dies shows as end of file
    std::string out;
    pollfd p{readEnd.Get(), POLLIN, 0};
    while (out.find('\n') == std::string::npos && ::poll(&p, 1, 15'000) > 0) {
      char buffer[256];
      const ssize_t n = ::read(readEnd.Get(), buffer, sizeof buffer);
      if (n <= 0) break;
      out.append(buffer, static_cast<std::size_t>(n));
    }
    if (out.rfind("PORT ", 0) != 0) return nullptr;
    server->port_ = static_cast<std::uint16_t>(std::stoi(out.substr(5)));
    return server;
  }
  if (::geteuid() != 0 || !fs::exists("/usr/sbin/vsftpd")) return nullptr;
  const std::string anonRoot = server->base_ + "/anon";
  server->root_ = anonRoot + "/pub";
  server->user_ = "anonymous";
  server->password_ = "stayline@localhost";
  server->dir_ = "/pub";
  ::chmod(server->base_.c_str(), 0755);
  server->port_ = FreePort();
  std::vector<std::string> argv = {"/bin/sh", kServers + "ftp_vsftpd_server.sh", anonRoot,
                                   std::to_string(server->port_)};
  if (!cert.empty()) {
    argv.push_back(cert);
    argv.push_back(key);
  }
  server->pid_ = Spawn(argv, -1);
  for (int i = 0; i < 100; ++i) {
    if (Accepts(server->port_)) return server;
    int status = 0;
    if (::waitpid(server->pid_, &status, WNOHANG) == server->pid_) {
      server->pid_ = -1;
      return nullptr;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return nullptr;
}

void TestFtpServer::Kill() {
  if (pid_ <= 0) return;
  const std::vector<pid_t> sessions = Descendants(pid_);
  for (pid_t child : sessions) ::kill(child, SIGKILL);
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  // The session processes come back to us (we are their subreaper): reap them, leave no zombie.
  for (pid_t child : sessions) {
    for (int i = 0; i < 200 && fs::exists("/proc/" + std::to_string(child)); ++i) {
      if (::waitpid(child, &status, WNOHANG) == child) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
}

TestFtpServer::~TestFtpServer() {
  Kill();
  // Session processes that ended earlier were handed to us as well.
  int status = 0;
  while (::waitpid(-1, &status, WNOHANG) > 0) {
  }
  std::error_code ec;
  fs::remove_all(base_, ec);
}

std::string TestFtpServer::Url(const std::string& scheme, const std::string& host) const {
  return scheme + "://" + user_ + ":" + password_ + "@" + host + ":" + std::to_string(port_) + dir_;
}

ProgramRun RunStaylineFtp(const std::string& args, const std::string& home,
                          const std::string& prefix) {
  const std::string command = "STAYLINE_HOME='" + home + "' " + prefix +
                              " '" STAYLINE_BIN_DIR "/stayline-ftp' " + args + " 2>&1";
  ProgramRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe)) run.Out += buffer;
  const int status = ::pclose(pipe);
  run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

void WriteRandomFile(const std::string& path, std::uint64_t size, unsigned seed) {
  std::mt19937_64 random(seed);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::vector<std::uint64_t> block(8192);
  while (size > 0) {
    for (auto& word : block) word = random();
    const std::uint64_t n = std::min<std::uint64_t>(size, block.size() * sizeof(std::uint64_t));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
    size -= n;
  }
}

bool SameFiles(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary);
  std::ifstream fb(b, std::ios::binary);
  if (!fa || !fb) return false;
  std::vector<char> ba(1 << 16);
  std::vector<char> bb(1 << 16);
  while (true) {
    fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
    fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
    if (fa.gcount() != fb.gcount()) return false;
    if (!std::equal(ba.begin(), ba.begin() + fa.gcount(), bb.begin())) return false;
    if (fa.gcount() == 0) return true;
  }
}

std::uint64_t FileSizeOf(const std::string& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  return ec ? 0 : size;
}

}  // namespace ftptest
