// stayline: the desktop program. The same host as staylined (folders, one instance, settings,
// the line, the control socket) with Qt's loop, real dialogs, the main window and the tray icon.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/daemon.h"
#include "app/life_cycle.h"
#include "app/t_stayline.h"
#include "app/tray_model.h"
#include "gui/command_line.h"
#include "gui/dialog_windows.h"
#include "gui/main_window.h"
#include "gui/main_window_shots.h"
#include "gui/qt_dialog_service.h"
#include "gui/qt_event_loop.h"
#include "gui/tray.h"
#include "gui/tray_pictures.h"
#include "platform/program_info.h"
#include "ras/ras_backend.h"

namespace {

constexpr const char* kUsage =
    "usage: stayline [--home DIR] [--ras sim|posix] [--run-for SECONDS]\n"
    "Keeps the chosen dial-up connection up and publishes the client IP, with a window and a\n"
    "tray icon; a second start brings the running window up. stayline-ctl drives it as it\n"
    "drives staylined.\n"
    "  --home DIR         keep settings, data and the control socket under DIR\n"
    "                     (else $STAYLINE_HOME, else the XDG folders)\n"
    "  --ras sim|posix    the line: simulated, or real interfaces brought up and down by\n"
    "                     the phonebook's commands (posix, the default)\n"
    "  --run-for SECONDS  close in order after that many seconds\n"
    "  -h, --help         show this text\n"
    "  --version          show the version\n"
    "Qt's own options (-platform, -display, ...) go after --.\n";

// The desktop views around the shared host.
class DesktopFrontEnd : public app::HostFrontEnd {
 public:
  DesktopFrontEnd(int& argc, char** argv) : argc_(argc), argv_(argv) {}

  std::unique_ptr<core::EventLoop> MakeLoop(const app::DaemonOptions& /*options*/) override {
    // Made only now: a second instance hands over without a display.
    qt_ = std::make_unique<QApplication>(argc_, argv_);
    QApplication::setApplicationName("Stayline");
    QApplication::setDesktopFileName("stayline");
    QApplication::setWindowIcon(gui::PictureIcon("ImageConnect"));
    // The window hides to the tray; the program ends by its own exit, not the last window.
    QApplication::setQuitOnLastWindowClosed(false);
    return std::make_unique<gui::QtEventLoop>();
  }

  forms::QueuedDialogService& MakeDialogs(core::EventLoop& loop) override {
    dialogs_ = std::make_unique<gui::QtDialogService>(loop);
    dialogs_->SetWindowFactory(&gui::MakeDialogWindow);
    dialogs_->SetPictures(&gui::PictureIcon);
    return *dialogs_;
  }

  void Attach(app::TStayline& main, forms::Application& /*application*/, ras::RasBackend& ras,
              std::function<void()> close) override {
    ras.SetLog([](const std::string&) {});
    main.Loop().SetErrorDisplay(
        [](const std::string& e) { std::fprintf(stderr, "stayline: error: %s\n", e.c_str()); });
    window_ = std::make_unique<gui::MainWindow>(main.Form());
    dialogs_->SetParentWindow(window_.get());
    auto* tray = new gui::Tray(main.Form().TrayIcon, *window_);  // owned by the window
    main.ShowPopupMenu = [tray](forms::MenuItem& popup) { tray->ShowMenu(popup); };
    window_->OnMinimize = [&main, tray] {
      // Without a tray the window would be gone for good: it minimises as usual.
      if (tray->WindowInstead()) return false;
      return main.Tray().WMSysCommand(app::TrayModel::kScMinimize);
    };
    window_->OnCloseBox = std::move(close);
    if (const char* shots = std::getenv("STAYLINE_SHOTS"); shots && *shots) {
      new gui::WindowShots(QString::fromLocal8Bit(shots), *window_, *tray, *dialogs_);
    }
  }

  void Detach(ras::RasBackend& ras) override {
    ras.SetLog([](const std::string&) {});
    // The window goes while the model it shows still exists.
    if (dialogs_) dialogs_->SetParentWindow(nullptr);
    window_.reset();
  }

  void Activate(app::TStayline& main) override {
    main.Form().Show();
    if (window_) {
      window_->raise();
      window_->activateWindow();
    }
  }

 private:
  int& argc_;
  char** argv_;
  std::unique_ptr<QApplication> qt_;  // outlives the loop, the dialogs and the window
  std::unique_ptr<gui::QtDialogService> dialogs_;
  std::unique_ptr<gui::MainWindow> window_;
};

}  // namespace

int main(int argc, char** argv) {
  // Our options come first; Qt's own follow a "--".
  const gui::CommandLine line = gui::SplitCommandLine(argc, argv);
  const std::vector<std::string>& args = line.Own;
  // Qt takes its options from the end of argv, where they stay valid for its whole life.
  int qtArgc = 1 + static_cast<int>(line.Qt.size());
  std::vector<char*> qtArgv{argv[0]};
  for (int i = argc - static_cast<int>(line.Qt.size()); i < argc; ++i) qtArgv.push_back(argv[i]);
  qtArgv.push_back(nullptr);
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      std::puts(platform::ProgramInfo::VersionLine("stayline").c_str());
      return 0;
    }
    if (a == "--virtual-time" || a == "--quiet") {
      std::fprintf(stderr, "stayline: %s is for staylined only\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  app::DaemonOptions options;
  options.Quiet = true;
  std::string error;
  if (!app::ParseDaemonOptions(args, options, error)) {
    std::fprintf(stderr, "stayline: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  try {
    DesktopFrontEnd ui(qtArgc, qtArgv.data());
    return app::RunHost(options, line.RestartArguments(), ui);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "stayline: %s\n", e.what());
    return 1;
  }
}
