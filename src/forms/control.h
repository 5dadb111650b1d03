#pragma once
// A named control of a form model with the properties the program's logic reads and writes.
// Observers (the headless printer, the GUI) hear of every property change through the form.
//
// Event semantics follow the classic desktop toolkit the logic was written for: each control kind
// documents which changes fire its handlers. `SetProperty` with Origin::User acts as a user's edit.
// Loop thread only.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace forms {

class Form;

enum class Origin { Code, User };

enum class ControlKind {
  Label,
  Button,
  SpeedButton,
  ToolButton,
  CheckBox,
  RadioButton,
  Edit,
  Memo,
  ComboBox,
  ListBox,
  ListView,
  TreeView,
  MenuItem,
  StatusBar,
  ProgressBar,
  PageControl,
  TabSheet,
  GroupBox,
  Panel,
  Image,
  TrayIcon,
  Timer,
  OpenDialog,
  SaveDialog,
  Other,
};

std::string_view KindName(ControlKind kind);

class Control {
 public:
  Control(Form& form, std::string name, ControlKind kind);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  [[nodiscard]] const std::string& Name() const { return name_; }
  [[nodiscard]] ControlKind Kind() const { return kind_; }
  [[nodiscard]] Form& Owner() const { return form_; }

  [[nodiscard]] bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  [[nodiscard]] bool Visible() const { return visible_; }
  void SetVisible(bool on);
  [[nodiscard]] const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& text);
  [[nodiscard]] const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& text);
  // Font colour by its toolkit name ("clWindowText", "clRed", "clGreen", ...).
  [[nodiscard]] const std::string& FontColor() const { return fontColor_; }
  void SetFontColor(const std::string& color);
  // Parent container (group box, tab sheet, panel); radio buttons group by it.
  [[nodiscard]] const std::string& Parent() const { return parent_; }
  void SetParent(const std::string& parent) { parent_ = parent; }

  // Generic access by property name, for the control socket and the views. Unknown properties
  // yield nullopt / false.
  [[nodiscard]] virtual std::optional<std::string> GetProperty(std::string_view prop) const;
  virtual bool SetProperty(std::string_view prop, std::string_view value, Origin origin);
  // Whether a user can change `prop` by hand (tick, type, choose a page or an item). Only these
  // take Origin::User in SetProperty; captions, colours and states are the program's.
  [[nodiscard]] virtual bool UserSettable(std::string_view /*prop*/) const { return false; }
  // Why a user cannot set the settable `prop` to `value` (no boolean, no such item or page);
  // nullopt when the value is one a user could give. SetProperty with Origin::User ignores such a
  // value, and the control socket refuses it before queuing the edit.
  [[nodiscard]] virtual std::optional<std::string> RejectUserValue(
      std::string_view /*prop*/, std::string_view /*value*/) const {
    return std::nullopt;
  }
  // A user's click: nothing happens on a disabled or invisible control.
  void UserClick();
  [[nodiscard]] bool AcceptsUserInput() const;

  std::function<void()> OnClick;

 protected:
  // What a user's click does for this kind (buttons fire OnClick, check boxes toggle, ...).
  virtual void DoUserClick();
  void Changed(std::string_view prop);
  void FireClick() {
    if (OnClick) OnClick();
  }

 private:
  Form& form_;
  std::string name_;
  ControlKind kind_;
  bool enabled_ = true;
  bool visible_ = true;
  std::string caption_;
  std::string hint_;
  std::string fontColor_ = "clWindowText";
  std::string parent_;
};

// "1"/"true"/"yes" (any case) read as true, anything else as false: for the program's own values.
bool ParseBool(std::string_view value);
// What a user's tick is given as: "1"/"0"/"true"/"false" (any case); nullopt for anything else.
std::optional<bool> ParseUserBool(std::string_view value);
// The refusal of a value that ParseUserBool does not take; nullopt for one it takes.
std::optional<std::string> RejectNonBool(std::string_view value);
inline std::string BoolText(bool on) {
  return on ? "True" : "False";
}

}  // namespace forms
