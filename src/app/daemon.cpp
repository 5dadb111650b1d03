#include "app/daemon.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/control_commands.h"
#include "app/headless_printer.h"
#include "app/life_cycle.h"
#include "app/restart_backoff.h"
#include "app/t_stayline.h"
#include "core/poll_loop.h"
#include "core/sim_loop.h"
#include "core/text.h"
#include "core/unique_fd.h"
#include "forms/queued_dialog_service.h"
#include "platform/control_server.h"
#include "platform/paths.h"
#include "platform/program_info.h"
#include "platform/registry.h"
#include "platform/single_instance.h"
#include "ras/ras_factory.h"
#include "settings/settings_store.h"

namespace app {

bool ParseDaemonOptions(const std::vector<std::string>& args, DaemonOptions& o,
                        std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--home") {
      if (!value(o.Home)) return false;
    } else if (a == "--ras") {
      if (!value(o.Ras)) return false;
      if (o.Ras != "sim" && o.Ras != "posix") {
        error = "--ras takes sim or posix";
        return false;
      }
    } else if (a == "--run-for") {
      if (!value(v)) return false;
      char* end = nullptr;
      o.RunForSeconds = std::strtod(v.c_str(), &end);
      if (end == v.c_str() || *end || o.RunForSeconds < 0) {
        error = "--run-for takes seconds";
        return false;
      }
    } else if (a == "--virtual-time") {
      o.VirtualTime = true;
    } else if (a == "--quiet") {
      o.Quiet = true;
    } else {
      error = "unknown option " + a;
      return false;
    }
  }
  return true;
}

namespace {

// SIGINT/SIGTERM arrive as readable data on a signalfd the loop watches.
class SignalWatch {
 public:
  explicit SignalWatch(core::EventLoop& loop) : loop_(loop) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &set, nullptr);
    fd_.Reset(::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
  }
  ~SignalWatch() {
    if (watch_) loop_.Unwatch(watch_);
  }
  void Start(std::function<void(int)> onSignal) {
    if (!fd_) return;
    watch_ = loop_.WatchFd(
        fd_.Get(), core::kIoRead,
        [this, onSignal](unsigned) {
          signalfd_siginfo info{};
          while (::read(fd_.Get(), &info, sizeof info) == sizeof info)
            onSignal(static_cast<int>(info.ssi_signo));
        },
        false);
  }

 private:
  core::EventLoop& loop_;
  core::UniqueFd fd_;
  core::EventLoop::WatchId watch_ = 0;
};

// The arguments to start this instance again with: a relative --home is made absolute, since the
// restart runs in another folder. What follows a "--" belongs to the toolkit and stays as it is.
std::vector<std::string> RestartArguments(const std::vector<std::string>& args) {
  std::vector<std::string> out = args;
  for (std::size_t i = 0; i + 1 < out.size() && out[i] != "--"; ++i) {
    if (out[i] == "--home" && !out[i + 1].empty() && out[i + 1][0] != '/') {
      char* cwd = ::getcwd(nullptr, 0);
      if (cwd) {
        out[i + 1] = std::string(cwd) + "/" + out[i + 1];
        std::free(cwd);
      }
    }
  }
  return out;
}

// The headless views: the printer on stdout (none with --quiet).
class HeadlessFrontEnd : public HostFrontEnd {
 public:
  std::unique_ptr<core::EventLoop> MakeLoop(const DaemonOptions& options) override {
    quiet_ = options.Quiet;
    if (options.VirtualTime) return std::make_unique<core::SimLoop>();
    return std::make_unique<core::PollLoop>();
  }
  forms::QueuedDialogService& MakeDialogs(core::EventLoop& loop) override {
    dialogs_ = std::make_unique<forms::QueuedDialogService>(loop);
    return *dialogs_;
  }
  void Attach(TStayline& main, forms::Application& /*application*/, ras::RasBackend& ras,
              std::function<void()> /*close*/) override {
    if (!quiet_) {
      printer_ = std::make_unique<HeadlessPrinter>(main, stdout);
      printer_->Attach(*dialogs_);
    }
    // --quiet prints nothing, the line's progress included; errors still go to stderr.
    if (printer_) {
      ras.SetLog([this](const std::string& line) { printer_->Print("RAS", line); });
    } else {
      ras.SetLog(Silent());
    }
    main.Loop().SetErrorDisplay([this](const std::string& e) {
      std::fprintf(stderr, "stayline: error: %s\n", e.c_str());
      if (printer_) printer_->Print("Error", e);
    });
  }
  void Detach(ras::RasBackend& ras) override {
    ras.SetLog(printer_ ? ras::RasBackend::LogFunc() : Silent());  // the printer goes first
  }

 private:
  static ras::RasBackend::LogFunc Silent() {
    return [](const std::string&) {};
  }

  bool quiet_ = false;
  std::unique_ptr<forms::QueuedDialogService> dialogs_;
  std::unique_ptr<HeadlessPrinter> printer_;
};

}  // namespace

void HostFrontEnd::Activate(TStayline& main) {
  main.Form().Show();
}

int RunDaemon(const DaemonOptions& options, const std::vector<std::string>& args) {
  HeadlessFrontEnd ui;
  return RunHost(options, args, ui);
}

int RunHost(const DaemonOptions& options, const std::vector<std::string>& args, HostFrontEnd& ui) {
  // Set by the restart script only; the programs this instance starts must not inherit it.
  const int restartsInARow = RestartBackoff::Parse(std::getenv(RestartBackoff::kVariable));
  ::unsetenv(RestartBackoff::kVariable);
  platform::Paths paths = platform::Paths::Resolve(options.Home);
  paths.EnsureCreated();

  // A second instance hands over to the first and leaves everything else alone.
  platform::SingleInstance instance(paths.runDir);
  if (!instance.TryAcquire()) {
    platform::ControlRequest(paths.runDir + "/control.sock", "activate", 3000);
    return 0;
  }

  std::unique_ptr<core::EventLoop> loop = ui.MakeLoop(options);
  forms::QueuedDialogService& dialogs = ui.MakeDialogs(*loop);
  forms::Application application(*loop, dialogs);
  dialogs.SetApplication(&application);
  dialogs.Interactive = true;

  platform::Registry registry(paths.configDir);
  registry.OnError = [](const std::string& e) {
    std::fprintf(stderr, "stayline: %s\n", e.c_str());
  };
  const std::string programPath = platform::ProgramInfo::ProgramPath();
  settings::SettingsStore store(registry, paths, programPath);
  store.ImportMachineSettings();

  // The dial-up service outlives the window that uses it.
  std::unique_ptr<ras::RasBackend> ras = ras::MakeRasBackend(options.Ras, *loop, paths.configDir);

  StaylineEnvironment env;
  env.Loop = loop.get();
  env.Application = &application;
  env.Store = &store;
  env.Paths = paths;
  env.ProgramPath = programPath;
  env.ProgramArgs = RestartArguments(args);
  env.Ras = ras.get();
  env.RestartsInARow = restartsInARow;
  TStayline main(env);

  main.Terminate = [&](int code) { loop->Quit(code); };
  main.ExitNow = [](int code) {
    std::fflush(nullptr);
    std::_Exit(code);
  };

  ControlCommands commands(main, &dialogs);
  commands.OnActivate = [&] { ui.Activate(main); };
  commands.OnQuit = [&] {
    // The confirmation is answered Yes even when answers for other questions wait.
    dialogs.QueueAnswerFirst("Yes");
    main.Life().Beenden1Click();
  };
  commands.SetSimLine(ras->Sim());
  platform::ControlServer server(*loop, paths.runDir + "/control.sock",
                                 [&](const std::string& r) { return commands.Handle(r); });
  server.Start();

  bool closing = false;
  auto closeInOrder = [&](bool endSession) {
    if (closing) return;
    closing = true;
    if (endSession) {
      main.Life().EndSession();
    } else {
      main.Life().Close();
    }
    loop->Quit(0);
  };
  ui.Attach(main, application, *ras, [&] { closeInOrder(false); });
  SignalWatch signals(*loop);
  signals.Start([&](int sig) { closeInOrder(sig == SIGTERM || sig == SIGHUP); });
  if (options.RunForSeconds >= 0) {
    loop->CallAfter(static_cast<std::int64_t>(options.RunForSeconds * 1000),
                    [&] { closeInOrder(false); });
  }

  main.Life().FormCreate();
  const int code = loop->Run();
  ui.Detach(*ras);
  return code;
}

}  // namespace app
