#pragma once
// The requests of the control socket, carried out on the main window: reading and setting
// control properties, clicks as a user's, answers to questions, state fields and settings.
// `set` and `click` are queued like user input and answered at once, so a click that opens a
// modal form never blocks the socket. `sim` disturbs the simulated line, when there is one.

#include <functional>
#include <string>

#include "platform/control_server.h"

namespace forms {
class QueuedDialogService;
class Control;
class Form;
}  // namespace forms
namespace ras {
class SimControl;
}

namespace app {

class TStayline;

class ControlCommands {
 public:
  ControlCommands(TStayline& main, forms::QueuedDialogService* dialogs)
      : main_(main), dialogs_(dialogs) {}

  platform::ControlReply Handle(const std::string& request);
  // The simulated line that `sim` requests act on; without one they are refused.
  void SetSimLine(ras::SimControl* sim) { sim_ = sim; }

  std::function<void()> OnActivate;
  std::function<void()> OnQuit;

 private:
  struct Target {
    forms::Form* form = nullptr;
    forms::Control* control = nullptr;  // null: a property of the form itself
    std::string property;
  };
  bool Resolve(const std::string& path, Target& target, std::string& error) const;
  // Queued input is dropped when its form has closed in the meantime.
  [[nodiscard]] bool StillOpen(const forms::Form* form) const;
  platform::ControlReply Get(const std::string& path) const;
  platform::ControlReply Set(const std::string& args);
  platform::ControlReply Click(const std::string& name);
  platform::ControlReply Sim(const std::string& args);

  TStayline& main_;
  forms::QueuedDialogService* dialogs_;
  ras::SimControl* sim_ = nullptr;
};

}  // namespace app
