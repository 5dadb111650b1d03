#include "unit/app/support/stayline_fixture.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/connection_recovery.h"
#include "app/life_cycle.h"
#include "core/text.h"
#include "ras/ras_factory.h"

namespace app_test {

const char* const kPhonebook =
    "[Office DSL]\n"
    "UserName=alice\n"
    "Password=secret\n"
    "PasswordSaved=1\n"
    "ConnectMs=1500\n"
    "ClientIPs=10.64.0.10 10.64.0.11 10.64.0.12\n"
    "ServerIP=10.64.0.1\n"
    "\n"
    "[NoPassword]\n"
    "UserName=carol\n"
    "Password=hidden\n"
    "PasswordSaved=0\n";

StaylineTest::StaylineTest(const std::string& phonebook, std::int64_t startMs) : loop(startMs) {
  char tmpl[] = "/tmp/stayline-app-XXXXXX";
  home = ::mkdtemp(tmpl);
  paths = platform::Paths::Resolve(home);
  paths.EnsureCreated();
  std::ofstream(paths.configDir + "/phonebook.ini") << phonebook;
  dialogs.SetApplication(&application);
  registry = std::make_unique<platform::Registry>(paths.configDir);
  store = std::make_unique<settings::SettingsStore>(*registry, paths, "/usr/bin/staylined");
  line = ras::MakeRasBackend("sim", loop, paths.configDir);
}

StaylineTest::~StaylineTest() {
  main.reset();
  line.reset();
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
}

void StaylineTest::Start(const std::map<std::string, std::string>& settings) {
  store->WriteSetting("AReadFirstReg", "1");
  for (const auto& [name, value] : settings) store->WriteSetting(name, value);
  app::StaylineEnvironment env;
  env.Loop = &loop;
  env.Application = &application;
  env.Store = store.get();
  env.Paths = paths;
  env.ProgramPath = "/usr/bin/staylined";
  env.ProgramArgs = {"--home", home};
  env.Ras = line.get();
  env.RestartsInARow = restartsInARow;
  env.Browser = &browser;
  env.WebServer = &web;
  env.DynDns = &dynDns;
  main = std::make_unique<app::TStayline>(env);
  main->Terminate = [this](int code) { terminated.push_back(code); };
  main->ExitNow = [this](int code) { exited.push_back(code); };
  main->Recovery().StartRestart = [this] {
    ++restarts;
    return true;
  };
  main->Recovery().Backoff().RealNowMs = [this] { return loop.NowMs(); };
  main->Recovery().WaitRealTime = [this](std::int64_t ms, const std::function<void(int)>& onSecond,
                                         const std::function<bool()>& stop) {
    realWaits.push_back(ms);
    for (int left = static_cast<int>((ms + 999) / 1000); left > 0 && !stop(); --left) {
      onSecond(left);
    }
    return !stop();
  };
  main->Life().FormCreate();
}

void StaylineTest::StartAutoDial(std::map<std::string, std::string> extra) {
  std::map<std::string, std::string> settings{{"AutoConnect", "1"},
                                              {"StaylineConnection", "Office DSL"},
                                              {"SaveOnlineTimer", "1"},
                                              {"ViewOnlineTimer", "1"},
                                              {"Language", "0"}};
  for (auto& [k, v] : extra) settings[k] = v;
  Start(settings);
}

bool StaylineTest::RunUntilOnline(const std::string& ip, std::int64_t ms) {
  return RunUntil(
      [&] {
        return State().ActiveConnectionCount != 0 && core::Trim(State().LastClientIP) == ip &&
               State().ConnectTick != 0;
      },
      ms);
}

std::string StaylineTest::ReadFile(const std::string& path) const {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string StaylineTest::TimeLog() const {
  return ReadFile(paths.dataDir + "/TimeLog.txt");
}

std::vector<std::string> StaylineTest::TimeLogLines() const {
  std::vector<std::string> lines;
  const std::string text = TimeLog();
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace app_test
