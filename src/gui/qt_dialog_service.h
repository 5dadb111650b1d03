#pragma once
// The desktop program's dialog service: real Qt dialogs (message boxes, input boxes, file and
// folder pickers, the modal forms' windows), the message beep, the clipboard and the busy cursor.
// It is a QueuedDialogService too: an answer queued for the control socket (`answer`) answers the
// next question as headless does, and one queued while a dialog is shown closes that dialog with
// it. Modal dialogs run the core loop (QtEventLoop) until they are answered, so the program's
// timers go on meanwhile, as they did under the classic message loop. Qt GUI thread only.

#include <QDialog>
#include <functional>
#include <memory>

#include "forms/queued_dialog_service.h"
#include "gui/widget_factory.h"

class QWidget;

namespace gui {

class QtDialogService : public forms::QueuedDialogService {
 public:
  // The window of a modal form; return null for the generic window (the form's controls, one
  // per row of a QFormLayout, made by CreateWidget).
  using WindowFactory = std::function<std::unique_ptr<QDialog>(forms::Form&)>;

  explicit QtDialogService(core::EventLoop& loop) : QueuedDialogService(loop) {}

  void SetWindowFactory(WindowFactory factory) { windowFactory_ = std::move(factory); }
  void SetPictures(PictureResolver pictures) { pictures_ = std::move(pictures); }
  // The window dialogs are centred on and modal to (the main window); may be null.
  void SetParentWindow(QWidget* parent) { parent_ = parent; }
  // The dialog being shown now (a message box, a picker or a form's window), or null: the tests
  // and the screenshots reach it here.
  [[nodiscard]] QDialog* CurrentDialog() const { return current_; }
  // Called with every dialog right after it is shown.
  std::function<void(QDialog&)> OnDialogShown;

  forms::ModalResult MessageBox(const std::string& text, const std::string& caption,
                                forms::Buttons buttons, forms::MessageKind kind) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& defaultText) override;
  std::optional<std::string> OpenFile(const std::string& title, const std::string& initialDir,
                                      const std::string& filter) override;
  std::optional<std::string> SaveFile(const std::string& title, const std::string& initialDir,
                                      const std::string& fileName) override;
  std::optional<std::string> SelectFolder(const std::string& title,
                                          const std::string& initialDir) override;
  forms::ModalResult ShowModal(forms::Form& form) override;
  void Beep() override;
  void SetClipboard(const std::string& text) override;
  [[nodiscard]] std::string Clipboard() const override;
  void SetBusyCursor(bool busy) override;

 private:
  // Shows `dialog` modally and runs the loop until it closes (true) or an answer is queued
  // (false: the dialog is closed and the caller answers from the queue).
  bool Run(QDialog& dialog);
  std::unique_ptr<QDialog> WindowFor(forms::Form& form);

  WindowFactory windowFactory_;
  PictureResolver pictures_;
  QWidget* parent_ = nullptr;
  QDialog* current_ = nullptr;
  int busy_ = 0;
};

}  // namespace gui
