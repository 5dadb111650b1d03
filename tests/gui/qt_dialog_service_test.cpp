// The Qt dialog service: real dialogs answered by a user's click, and queued answers (the control
// socket's) that answer a question at once or close the dialog shown.
#include "gui/qt_dialog_service.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "forms/application.h"
#include "forms/edit.h"
#include "gui/qt_event_loop.h"

namespace {

using forms::Buttons;
using forms::MessageKind;
using forms::ModalResult;

struct Fixture {
  gui::QtEventLoop loop;
  gui::QtDialogService dialogs{loop};
  forms::Application app{loop, dialogs};
  std::vector<std::string> questions;

  Fixture() {
    dialogs.SetApplication(&app);
    dialogs.OnQuestion = [this](const std::string& kind, const std::string&,
                                const std::string& answer) {
      questions.push_back(kind + "=" + answer);
    };
  }
  // Runs `act` on the dialog once it is shown, from the loop (as a user's later act).
  void WhenShown(std::function<void(QDialog&)> act) {
    dialogs.OnDialogShown = [this, act](QDialog& d) { loop.CallAfter(5, [&d, act] { act(d); }); };
  }
};

// A small form: an edit and an OK button that sets the modal result, as the program's dialogs do.
struct SmallForm : forms::Form {
  forms::Edit& name = Add<forms::Edit>("EditName");
  forms::Control& ok = Add<forms::Control>("ButtonOK", forms::ControlKind::Button);
  SmallForm() : forms::Form("TSmall") {
    ok.SetCaption("OK");
    ok.OnClick = [this] { SetModalResult(ModalResult::OK); };
  }
};

TEST(QtDialogService, MessageBoxShowsLinesAndReturnsTheButtonClicked) {
  Fixture f;
  QString shownText;
  f.WhenShown([&](QDialog& d) {
    auto& box = static_cast<QMessageBox&>(d);
    shownText = box.text();
    box.button(QMessageBox::Yes)->click();
  });
  EXPECT_EQ(
      f.dialogs.MessageBox("first\r\nsecond", "Stayline", Buttons::YesNo, MessageKind::Question),
      ModalResult::Yes);
  EXPECT_EQ(shownText, "first\nsecond");
  EXPECT_EQ(f.dialogs.CurrentDialog(), nullptr);
  // Closed by the window's close box: the answer nobody gave.
  f.WhenShown([](QDialog& d) { d.reject(); });
  EXPECT_EQ(f.dialogs.MessageBox("q", "", Buttons::YesNoCancel, MessageKind::Question),
            ModalResult::Cancel);
  EXPECT_EQ(f.questions, (std::vector<std::string>{"MessageBox=Yes", "MessageBox=Cancel"}));
}

TEST(QtDialogService, QueuedAnswersAnswerAtOnceOrCloseTheDialogShown) {
  Fixture f;
  int shown = 0;
  f.dialogs.OnDialogShown = [&](QDialog&) { ++shown; };
  f.dialogs.QueueAnswer("No");
  EXPECT_EQ(f.dialogs.MessageBox("q", "", Buttons::YesNo, MessageKind::Question), ModalResult::No);
  EXPECT_EQ(shown, 0);

  // An answer that arrives while the box is up (the control socket) closes it with that answer.
  f.WhenShown([&](QDialog&) {
    ++shown;
    f.dialogs.QueueAnswer("Yes");
  });
  EXPECT_EQ(f.dialogs.MessageBox("q", "", Buttons::YesNo, MessageKind::Question), ModalResult::Yes);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(f.dialogs.PendingAnswers(), 0u);

  f.WhenShown([&](QDialog&) { f.dialogs.QueueAnswer("typed"); });
  EXPECT_EQ(f.dialogs.InputBox("Entry", "Name:", "x"), "typed");
}

TEST(QtDialogService, InputBoxReturnsTheTextOrNothingWhenCancelled) {
  Fixture f;
  f.WhenShown([](QDialog& d) {
    auto& input = static_cast<QInputDialog&>(d);
    EXPECT_EQ(input.textValue(), "default");
    input.setTextValue("chosen");
    input.accept();
  });
  EXPECT_EQ(f.dialogs.InputBox("Entry", "Name:", "default"), "chosen");
  f.WhenShown([](QDialog& d) { d.reject(); });
  EXPECT_EQ(f.dialogs.InputBox("Entry", "Name:", "default"), std::nullopt);
}

TEST(QtDialogService, ModalFormIsBoundOpenAndClosedByItsButtonOrAQueuedAnswer) {
  Fixture f;
  SmallForm form;
  bool openWhileShown = false;
  f.WhenShown([&](QDialog& d) {
    openWhileShown = f.app.FindForm("TSmall") == &form && d.isVisible();
    auto* edit = d.findChild<QLineEdit*>("EditName");
    ASSERT_NE(edit, nullptr);
    edit->setText("ignored: not typed");
    edit->textEdited("typed");  // as the widget reports a user's typing
    d.findChild<QPushButton*>("ButtonOK")->click();
  });
  EXPECT_EQ(f.dialogs.ShowModal(form), ModalResult::OK);
  EXPECT_TRUE(openWhileShown);
  EXPECT_EQ(form.name.Text(), "typed");
  EXPECT_EQ(f.app.FindForm("TSmall"), nullptr);
  EXPECT_FALSE(form.Visible());

  // The window stays up until the control socket's answer arrives.
  f.WhenShown([&](QDialog&) { f.dialogs.QueueAnswer("OK"); });
  EXPECT_EQ(f.dialogs.ShowModal(form), ModalResult::OK);
  EXPECT_EQ(f.dialogs.PendingAnswers(), 0u);

  // The window's close box cancels.
  f.WhenShown([](QDialog& d) { d.close(); });
  EXPECT_EQ(f.dialogs.ShowModal(form), ModalResult::Cancel);
  EXPECT_EQ(f.questions.back(), "ShowModal=Cancel");
}

TEST(QtDialogService, WindowFactoryMakesTheWindowAndTimersRunMeanwhile) {
  Fixture f;
  SmallForm form;
  int made = 0;
  f.dialogs.SetWindowFactory([&](forms::Form& fm) -> std::unique_ptr<QDialog> {
    ++made;
    auto d = std::make_unique<QDialog>();
    for (forms::Control* c : fm.Controls()) gui::CreateWidget(*c, d.get());
    return d;
  });
  int ticks = 0;
  std::function<void()> tick = [&] {
    if (++ticks < 3) {
      f.loop.CallAfter(5, tick);
    } else {
      form.SetModalResult(ModalResult::OK);
    }
  };
  f.dialogs.OnDialogShown = [&](QDialog&) { f.loop.CallAfter(5, tick); };
  EXPECT_EQ(f.dialogs.ShowModal(form), ModalResult::OK);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(ticks, 3);
}

TEST(QtDialogService, ClipboardAndBusyCursor) {
  Fixture f;
  f.dialogs.SetClipboard("192.0.2.7");
  EXPECT_EQ(f.dialogs.Clipboard(), "192.0.2.7");
  f.dialogs.SetBusyCursor(true);
  f.dialogs.SetBusyCursor(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  f.dialogs.SetBusyCursor(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // one restore ends both "busy"
}

}  // namespace
