#pragma once
// The notification-area icon as a model: whether the shell holds it, its picture and its tip.
// The shell's callback (mouse messages on the icon) arrives through Callback; the owner decides
// what each message does. A view that cannot place the icon refuses it through ShellAccepts.

#include "forms/control.h"

namespace forms {

// Mouse messages the shell reports for the icon, with their classic numbers.
enum TrayMouse : int {
  kTrayMouseMove = 0x0200,
  kTrayLeftDown = 0x0201,
  kTrayLeftUp = 0x0202,
  kTrayLeftDoubleClick = 0x0203,
  kTrayRightDown = 0x0204,
  kTrayRightUp = 0x0205,
};

class TrayIcon : public Control {
 public:
  TrayIcon(Form& form, std::string name) : Control(form, std::move(name), ControlKind::TrayIcon) {}

  // Adds the icon to the notification area; false when the shell refuses it.
  bool Add(const std::string& icon, const std::string& tip);
  void Modify(const std::string& icon, const std::string& tip);
  void Remove();
  [[nodiscard]] bool Added() const { return added_; }
  [[nodiscard]] const std::string& Icon() const { return icon_; }
  [[nodiscard]] const std::string& Tip() const { return tip_; }

  // A mouse message on the icon (from the view or the control socket).
  void Callback(int mouseMessage) {
    if (added_ && OnCallback) OnCallback(mouseMessage);
  }

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;

  std::function<bool()> ShellAccepts;  // unset: the shell always accepts
  std::function<void(int mouseMessage)> OnCallback;

 private:
  bool added_ = false;
  std::string icon_;
  std::string tip_;
};

}  // namespace forms
