#include "gui/qt_dialog_service.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

#include "core/text.h"
#include "gui/form_binder.h"

namespace gui {

using forms::Buttons;
using forms::ModalResult;

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// The program writes line breaks as CR LF; a plain-text box shows LF as a break.
QString Lines(const std::string& text) {
  return Q(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QMessageBox::StandardButtons QtButtons(Buttons buttons) {
  switch (buttons) {
    case Buttons::OK:
      return QMessageBox::Ok;
    case Buttons::OKCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon QtIcon(forms::MessageKind kind) {
  switch (kind) {
    case forms::MessageKind::Information:
      return QMessageBox::Information;
    case forms::MessageKind::Warning:
      return QMessageBox::Warning;
    case forms::MessageKind::Error:
      return QMessageBox::Critical;
    case forms::MessageKind::Question:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

std::optional<ModalResult> ResultOf(QMessageBox::StandardButton b) {
  switch (b) {
    case QMessageBox::Ok:
      return ModalResult::OK;
    case QMessageBox::Cancel:
      return ModalResult::Cancel;
    case QMessageBox::Yes:
      return ModalResult::Yes;
    case QMessageBox::No:
      return ModalResult::No;
    default:
      return std::nullopt;
  }
}

// "Text files|*.txt;*.log|All files|*.*" -> "Text files (*.txt *.log);;All files (*)"
QString QtFilter(const std::string& filter) {
  const auto parts = core::Split(filter, '|');
  QStringList out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = Q(parts[i + 1]).replace(';', ' ');
    if (patterns == QStringLiteral("*.*")) patterns = QStringLiteral("*");
    out << Q(parts[i]) + QStringLiteral(" (") + patterns + QStringLiteral(")");
  }
  return out.join(QStringLiteral(";;"));
}

}  // namespace

bool QtDialogService::Run(QDialog& dialog) {
  QDialog* outer = current_;
  current_ = &dialog;
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  if (OnDialogShown) OnDialogShown(dialog);
  while (dialog.isVisible() && PendingAnswers() == 0 && !Loop().QuitRequested()) {
    Loop().ProcessOrWait();
  }
  const bool queued = dialog.isVisible() && PendingAnswers() > 0;
  dialog.hide();
  current_ = outer;
  return !queued;
}

ModalResult QtDialogService::MessageBox(const std::string& text, const std::string& caption,
                                        Buttons buttons, forms::MessageKind kind) {
  if (PendingAnswers() > 0) return QueuedDialogService::MessageBox(text, caption, buttons, kind);
  QMessageBox box(QtIcon(kind), Q(caption), Lines(text), QtButtons(buttons), parent_);
  box.setTextFormat(Qt::PlainText);
  if (!Run(box)) return QueuedDialogService::MessageBox(text, caption, buttons, kind);
  ModalResult result = Unanswered(buttons);
  if (box.clickedButton()) {
    if (auto r = ResultOf(box.standardButton(box.clickedButton()))) result = *r;
  }
  Report("MessageBox", caption.empty() ? text : caption + ": " + text,
         std::string(forms::ModalResultName(result)));
  return result;
}

std::optional<std::string> QtDialogService::InputBox(const std::string& caption,
                                                     const std::string& prompt,
                                                     const std::string& defaultText) {
  if (PendingAnswers() > 0) return QueuedDialogService::InputBox(caption, prompt, defaultText);
  QInputDialog dialog(parent_);
  dialog.setWindowTitle(Q(caption));
  dialog.setLabelText(Lines(prompt));
  dialog.setTextValue(Q(defaultText));
  if (!Run(dialog)) return QueuedDialogService::InputBox(caption, prompt, defaultText);
  std::optional<std::string> answer;
  if (dialog.result() == QDialog::Accepted) answer = dialog.textValue().toStdString();
  Report("InputBox", caption + ": " + prompt, answer ? *answer : "Cancel");
  return answer;
}

std::optional<std::string> QtDialogService::OpenFile(const std::string& title,
                                                     const std::string& initialDir,
                                                     const std::string& filter) {
  if (PendingAnswers() > 0) return QueuedDialogService::OpenFile(title, initialDir, filter);
  QFileDialog dialog(parent_, Q(title), Q(initialDir), QtFilter(filter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (!Run(dialog)) return QueuedDialogService::OpenFile(title, initialDir, filter);
  std::optional<std::string> answer;
  if (dialog.result() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    answer = dialog.selectedFiles().front().toStdString();
  }
  Report("OpenFile", title + " [" + initialDir + "]", answer ? *answer : "Cancel");
  return answer;
}

std::optional<std::string> QtDialogService::SaveFile(const std::string& title,
                                                     const std::string& initialDir,
                                                     const std::string& fileName) {
  if (PendingAnswers() > 0) return QueuedDialogService::SaveFile(title, initialDir, fileName);
  QFileDialog dialog(parent_, Q(title), Q(initialDir));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.selectFile(Q(fileName));
  if (!Run(dialog)) return QueuedDialogService::SaveFile(title, initialDir, fileName);
  std::optional<std::string> answer;
  if (dialog.result() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    answer = dialog.selectedFiles().front().toStdString();
  }
  Report("SaveFile", title + " [" + initialDir + "/" + fileName + "]", answer ? *answer : "Cancel");
  return answer;
}

std::optional<std::string> QtDialogService::SelectFolder(const std::string& title,
                                                         const std::string& initialDir) {
  if (PendingAnswers() > 0) return QueuedDialogService::SelectFolder(title, initialDir);
  QFileDialog dialog(parent_, Q(title), Q(initialDir));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (!Run(dialog)) return QueuedDialogService::SelectFolder(title, initialDir);
  std::optional<std::string> answer;
  if (dialog.result() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    answer = dialog.selectedFiles().front().toStdString();
  }
  Report("SelectFolder", title + " [" + initialDir + "]", answer ? *answer : "Cancel");
  return answer;
}

std::unique_ptr<QDialog> QtDialogService::WindowFor(forms::Form& form) {
  if (windowFactory_) {
    if (auto dialog = windowFactory_(form)) return dialog;
  }
  // The generic window: every control that has a widget, one per row, in the form's order.
  auto dialog = std::make_unique<QDialog>(parent_);
  dialog->setObjectName(Q(form.Name()));
  auto* layout = new QFormLayout(dialog.get());
  for (forms::Control* c : form.Controls()) {
    if (QWidget* w = CreateWidget(*c, dialog.get())) layout->addRow(w);
  }
  return dialog;
}

ModalResult QtDialogService::ShowModal(forms::Form& form) {
  BeginModal(form);
  std::unique_ptr<QDialog> dialog = WindowFor(form);
  FormBinder binder(form, dialog.get(), pictures_);
  binder.GuardWith(Loop());
  if (OnModal) OnModal(form);
  QDialog* outer = current_;
  current_ = dialog.get();
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->show();
  if (OnDialogShown) OnDialogShown(*dialog);
  // Answers queued meanwhile (the control socket) are offered as headless; one the form neither
  // takes nor reads as a result stays for the next question.
  std::size_t offered = static_cast<std::size_t>(-1);
  while (form.Result() == ModalResult::None && form.Visible() && dialog->isVisible() &&
         !Loop().QuitRequested()) {
    if (PendingAnswers() != offered) {
      TakeQueuedAnswer(form);
      offered = PendingAnswers();
      continue;
    }
    Loop().ProcessOrWait();
  }
  dialog->hide();
  current_ = outer;
  return EndModal(form);
}

void QtDialogService::Beep() {
  QApplication::beep();
  QueuedDialogService::Beep();
}

void QtDialogService::SetClipboard(const std::string& text) {
  QGuiApplication::clipboard()->setText(Q(text));
}

std::string QtDialogService::Clipboard() const {
  return QGuiApplication::clipboard()->text().toStdString();
}

void QtDialogService::SetBusyCursor(bool busy) {
  // The program may say "busy" twice; one override cursor per busy state.
  if (busy == (busy_ > 0)) return;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busy_ = 1;
  } else {
    QApplication::restoreOverrideCursor();
    busy_ = 0;
  }
}

}  // namespace gui
