#include "forms/control.h"

#include "core/text.h"
#include "forms/form.h"

namespace forms {

std::string_view KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
      return "TLabel";
    case ControlKind::Button:
      return "TButton";
    case ControlKind::SpeedButton:
      return "TSpeedButton";
    case ControlKind::ToolButton:
      return "TToolButton";
    case ControlKind::CheckBox:
      return "TCheckBox";
    case ControlKind::RadioButton:
      return "TRadioButton";
    case ControlKind::Edit:
      return "TEdit";
    case ControlKind::Memo:
      return "TMemo";
    case ControlKind::ComboBox:
      return "TComboBox";
    case ControlKind::ListBox:
      return "TListBox";
    case ControlKind::ListView:
      return "TListView";
    case ControlKind::TreeView:
      return "TTreeView";
    case ControlKind::MenuItem:
      return "TMenuItem";
    case ControlKind::StatusBar:
      return "TStatusBar";
    case ControlKind::ProgressBar:
      return "TProgressBar";
    case ControlKind::PageControl:
      return "TPageControl";
    case ControlKind::TabSheet:
      return "TTabSheet";
    case ControlKind::GroupBox:
      return "TGroupBox";
    case ControlKind::Panel:
      return "TPanel";
    case ControlKind::Image:
      return "TImage";
    case ControlKind::TrayIcon:
      return "TTrayIcon";
    case ControlKind::Timer:
      return "TTimer";
    case ControlKind::OpenDialog:
      return "TOpenDialog";
    case ControlKind::SaveDialog:
      return "TSaveDialog";
    case ControlKind::Other:
      break;
  }
  return "TComponent";
}

bool ParseBool(std::string_view value) {
  return value == "1" || core::EqualsNoCase(value, "true") || core::EqualsNoCase(value, "yes");
}

std::optional<bool> ParseUserBool(std::string_view value) {
  if (value == "1" || core::EqualsNoCase(value, "true")) return true;
  if (value == "0" || core::EqualsNoCase(value, "false")) return false;
  return std::nullopt;
}

std::optional<std::string> RejectNonBool(std::string_view value) {
  if (ParseUserBool(value)) return std::nullopt;
  return "expected 1, 0, true or false, not \"" + std::string(value) + "\"";
}

Control::Control(Form& form, std::string name, ControlKind kind)
    : form_(form), name_(std::move(name)), kind_(kind) {}

void Control::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Changed("Enabled");
}

void Control::SetVisible(bool on) {
  if (on == visible_) return;
  visible_ = on;
  Changed("Visible");
}

void Control::SetCaption(const std::string& text) {
  if (text == caption_) return;
  caption_ = text;
  Changed("Caption");
}

void Control::SetHint(const std::string& text) {
  if (text == hint_) return;
  hint_ = text;
  Changed("Hint");
}

void Control::SetFontColor(const std::string& color) {
  if (color == fontColor_) return;
  fontColor_ = color;
  Changed("Font.Color");
}

std::optional<std::string> Control::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Enabled")) return BoolText(enabled_);
  if (core::EqualsNoCase(prop, "Visible")) return BoolText(visible_);
  if (core::EqualsNoCase(prop, "Caption")) return caption_;
  if (core::EqualsNoCase(prop, "Hint")) return hint_;
  if (core::EqualsNoCase(prop, "Font.Color")) return fontColor_;
  if (core::EqualsNoCase(prop, "Name")) return name_;
  if (core::EqualsNoCase(prop, "ClassName")) return std::string(KindName(kind_));
  return std::nullopt;
}

bool Control::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  if (origin == Origin::User) return false;
  if (core::EqualsNoCase(prop, "Enabled")) {
    SetEnabled(ParseBool(value));
  } else if (core::EqualsNoCase(prop, "Visible")) {
    SetVisible(ParseBool(value));
  } else if (core::EqualsNoCase(prop, "Caption")) {
    SetCaption(std::string(value));
  } else if (core::EqualsNoCase(prop, "Hint")) {
    SetHint(std::string(value));
  } else if (core::EqualsNoCase(prop, "Font.Color")) {
    SetFontColor(std::string(value));
  } else {
    return false;
  }
  return true;
}

bool Control::AcceptsUserInput() const {
  return enabled_ && visible_;
}

void Control::UserClick() {
  if (AcceptsUserInput()) DoUserClick();
}

void Control::DoUserClick() {
  FireClick();
}

void Control::Changed(std::string_view prop) {
  form_.NotifyChanged(*this, prop);
}

}  // namespace forms
