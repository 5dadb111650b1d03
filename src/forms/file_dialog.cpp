#include "forms/file_dialog.h"

#include <sys/stat.h>

#include "core/text.h"
#include "forms/dialog_service.h"

namespace forms {

namespace {

bool HasExtension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

FileDialog::FileDialog(Form& form, std::string name, Mode mode)
    : Control(form, std::move(name),
              mode == Mode::Open ? ControlKind::OpenDialog : ControlKind::SaveDialog),
      mode_(mode) {}

void FileDialog::Store(std::string& field, const std::string& value, std::string_view prop) {
  if (field == value) return;
  field = value;
  Changed(prop);
}

bool FileDialog::Execute(DialogService& dialogs) {
  std::optional<std::string> chosen = mode_ == Mode::Open
                                          ? dialogs.OpenFile(title_, initialDir_, filter_)
                                          : dialogs.SaveFile(title_, initialDir_, fileName_);
  if (!chosen || chosen->empty()) return false;
  std::string path = *chosen;
  if (!defaultExt_.empty() && !HasExtension(path)) path += "." + defaultExt_;
  if (fileMustExist_ && !IsFile(path)) return false;
  SetFileName(path);
  return true;
}

std::optional<std::string> FileDialog::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Title")) return title_;
  if (core::EqualsNoCase(prop, "Filter")) return filter_;
  if (core::EqualsNoCase(prop, "DefaultExt")) return defaultExt_;
  if (core::EqualsNoCase(prop, "InitialDir")) return initialDir_;
  if (core::EqualsNoCase(prop, "FileName")) return fileName_;
  return Control::GetProperty(prop);
}

bool FileDialog::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  // Nothing of a dialog component is a user's to edit; its answer comes through Execute.
  if (origin == Origin::User) return false;
  const std::string text(value);
  if (core::EqualsNoCase(prop, "Title")) {
    SetTitle(text);
  } else if (core::EqualsNoCase(prop, "Filter")) {
    SetFilter(text);
  } else if (core::EqualsNoCase(prop, "DefaultExt")) {
    SetDefaultExt(text);
  } else if (core::EqualsNoCase(prop, "InitialDir")) {
    SetInitialDir(text);
  } else if (core::EqualsNoCase(prop, "FileName")) {
    SetFileName(text);
  } else {
    return Control::SetProperty(prop, value, origin);
  }
  return true;
}

}  // namespace forms
