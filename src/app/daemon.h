#pragma once
// The headless program: options, folders, the one-instance lock, settings, the main window
// model on a real or simulated-time loop, the printer and the control socket; SIGINT and SIGTERM
// close it in order.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace core {
class EventLoop;
}
namespace forms {
class Application;
class QueuedDialogService;
}  // namespace forms
namespace ras {
class RasBackend;
}

namespace app {

class TStayline;

struct DaemonOptions {
  std::string Home;
  std::string Ras = "posix";
  double RunForSeconds = -1;
  bool VirtualTime = false;
  bool Quiet = false;
};

// Parses the command line; returns false (with a message) on a bad option.
bool ParseDaemonOptions(const std::vector<std::string>& args, DaemonOptions& options,
                        std::string& error);

// What a program puts around the shared host (folders, single instance, settings, line, main
// window model, control socket): its loop, its dialog service and its views.
class HostFrontEnd {
 public:
  virtual ~HostFrontEnd() = default;
  // Made once this instance is the only one.
  virtual std::unique_ptr<core::EventLoop> MakeLoop(const DaemonOptions& options) = 0;
  // The service every question goes through; the control socket queues its answers there.
  virtual forms::QueuedDialogService& MakeDialogs(core::EventLoop& loop) = 0;
  // The main window model is built: the views attach. `close` closes the program in order, as
  // the window's own closing does.
  virtual void Attach(TStayline& main, forms::Application& application, ras::RasBackend& ras,
                      std::function<void()> close) = 0;
  // The run has ended; the views let go of the line before it goes.
  virtual void Detach(ras::RasBackend& /*ras*/) {}
  // A second instance was started.
  virtual void Activate(TStayline& main);
};

// Runs the program with `ui` around it; returns its exit code.
int RunHost(const DaemonOptions& options, const std::vector<std::string>& args, HostFrontEnd& ui);

// Runs the headless program; returns its exit code.
int RunDaemon(const DaemonOptions& options, const std::vector<std::string>& args);

}  // namespace app
