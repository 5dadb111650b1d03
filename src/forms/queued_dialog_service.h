#pragma once
// The headless dialog service: every question is answered from a queue of answers (filled by
// tests and by the control socket), and is reported with its answer to OnQuestion. With an empty
// queue a question gets No / Cancel (a plain message gets OK).
//
// A modal form is first offered the next queued answer (Form::TakeAnswer: a dialog with buttons of
// its own clicks the one named); otherwise it takes a queued "OK"/"Cancel"/"Yes"/"No" as its
// result; without one it is closed
// with Cancel unless Interactive is set, in which case the loop runs until somebody (the control
// socket, a test's OnModal hook) gives the form a result. Loop thread only.

#include <deque>
#include <functional>

#include "forms/application.h"
#include "forms/dialog_service.h"

namespace forms {

class QueuedDialogService : public DialogService {
 public:
  explicit QueuedDialogService(core::EventLoop& loop) : loop_(loop) {}

  void SetApplication(Application* app) { app_ = app; }
  void QueueAnswer(const std::string& answer) { answers_.push_back(answer); }
  // The answer to the very next question, ahead of the ones already queued.
  void QueueAnswerFirst(const std::string& answer) { answers_.push_front(answer); }
  [[nodiscard]] std::size_t PendingAnswers() const { return answers_.size(); }
  [[nodiscard]] int BeepCount() const { return beeps_; }

  ModalResult MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                         MessageKind kind) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& defaultText) override;
  std::optional<std::string> OpenFile(const std::string& title, const std::string& initialDir,
                                      const std::string& filter) override;
  std::optional<std::string> SaveFile(const std::string& title, const std::string& initialDir,
                                      const std::string& fileName) override;
  std::optional<std::string> SelectFolder(const std::string& title,
                                          const std::string& initialDir) override;
  ModalResult ShowModal(Form& form) override;
  void Beep() override;
  void SetClipboard(const std::string& text) override { clipboard_ = text; }
  [[nodiscard]] std::string Clipboard() const override { return clipboard_; }
  void SetBusyCursor(bool busy) override { busy_ = busy; }
  [[nodiscard]] bool Busy() const { return busy_; }

  bool Interactive = false;
  // (kind, question, answer) of every question asked.
  std::function<void(const std::string&, const std::string&, const std::string&)> OnQuestion;
  std::function<void()> OnBeep;
  // Tests fill a modal form here and give it a result.
  std::function<void(Form&)> OnModal;

 protected:
  // What a view that shows real dialogs shares with the queue: the answer a text stands for, the
  // answer of a question nobody answered, the steps of a modal form, the report of a question.
  static std::optional<ModalResult> ResultFromText(const std::string& text);
  static ModalResult Unanswered(Buttons buttons);
  void BeginModal(Form& form);
  // Offers the next queued answer to the shown `form`: its own buttons, else a modal result.
  void TakeQueuedAnswer(Form& form);
  ModalResult EndModal(Form& form);
  void Report(const std::string& kind, const std::string& question, const std::string& answer);
  [[nodiscard]] core::EventLoop& Loop() const { return loop_; }

 private:
  std::optional<std::string> Next();
  std::optional<std::string> AskPath(const std::string& kind, const std::string& question);

  core::EventLoop& loop_;
  Application* app_ = nullptr;
  std::deque<std::string> answers_;
  int beeps_ = 0;
  std::string clipboard_;
  bool busy_ = false;
};

}  // namespace forms
