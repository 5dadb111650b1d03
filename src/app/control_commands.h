#pragma once
// The requests of the control socket, carried out on the main window: reading and setting
// control properties, clicks as a user's, answers to questions, state fields and settings.
// `set` and `click` are queued like user input and answered at once, so a click that opens a
// modal form never blocks the socket.

#include <functional>
#include <map>
#include <string>

#include "platform/control_server.h"

namespace forms {
class QueuedDialogService;
class Control;
class Form;
}  // namespace forms

namespace app {

class TStayline;

class ControlCommands {
 public:
  using Extension = std::function<platform::ControlReply(const std::string& args)>;

  ControlCommands(TStayline& main, forms::QueuedDialogService* dialogs)
      : main_(main), dialogs_(dialogs) {}

  platform::ControlReply Handle(const std::string& request);
  // Further verbs (e.g. "sim" of the simulated line) registered by other parts of the program.
  void AddVerb(const std::string& verb, Extension handler) { verbs_[verb] = std::move(handler); }

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

  TStayline& main_;
  forms::QueuedDialogService* dialogs_;
  std::map<std::string, Extension> verbs_;
};

}  // namespace app
