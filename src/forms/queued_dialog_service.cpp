#include "forms/queued_dialog_service.h"

#include "core/text.h"

namespace forms {

std::optional<ModalResult> QueuedDialogService::ResultFromText(const std::string& text) {
  for (ModalResult r : {ModalResult::OK, ModalResult::Cancel, ModalResult::Yes, ModalResult::No,
                        ModalResult::Abort, ModalResult::Retry, ModalResult::Ignore}) {
    if (core::EqualsNoCase(text, ModalResultName(r))) return r;
  }
  return std::nullopt;
}

namespace {
bool Allowed(Buttons buttons, ModalResult r) {
  switch (buttons) {
    case Buttons::OK:
      return r == ModalResult::OK;
    case Buttons::OKCancel:
      return r == ModalResult::OK || r == ModalResult::Cancel;
    case Buttons::YesNo:
      return r == ModalResult::Yes || r == ModalResult::No;
    case Buttons::YesNoCancel:
      return r == ModalResult::Yes || r == ModalResult::No || r == ModalResult::Cancel;
  }
  return false;
}

}  // namespace

ModalResult QueuedDialogService::Unanswered(Buttons buttons) {
  switch (buttons) {
    case Buttons::OK:
      return ModalResult::OK;
    case Buttons::OKCancel:
      return ModalResult::Cancel;
    case Buttons::YesNo:
      return ModalResult::No;
    case Buttons::YesNoCancel:
      return ModalResult::Cancel;
  }
  return ModalResult::Cancel;
}

std::optional<std::string> QueuedDialogService::Next() {
  if (answers_.empty()) return std::nullopt;
  std::string a = answers_.front();
  answers_.pop_front();
  return a;
}

void QueuedDialogService::Report(const std::string& kind, const std::string& question,
                                 const std::string& answer) {
  if (OnQuestion) OnQuestion(kind, question, answer);
}

ModalResult QueuedDialogService::MessageBox(const std::string& text, const std::string& caption,
                                            Buttons buttons, MessageKind) {
  ModalResult result = Unanswered(buttons);
  if (buttons != Buttons::OK) {
    if (auto a = Next()) {
      if (auto r = ResultFromText(*a); r && Allowed(buttons, *r)) result = *r;
    }
  }
  Report("MessageBox", caption.empty() ? text : caption + ": " + text,
         std::string(ModalResultName(result)));
  return result;
}

std::optional<std::string> QueuedDialogService::InputBox(const std::string& caption,
                                                         const std::string& prompt,
                                                         const std::string& defaultText) {
  auto a = Next();
  if (a && core::EqualsNoCase(*a, "Cancel")) a.reset();
  if (a && core::EqualsNoCase(*a, "OK")) a = defaultText;
  Report("InputBox", caption + ": " + prompt, a ? *a : "Cancel");
  return a;
}

std::optional<std::string> QueuedDialogService::AskPath(const std::string& kind,
                                                        const std::string& question) {
  auto a = Next();
  if (a && (a->empty() || core::EqualsNoCase(*a, "Cancel"))) a.reset();
  Report(kind, question, a ? *a : "Cancel");
  return a;
}

std::optional<std::string> QueuedDialogService::OpenFile(const std::string& title,
                                                         const std::string& initialDir,
                                                         const std::string&) {
  return AskPath("OpenFile", title + " [" + initialDir + "]");
}

std::optional<std::string> QueuedDialogService::SaveFile(const std::string& title,
                                                         const std::string& initialDir,
                                                         const std::string& fileName) {
  return AskPath("SaveFile", title + " [" + initialDir + "/" + fileName + "]");
}

std::optional<std::string> QueuedDialogService::SelectFolder(const std::string& title,
                                                             const std::string& initialDir) {
  return AskPath("SelectFolder", title + " [" + initialDir + "]");
}

ModalResult QueuedDialogService::ShowModal(Form& form) {
  BeginModal(form);
  if (OnModal) OnModal(form);
  TakeQueuedAnswer(form);
  if (form.Result() == ModalResult::None && Interactive) {
    while (form.Result() == ModalResult::None && form.Visible() && !loop_.QuitRequested()) {
      loop_.ProcessOrWait();
    }
  }
  return EndModal(form);
}

void QueuedDialogService::BeginModal(Form& form) {
  form.SetModalResult(ModalResult::None);
  if (app_) app_->OpenForm(form);
  form.Show();
}

void QueuedDialogService::TakeQueuedAnswer(Form& form) {
  if (form.Result() == ModalResult::None && !answers_.empty()) {
    // Taken off the queue first: what the form does with it may ask questions of its own.
    std::string answer = *Next();
    if (!form.TakeAnswer(answer)) answers_.push_front(std::move(answer));
  }
  if (form.Result() == ModalResult::None && !answers_.empty() && ResultFromText(answers_.front())) {
    form.SetModalResult(*ResultFromText(*Next()));
  }
}

ModalResult QueuedDialogService::EndModal(Form& form) {
  if (form.Result() == ModalResult::None) form.SetModalResult(ModalResult::Cancel);
  form.Hide();
  if (app_) app_->CloseForm(form);
  Report("ShowModal", form.Name(), std::string(ModalResultName(form.Result())));
  return form.Result();
}

void QueuedDialogService::Beep() {
  ++beeps_;
  if (OnBeep) OnBeep();
}

}  // namespace forms
