// The classic toolkit's event semantics the program's logic relies on.

#include <gtest/gtest.h>

#include "core/sim_loop.h"
#include "forms/application.h"
#include "forms/check_box.h"
#include "forms/combo_box.h"
#include "forms/edit.h"
#include "forms/file_dialog.h"
#include "forms/list_box.h"
#include "forms/memo.h"
#include "forms/page_control.h"
#include "forms/queued_dialog_service.h"
#include "forms/radio_button.h"
#include "forms/status_bar.h"
#include "forms/timer_control.h"

namespace {

TEST(Controls, CheckBoxFiresOnEveryChangeFromCodeOrUserButNotOnSameValue) {
  forms::Form form("F");
  auto& box = form.Add<forms::CheckBox>("Box");
  int clicks = 0;
  box.OnClick = [&] { ++clicks; };
  box.SetChecked(false);
  EXPECT_EQ(clicks, 0);
  box.SetChecked(true);
  EXPECT_EQ(clicks, 1);
  box.UserClick();
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(clicks, 2);
  box.SetProperty("Checked", "0", forms::Origin::User);
  EXPECT_EQ(clicks, 2) << "no change, no click";
  box.SetEnabled(false);
  box.UserClick();
  box.SetProperty("Checked", "1", forms::Origin::User);
  EXPECT_EQ(clicks, 2) << "a disabled box ignores the user";
  box.SetChecked(true);
  EXPECT_EQ(clicks, 3) << "code still changes it";
}

TEST(Controls, RadioButtonsOfOneParentFormAGroup) {
  forms::Form form("F");
  auto& a = form.Add<forms::RadioButton>("A");
  auto& b = form.Add<forms::RadioButton>("B");
  auto& other = form.Add<forms::RadioButton>("Other");
  a.SetParent("G");
  b.SetParent("G");
  other.SetParent("H");
  other.SetChecked(true);
  std::vector<std::string> clicks;
  a.OnClick = [&] { clicks.push_back("A"); };
  b.OnClick = [&] { clicks.push_back("B"); };
  a.SetChecked(true);
  b.UserClick();
  EXPECT_FALSE(a.Checked());
  EXPECT_TRUE(b.Checked());
  EXPECT_TRUE(other.Checked()) << "another group is untouched";
  EXPECT_EQ(clicks, (std::vector<std::string>{"A", "B"})) << "unchecking fires nothing";
}

TEST(Controls, EditsFireChangeButComboTextFromCodeDoesNot) {
  forms::Form form("F");
  auto& edit = form.Add<forms::Edit>("E");
  auto& combo = form.Add<forms::ComboBox>("C");
  int edits = 0, combos = 0;
  edit.OnChange = [&] { ++edits; };
  combo.OnChange = [&] { ++combos; };
  edit.SetText("x");
  edit.SetText("x");
  EXPECT_EQ(edits, 1);
  edit.SetReadOnly(true);
  edit.SetProperty("Text", "typed", forms::Origin::User);
  EXPECT_EQ(edit.Text(), "x") << "read-only";

  combo.SetSorted(true);
  combo.AddItem("beta");
  combo.AddItem("Alpha");
  EXPECT_EQ(combo.Items(), (std::vector<std::string>{"Alpha", "beta"}));
  combo.SetText("beta");
  combo.SetItemIndex(0);
  EXPECT_EQ(combos, 0);
  EXPECT_EQ(combo.Text(), "Alpha");
  combo.SetProperty("ItemIndex", "1", forms::Origin::User);
  EXPECT_EQ(combos, 1);
  EXPECT_EQ(combo.Text(), "beta");
  combo.SetProperty("Text", "typed", forms::Origin::User);
  EXPECT_EQ(combos, 2);
  EXPECT_EQ(combo.ItemIndex(), -1);
}

// A key reaches a read-only edit too, but not a disabled one, and only from a user.
TEST(Controls, EditKeyDownComesFromAUserOnly) {
  forms::Form form("F");
  auto& edit = form.Add<forms::Edit>("E");
  std::vector<int> keys;
  edit.OnKeyDown = [&](int key) { keys.push_back(key); };
  EXPECT_TRUE(edit.SetProperty("KeyDown", "13", forms::Origin::User));
  edit.SetReadOnly(true);
  EXPECT_TRUE(edit.SetProperty("KeyDown", "27", forms::Origin::User));
  EXPECT_FALSE(edit.SetProperty("KeyDown", "13", forms::Origin::Code));
  EXPECT_FALSE(edit.SetProperty("KeyDown", "enter", forms::Origin::User));
  EXPECT_FALSE(edit.SetProperty("KeyDown", "300", forms::Origin::User));
  edit.SetEnabled(false);
  EXPECT_TRUE(edit.SetProperty("KeyDown", "13", forms::Origin::User));
  EXPECT_EQ(keys, (std::vector<int>{13, 27}));
  EXPECT_EQ(edit.GetProperty("KeyDown"), "") << "a key is pressed, not kept";
  EXPECT_TRUE(edit.RejectUserValue("KeyDown", "enter").has_value());
}

TEST(Controls, MemoLinesAndText) {
  forms::Form form("F");
  auto& memo = form.Add<forms::Memo>("M");
  int changes = 0;
  memo.OnChange = [&] { ++changes; };
  memo.SetText("one\r\ntwo\nthree");
  EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(memo.Text(), "one\r\ntwo\r\nthree");
  memo.AddLine("four");
  EXPECT_EQ(changes, 2);
}

TEST(Controls, PageControlRunsTheSheetsShowHandler) {
  forms::Form form("F");
  auto& pages = form.Add<forms::PageControl>("P");
  auto& one = form.Add<forms::TabSheet>("One");
  auto& two = form.Add<forms::TabSheet>("Two");
  pages.AddPage(one);
  pages.AddPage(two);
  int shown = 0, changed = 0;
  two.OnShow = [&] { ++shown; };
  pages.OnChange = [&] { ++changed; };
  EXPECT_TRUE(pages.SetProperty("ActivePage", "two", forms::Origin::User));
  EXPECT_EQ(pages.ActivePage(), &two);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(changed, 1);
  EXPECT_FALSE(pages.SetProperty("ActivePage", "Three", forms::Origin::User));
}

TEST(Controls, AUserValueTheControlCannotTakeIsRefusedAndChangesNothing) {
  forms::Form form("F");
  auto& box = form.Add<forms::CheckBox>("Box");
  auto& radio = form.Add<forms::RadioButton>("Radio");
  auto& list = form.Add<forms::ListBox>("List");
  auto& combo = form.Add<forms::ComboBox>("Combo");
  auto& pages = form.Add<forms::PageControl>("Pages");
  auto& one = form.Add<forms::TabSheet>("One");
  auto& two = form.Add<forms::TabSheet>("Two");
  pages.AddPage(one);
  pages.AddPage(two);
  list.SetItems({"a", "b", "c"});
  combo.SetItems({"x", "y"});
  box.SetChecked(true);
  radio.SetChecked(true);
  list.SetItemIndex(1);
  combo.SetItemIndex(1);
  int events = 0;
  box.OnClick = radio.OnClick = list.OnClick = [&] { ++events; };
  combo.OnChange = pages.OnChange = [&] { ++events; };

  struct Case {
    forms::Control* control;
    std::string prop;
    std::string value;
    bool accepted;
  };
  // Accepted values are the ones already set, so that no case changes what the next one sees.
  for (const Case& c : {
           Case{&box, "Checked", "maybe", false},      Case{&box, "Checked", "", false},
           Case{&box, "Checked", "yes", false},        Case{&box, "Checked", "2", false},
           Case{&box, "Checked", " 1", false},         Case{&box, "Checked", "TRUE", true},
           Case{&box, "Checked", "1", true},           Case{&radio, "Checked", "on", false},
           Case{&radio, "Checked", "true", true},      Case{&list, "ItemIndex", "3", false},
           Case{&list, "ItemIndex", "-1", false},      Case{&list, "ItemIndex", "one", false},
           Case{&list, "ItemIndex", "", false},        Case{&list, "ItemIndex", "1", true},
           Case{&combo, "ItemIndex", "2", false},      Case{&combo, "ItemIndex", "1x", false},
           Case{&combo, "ItemIndex", "1", true},       Case{&combo, "Text", "", true},
           Case{&pages, "ActivePage", "Three", false}, Case{&pages, "ActivePage", "2", false},
           Case{&pages, "ActivePage", "", false},      Case{&pages, "ActivePage", "one", true},
           Case{&pages, "ActivePageIndex", "0", true},
       }) {
    SCOPED_TRACE(c.control->Name() + "." + c.prop + " = \"" + c.value + "\"");
    ASSERT_TRUE(c.control->UserSettable(c.prop));
    const auto refusal = c.control->RejectUserValue(c.prop, c.value);
    EXPECT_EQ(!refusal.has_value(), c.accepted) << refusal.value_or("");
    if (c.prop == "Text") combo.SetText("y");  // the one case that does change something
    const std::string before = *c.control->GetProperty(c.prop);
    const int eventsBefore = events;
    EXPECT_EQ(c.control->SetProperty(c.prop, c.value, forms::Origin::User), c.accepted);
    if (c.prop != "Text") {
      EXPECT_EQ(*c.control->GetProperty(c.prop), before);
    }
    if (!c.accepted) {
      EXPECT_EQ(events, eventsBefore) << "a refused value fires nothing";
    }
  }
  EXPECT_TRUE(box.Checked());
  EXPECT_TRUE(radio.Checked());
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(pages.ActivePage(), &one);

  EXPECT_TRUE(forms::Form::RejectUserValue("Visible", "perhaps"));
  EXPECT_FALSE(form.SetProperty("Visible", "perhaps", forms::Origin::User));
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(forms::Form::RejectUserValue("Visible", "1"));
  box.SetProperty("Checked", "maybe", forms::Origin::Code);
  EXPECT_FALSE(box.Checked()) << "the program's own values keep their lenient reading";
}

TEST(Controls, ObserversHearChangesUntilTheirSubscriptionEnds) {
  forms::Form form("F");
  auto& bar = form.Add<forms::StatusBar>("S");
  std::vector<std::string> heard;
  {
    auto sub = form.Observe([&](const forms::Form&, const forms::Control* c, std::string_view p) {
      heard.push_back((c ? c->Name() : std::string("F")) + "." + std::string(p));
    });
    bar.SetPanel(1, "x");
    bar.SetPanel(1, "x");
    form.SetCaption("c");
  }
  bar.SetPanel(1, "y");
  EXPECT_EQ(heard, (std::vector<std::string>{"S.Panels[1]", "F.Caption"}));
  EXPECT_EQ(*bar.GetProperty("Panels[1]"), "y");
}

TEST(DialogService, AnswersFromTheQueueElseNoOrCancel) {
  core::SimLoop loop(0);
  forms::QueuedDialogService dialogs(loop);
  forms::Application app(loop, dialogs);
  dialogs.SetApplication(&app);
  std::vector<std::string> log;
  dialogs.OnQuestion = [&](const std::string& k, const std::string&, const std::string& a) {
    log.push_back(k + "=" + a);
  };
  EXPECT_EQ(dialogs.MessageBox("q", "c", forms::Buttons::YesNo, forms::MessageKind::Question),
            forms::ModalResult::No);
  dialogs.QueueAnswer("Yes");
  EXPECT_EQ(dialogs.MessageBox("q", "c", forms::Buttons::YesNo, forms::MessageKind::Question),
            forms::ModalResult::Yes);
  EXPECT_EQ(dialogs.OpenFile("t", "/usr/bin", "*"), std::nullopt);
  dialogs.QueueAnswer("/usr/bin/vi");
  EXPECT_EQ(dialogs.OpenFile("t", "/usr/bin", "*"), "/usr/bin/vi");
  dialogs.QueueAnswer("name");
  EXPECT_EQ(dialogs.InputBox("c", "p", "d"), "name");

  forms::Form modal("Modal");
  dialogs.QueueAnswer("OK");
  EXPECT_EQ(dialogs.ShowModal(modal), forms::ModalResult::OK);
  EXPECT_EQ(dialogs.ShowModal(modal), forms::ModalResult::Cancel);
  dialogs.Beep();
  EXPECT_EQ(dialogs.BeepCount(), 1);
  EXPECT_EQ(log.front(), "MessageBox=No");
}

TEST(DialogService, AnInteractiveModalFormRunsTheLoopUntilItHasAResult) {
  core::SimLoop loop(0);
  forms::QueuedDialogService dialogs(loop);
  forms::Application app(loop, dialogs);
  dialogs.SetApplication(&app);
  dialogs.Interactive = true;
  forms::Form modal("Entry");
  auto& ok = modal.Add<forms::CheckBox>("Agree");
  std::vector<std::string> openWhileModal;
  // somebody (the control socket, here a timer) works on the open form meanwhile
  loop.CallAfter(500, [&] {
    for (auto* f : app.OpenForms()) openWhileModal.push_back(f->Name());
    ok.UserClick();
    modal.SetModalResult(forms::ModalResult::OK);
  });
  EXPECT_EQ(dialogs.ShowModal(modal), forms::ModalResult::OK);
  EXPECT_EQ(openWhileModal, std::vector<std::string>{"Entry"});
  EXPECT_TRUE(app.OpenForms().empty());
  EXPECT_TRUE(ok.Checked());
}

TEST(DialogService, FileDialogComponentsAskThroughTheService) {
  core::SimLoop loop(0);
  forms::QueuedDialogService dialogs(loop);
  std::vector<std::string> asked;
  dialogs.OnQuestion = [&](const std::string& k, const std::string& q, const std::string& a) {
    asked.push_back(k + " " + q + " = " + a);
  };
  forms::Form form("F");
  auto& open = form.Add<forms::FileDialog>("Pick", forms::FileDialog::Mode::Open);
  auto& save = form.Add<forms::FileDialog>("Keep", forms::FileDialog::Mode::Save);
  open.SetTitle("Install Word Processing:");
  open.SetInitialDir("/usr/bin");
  open.SetDefaultExt("exe");
  save.SetTitle("Download");
  save.SetInitialDir("/tmp");
  save.SetFileName("index.html");

  EXPECT_FALSE(open.Execute(dialogs)) << "no answer: cancelled";
  EXPECT_EQ(open.FileName(), "");
  struct Case {
    std::string answer;
    bool mustExist;
    bool chosen;
    std::string fileName;
  };
  const std::string here = STAYLINE_SOURCE_DIR "/CMakeLists.txt";
  for (const Case& c :
       {Case{"/opt/editor", false, true, "/opt/editor.exe"},
        Case{"/opt/ed.sh", false, true, "/opt/ed.sh"},
        Case{"/opt/.hidden", false, true, "/opt/.hidden.exe"},
        Case{"/no/such/editor", true, false, "/opt/.hidden.exe"}, Case{here, true, true, here}}) {
    SCOPED_TRACE(c.answer);
    open.SetFileMustExist(c.mustExist);
    dialogs.QueueAnswer(c.answer);
    EXPECT_EQ(open.Execute(dialogs), c.chosen);
    EXPECT_EQ(open.FileName(), c.fileName);
  }
  dialogs.QueueAnswer("/tmp/page.html");
  EXPECT_TRUE(save.Execute(dialogs));
  EXPECT_EQ(save.FileName(), "/tmp/page.html");
  EXPECT_EQ(asked.front(), "OpenFile Install Word Processing: [/usr/bin] = Cancel");
  EXPECT_EQ(asked.back(), "SaveFile Download [/tmp/index.html] = /tmp/page.html");
  EXPECT_EQ(*save.GetProperty("ClassName"), "TSaveDialog");
  EXPECT_FALSE(save.SetProperty("FileName", "/etc/passwd", forms::Origin::User));
}

TEST(Controls, TimerControlMapsItsTimer) {
  core::SimLoop loop(0);
  forms::Form form("F");
  auto& t = form.Add<forms::TimerControl>(loop, "T", 1000, false);
  int ticks = 0;
  t.OnTimer() = [&] { ++ticks; };
  EXPECT_FALSE(t.SetProperty("Enabled", "1", forms::Origin::User)) << "users cannot start timers";
  t.SetEnabled(true);
  loop.RunFor(3000);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(*t.GetProperty("Enabled"), "True");
}

}  // namespace
