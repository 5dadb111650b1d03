#pragma once
// Every modal question the program asks goes through this one interface: message boxes, input
// boxes, file and folder pickers, modal forms, the message beep, the clipboard and the busy
// cursor. The GUI shows real dialogs; headless runs and tests answer from a queue.

#include <optional>
#include <string>

#include "forms/form.h"

namespace forms {

enum class Buttons { OK, OKCancel, YesNo, YesNoCancel };
enum class MessageKind { Information, Warning, Error, Question };

class DialogService {
 public:
  virtual ~DialogService() = default;

  virtual ModalResult MessageBox(const std::string& text, const std::string& caption,
                                 Buttons buttons, MessageKind kind) = 0;
  // The text entered, or nullopt when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& defaultText) = 0;
  virtual std::optional<std::string> OpenFile(const std::string& title,
                                              const std::string& initialDir,
                                              const std::string& filter) = 0;
  virtual std::optional<std::string> SaveFile(const std::string& title,
                                              const std::string& initialDir,
                                              const std::string& fileName) = 0;
  virtual std::optional<std::string> SelectFolder(const std::string& title,
                                                  const std::string& initialDir) = 0;
  // Shows `form` modally and returns when it has a modal result (or is hidden).
  virtual ModalResult ShowModal(Form& form) = 0;
  virtual void Beep() = 0;
  virtual void SetClipboard(const std::string& text) = 0;
  [[nodiscard]] virtual std::string Clipboard() const = 0;
  virtual void SetBusyCursor(bool busy) = 0;
};

}  // namespace forms
