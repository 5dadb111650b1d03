#pragma once
// A file dialog component of a form (an open or a save dialog): the settings the program fills in
// before each use (title, filter, default extension, initial folder, file name) and the file
// chosen last. Execute asks through the dialog service, so the GUI shows a real dialog and the
// headless program answers from its queue. Loop thread only.

#include "forms/control.h"

namespace forms {

class DialogService;

class FileDialog : public Control {
 public:
  enum class Mode { Open, Save };

  FileDialog(Form& form, std::string name, Mode mode);

  [[nodiscard]] Mode DialogMode() const { return mode_; }
  [[nodiscard]] const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title) { Store(title_, title, "Title"); }
  // "Description|pattern" pairs joined by "|", e.g. "All Files|*.*".
  [[nodiscard]] const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& filter) { Store(filter_, filter, "Filter"); }
  // Appended (after a ".") to a chosen name that has no extension.
  [[nodiscard]] const std::string& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const std::string& ext) { Store(defaultExt_, ext, "DefaultExt"); }
  [[nodiscard]] const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& dir) { Store(initialDir_, dir, "InitialDir"); }
  [[nodiscard]] const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& name) { Store(fileName_, name, "FileName"); }
  // Only an existing file may be chosen (the open dialog's "file must exist").
  [[nodiscard]] bool FileMustExist() const { return fileMustExist_; }
  void SetFileMustExist(bool on) { fileMustExist_ = on; }

  // Asks for a file. True when one was chosen; FileName then holds it. A choice the dialog would
  // not accept (a missing file where one must exist) counts as cancelled.
  bool Execute(DialogService& dialogs);

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;

 private:
  void Store(std::string& field, const std::string& value, std::string_view prop);

  Mode mode_;
  std::string title_;
  std::string filter_;
  std::string defaultExt_;
  std::string initialDir_;
  std::string fileName_;
  bool fileMustExist_ = false;
};

}  // namespace forms
