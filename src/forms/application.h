#pragma once
// The program's forms: the main window and whichever modal forms are open now, found by name
// (the control socket reaches "<Form>.<Control>" through it). Loop thread only.

#include <string_view>
#include <vector>

#include "core/event_loop.h"
#include "forms/dialog_service.h"
#include "forms/form.h"

namespace forms {

class Application {
 public:
  Application(core::EventLoop& loop, DialogService& dialogs) : loop_(loop), dialogs_(&dialogs) {}
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  [[nodiscard]] core::EventLoop& Loop() const { return loop_; }
  [[nodiscard]] DialogService& Dialogs() const { return *dialogs_; }
  void SetDialogs(DialogService& dialogs) { dialogs_ = &dialogs; }

  void OpenForm(Form& form);
  void CloseForm(Form& form);
  [[nodiscard]] const std::vector<Form*>& OpenForms() const { return open_; }
  [[nodiscard]] Form* FindForm(std::string_view name) const;
  // The innermost open modal form, or null.
  [[nodiscard]] Form* TopModal() const { return open_.size() > 1 ? open_.back() : nullptr; }

  // The application's title (the task list and the single-instance lookup use it).
  std::string Title = "Stayline";

 private:
  core::EventLoop& loop_;
  DialogService* dialogs_;
  std::vector<Form*> open_;
};

}  // namespace forms
