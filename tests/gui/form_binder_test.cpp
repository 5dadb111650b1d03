// Every control kind gets its widget and is bound both ways: a user's act on the widget reaches
// the model's handler once, a model change shows in the widget, and the binder's own writes into
// widgets never come back as a user's act.
#include "gui/form_binder.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>
#include <memory>
#include <stdexcept>

#include "core/sim_loop.h"
#include "forms/check_box.h"
#include "forms/combo_box.h"
#include "forms/edit.h"
#include "forms/form.h"
#include "forms/image.h"
#include "forms/list_box.h"
#include "forms/list_view.h"
#include "forms/memo.h"
#include "forms/menu_item.h"
#include "forms/page_control.h"
#include "forms/progress_bar.h"
#include "forms/radio_button.h"
#include "forms/status_bar.h"
#include "gui/widget_factory.h"

namespace {

using forms::ControlKind;

// A form with one control of every kind that has a view, their widgets under one window.
struct Fixture {
  forms::Form form{"TTest"};
  std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
  std::unique_ptr<gui::FormBinder> binder;
  std::map<std::string, int> fired;  // handler name -> times

  forms::Control& button = form.Add<forms::Control>("Button1", ControlKind::Button);
  forms::Control& tool = form.Add<forms::Control>("ToolButton1", ControlKind::ToolButton);
  forms::Control& label = form.Add<forms::Control>("Label1", ControlKind::Label);
  forms::Control& group = form.Add<forms::Control>("GroupBox1", ControlKind::GroupBox);
  forms::Control& panel = form.Add<forms::Control>("Panel1", ControlKind::Panel);
  forms::CheckBox& check = form.Add<forms::CheckBox>("CheckBox1");
  forms::RadioButton& radioA = form.Add<forms::RadioButton>("RadioA");
  forms::RadioButton& radioB = form.Add<forms::RadioButton>("RadioB");
  forms::Edit& edit = form.Add<forms::Edit>("Edit1");
  forms::Edit& password = form.Add<forms::Edit>("Password");
  forms::Memo& memo = form.Add<forms::Memo>("Memo1");
  forms::ComboBox& combo = form.Add<forms::ComboBox>("ComboBox1");
  forms::ListBox& list = form.Add<forms::ListBox>("ListBox1");
  forms::ListView& view = form.Add<forms::ListView>("ListView1");
  forms::StatusBar& status = form.Add<forms::StatusBar>("StatusBar1");
  forms::ProgressBar& progress = form.Add<forms::ProgressBar>("ProgressBar1");
  forms::PageControl& pages = form.Add<forms::PageControl>("PageControl1");
  forms::TabSheet& sheet1 = form.Add<forms::TabSheet>("TabSheet1");
  forms::TabSheet& sheet2 = form.Add<forms::TabSheet>("TabSheet2");
  forms::Image& image = form.Add<forms::Image>("Image1", "lamp_green");
  forms::MenuItem& menuItem = form.Add<forms::MenuItem>("MenuItem1");

  Fixture() {
    radioA.SetParent("GroupBox1");
    radioB.SetParent("GroupBox1");
    password.PasswordChar = '*';
    combo.SetItems({"one", "two", "three"});
    list.SetItems({"a", "b", "c"});
    view.SetColumns({"Name", "Size"});
    view.SetRows({{"x.txt", "1"}, {"y.txt", "2"}, {"z.txt", "3"}});
    pages.AddPage(sheet1);
    pages.AddPage(sheet2);
    pages.SetActivePage(&sheet1);
    sheet1.SetCaption("Main");
    sheet2.SetCaption("FTP");
    menuItem.SetCaption("&Connect");

    Count(button.OnClick, "Button1");
    Count(tool.OnClick, "ToolButton1");
    Count(check.OnClick, "CheckBox1");
    Count(radioA.OnClick, "RadioA");
    Count(radioB.OnClick, "RadioB");
    Count(edit.OnChange, "Edit1.Change");
    edit.OnKeyDown = [this](int key) { ++fired["Edit1.Key" + std::to_string(key)]; };
    Count(memo.OnChange, "Memo1");
    Count(combo.OnChange, "ComboBox1");
    Count(list.OnClick, "ListBox1");
    Count(view.OnSelectionChanged, "ListView1.Selection");
    Count(view.OnClick, "ListView1.Click");
    Count(view.OnDblClick, "ListView1.DblClick");
    Count(pages.OnChange, "PageControl1");
    Count(sheet2.OnShow, "TabSheet2.Show");
    Count(menuItem.OnClick, "MenuItem1");

    auto* layout = new QVBoxLayout(window.get());
    QTabWidget* tabs = nullptr;
    for (forms::Control* c : form.Controls()) {
      if (c->Kind() == ControlKind::MenuItem) continue;
      QWidget* w = gui::CreateWidget(*c, window.get());
      if (c->Kind() == ControlKind::PageControl) tabs = static_cast<QTabWidget*>(w);
      if (c->Kind() == ControlKind::TabSheet) {
        tabs->addTab(w, QString());
      } else {
        layout->addWidget(w);
      }
    }
    auto* menu = new QMenu(window.get());
    menu->addAction(gui::CreateAction(menuItem, menu));
    binder = std::make_unique<gui::FormBinder>(form, window.get(), [](const std::string& name) {
      QPixmap pm(8, 8);
      pm.fill(name == "lamp_green" ? Qt::green : Qt::red);
      return QIcon(pm);
    });
    window->resize(400, 900);
    window->show();
  }

  void Count(std::function<void()>& handler, const std::string& name) {
    handler = [this, name] { ++fired[name]; };
  }
  template <typename W>
  W* Widget(const std::string& name) {
    auto* w = qobject_cast<W*>(binder->WidgetOf(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
};

TEST(FormBinder, EveryKindGetsAWidgetOfItsClassAndIsBound) {
  Fixture f;
  EXPECT_TRUE(f.binder->Unbound().empty());
  const std::map<std::string, const char*> classes = {
      {"Button1", "QPushButton"},     {"ToolButton1", "QToolButton"},
      {"Label1", "QLabel"},           {"GroupBox1", "QGroupBox"},
      {"Panel1", "QFrame"},           {"CheckBox1", "QCheckBox"},
      {"RadioA", "QRadioButton"},     {"Edit1", "QLineEdit"},
      {"Memo1", "QPlainTextEdit"},    {"ComboBox1", "QComboBox"},
      {"ListBox1", "QListWidget"},    {"ListView1", "QTreeWidget"},
      {"StatusBar1", "QStatusBar"},   {"ProgressBar1", "QProgressBar"},
      {"PageControl1", "QTabWidget"}, {"TabSheet1", "QWidget"},
      {"Image1", "QLabel"},
  };
  for (const auto& [name, cls] : classes) {
    QWidget* w = f.binder->WidgetOf(name);
    ASSERT_NE(w, nullptr) << name;
    EXPECT_STREQ(w->metaObject()->className(), cls) << name;
    EXPECT_EQ(w->objectName().toStdString(), name);
  }
  ASSERT_NE(f.binder->ActionOf("MenuItem1"), nullptr);
  EXPECT_EQ(f.Widget<QLineEdit>("Password")->echoMode(), QLineEdit::Password);
  EXPECT_EQ(f.Widget<QLineEdit>("Edit1")->echoMode(), QLineEdit::Normal);
}

TEST(FormBinder, AControlWithoutAWidgetIsReportedUnbound) {
  forms::Form form("TOther");
  form.Add<forms::Control>("Bound", ControlKind::Button);
  form.Add<forms::Edit>("Missing");
  form.Add<forms::MenuItem>("MissingItem");
  form.Add<forms::Control>("Tray", ControlKind::TrayIcon);  // needs no widget
  QWidget window;
  gui::CreateWidget(*form.Find("Bound"), &window);
  gui::FormBinder binder(form, &window);
  EXPECT_EQ(binder.Unbound(), (std::vector<std::string>{"Missing", "MissingItem"}));
  // A widget made later is found by Rebind.
  gui::CreateWidget(*form.Find("Missing"), &window);
  binder.Rebind();
  EXPECT_EQ(binder.Unbound(), (std::vector<std::string>{"MissingItem"}));
}

TEST(FormBinder, APlainControlOfAnyKindBindsByWhatItIs) {
  // Forms hold plain controls of a kind too (a picture frame of the image kind, say).
  forms::Form form("TPlain");
  QWidget window;
  std::map<ControlKind, forms::Control*> made;
  for (auto kind :
       {ControlKind::Label, ControlKind::Button, ControlKind::CheckBox, ControlKind::RadioButton,
        ControlKind::Edit, ControlKind::Memo, ControlKind::ComboBox, ControlKind::ListBox,
        ControlKind::ListView, ControlKind::StatusBar, ControlKind::ProgressBar,
        ControlKind::PageControl, ControlKind::Image, ControlKind::MenuItem}) {
    auto& c = form.Add<forms::Control>("C" + std::to_string(made.size()), kind);
    made[kind] = &c;
    if (kind == ControlKind::MenuItem) {
      gui::CreateAction(c, &window);
    } else {
      gui::CreateWidget(c, &window);
    }
  }
  gui::FormBinder binder(form, &window);
  EXPECT_TRUE(binder.Unbound().empty());
  forms::Control& button = *made[ControlKind::Button];
  forms::Control& image = *made[ControlKind::Image];
  int clicks = 0;
  button.OnClick = [&] { ++clicks; };
  button.SetCaption("Go");
  image.SetHint("lamp");
  auto* push = qobject_cast<QPushButton*>(binder.WidgetOf(button.Name()));
  ASSERT_NE(push, nullptr);
  push->click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(push->text(), "Go");
  EXPECT_EQ(binder.WidgetOf(image.Name())->toolTip(), "lamp");
}

TEST(FormBinder, AUsersClickFiresTheModelsHandlerOnce) {
  Fixture f;
  f.Widget<QPushButton>("Button1")->click();
  f.Widget<QToolButton>("ToolButton1")->click();
  f.Widget<QCheckBox>("CheckBox1")->click();
  f.Widget<QRadioButton>("RadioB")->click();
  f.binder->ActionOf("MenuItem1")->trigger();
  for (const char* name : {"Button1", "ToolButton1", "CheckBox1", "RadioB", "MenuItem1"}) {
    EXPECT_EQ(f.fired[name], 1) << name;
  }
  EXPECT_TRUE(f.check.Checked());
  EXPECT_TRUE(f.radioB.Checked());
  // The model's grouping unchecks the other radio button, and the widget follows.
  f.Widget<QRadioButton>("RadioA")->click();
  EXPECT_FALSE(f.radioB.Checked());
  EXPECT_FALSE(f.Widget<QRadioButton>("RadioB")->isChecked());
  EXPECT_TRUE(f.Widget<QRadioButton>("RadioA")->isChecked());
}

TEST(FormBinder, AHandlersExceptionGoesToTheLoopsErrorDisplayNotThroughQt) {
  Fixture f;
  core::SimLoop loop;
  std::vector<std::string> shown;
  loop.SetErrorDisplay([&](const std::string& what) { shown.push_back(what); });
  f.binder->GuardWith(loop);
  f.button.OnClick = [] { throw std::runtime_error("Socket Refresh: 111"); };
  f.Widget<QPushButton>("Button1")->click();
  EXPECT_EQ(shown, (std::vector<std::string>{"Socket Refresh: 111"}));
  // Unguarded it is still caught: an exception must never unwind through Qt's event handling.
  gui::FormBinder plain(f.form, f.window.get());
  EXPECT_NO_THROW(f.Widget<QPushButton>("Button1")->click());
}

TEST(FormBinder, AClickTheModelRefusesDoesNotLingerInTheWidget) {
  Fixture f;
  auto* box = f.Widget<QCheckBox>("CheckBox1");
  // Disabled in the model but (wrongly) clickable on screen: the model ignores it.
  f.check.SetEnabled(false);
  box->setEnabled(true);
  box->click();
  EXPECT_FALSE(f.check.Checked());
  EXPECT_FALSE(box->isChecked());
  EXPECT_EQ(f.fired["CheckBox1"], 0);
}

TEST(FormBinder, TypingReachesTheModelAsAUsersEdit) {
  Fixture f;
  auto* e = f.Widget<QLineEdit>("Edit1");
  QTest::keyClicks(e, "hi");
  EXPECT_EQ(f.edit.Text(), "hi");
  EXPECT_EQ(f.fired["Edit1.Change"], 2);
  QTest::keyClick(e, Qt::Key_Return);
  EXPECT_EQ(f.fired["Edit1.Key13"], 1);

  // A read-only edit takes no typing; the widget keeps the model's text.
  f.edit.SetReadOnly(true);
  EXPECT_TRUE(e->isReadOnly());

  auto* m = f.Widget<QPlainTextEdit>("Memo1");
  QTest::keyClicks(m, "ab");
  QTest::keyClick(m, Qt::Key_Return);
  QTest::keyClicks(m, "c");
  EXPECT_EQ(f.memo.Lines(), (std::vector<std::string>{"ab", "c"}));
  // The line break typed last stays on screen although the model keeps no empty last line.
  QTest::keyClick(m, Qt::Key_Return);
  EXPECT_EQ(m->toPlainText(), "ab\nc\n");
}

TEST(FormBinder, ALongTextFromTheModelShowsFromItsStart) {
  Fixture f;
  auto* e = f.Widget<QLineEdit>("Edit1");
  f.edit.SetText("Your SMTP server, e.g. smtp.example.com" + std::string(200, ' ') + "end");
  EXPECT_EQ(e->cursorPosition(), 0) << "the start of the text is cut off";
}

TEST(FormBinder, ChoosingAnItemOrAPageIsAUsersChoice) {
  Fixture f;
  auto* combo = f.Widget<QComboBox>("ComboBox1");
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(f.combo.ItemIndex(), 0);
  EXPECT_EQ(f.combo.Text(), "one");
  EXPECT_EQ(f.fired["ComboBox1"], 1);

  auto* list = f.Widget<QListWidget>("ListBox1");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(1)).center());
  EXPECT_EQ(f.list.ItemIndex(), 1);
  EXPECT_EQ(f.fired["ListBox1"], 1);

  auto* tabs = f.Widget<QTabWidget>("PageControl1");
  QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
  EXPECT_EQ(f.pages.ActivePage(), &f.sheet2);
  EXPECT_EQ(f.fired["PageControl1"], 1);
  EXPECT_EQ(f.fired["TabSheet2.Show"], 1);
}

TEST(FormBinder, ListViewRowClicksSelectAndFireAsTheToolkitDoes) {
  Fixture f;
  auto* tree = f.Widget<QTreeWidget>("ListView1");
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  EXPECT_EQ(tree->headerItem()->text(1), "Size");
  EXPECT_EQ(tree->topLevelItem(2)->text(1), "3");
  const QPoint row1 = tree->visualItemRect(tree->topLevelItem(1)).center();
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, row1);
  EXPECT_EQ(f.view.Selection(), (std::vector<int>{1}));
  EXPECT_EQ(f.fired["ListView1.Selection"], 1);
  EXPECT_EQ(f.fired["ListView1.Click"], 1);
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, row1);
  EXPECT_EQ(f.fired["ListView1.DblClick"], 1);
  EXPECT_EQ(f.fired["ListView1.Selection"], 1);  // the row was selected already
}

TEST(FormBinder, ChangesFromCodeShowInTheWidgetsAndFireNoUsersHandler) {
  Fixture f;
  f.button.SetCaption("&Dial");
  f.button.SetHint("Dials the entry");
  f.button.SetEnabled(false);
  f.label.SetCaption("Online 00:01");
  f.label.SetFontColor("clRed");
  f.group.SetCaption(" Settings ");
  f.tool.SetVisible(false);
  f.sheet1.SetCaption("Haupt");
  f.sheet2.SetVisible(false);
  f.sheet1.SetEnabled(false);
  f.combo.SetItemIndex(2);
  f.list.SetItemIndex(2);
  f.view.SetSelection({0, 2});
  f.pages.SetActivePage(&f.sheet2);
  f.status.SetPanel(0, "connected");
  f.status.SetPanel(2, "3 files");
  f.progress.SetMax(10'000'000'000LL);
  f.progress.SetPosition(5'000'000'000LL);
  f.image.SetPicture("lamp_red");
  f.menuItem.SetChecked(true);
  f.memo.SetLines({"one", "two"});
  f.edit.SetText("typed by code");

  EXPECT_EQ(f.Widget<QPushButton>("Button1")->text(), "&Dial");
  EXPECT_EQ(f.Widget<QPushButton>("Button1")->toolTip(), "Dials the entry");
  EXPECT_FALSE(f.Widget<QPushButton>("Button1")->isEnabled());
  EXPECT_EQ(f.Widget<QLabel>("Label1")->text(), "Online 00:01");
  EXPECT_EQ(f.Widget<QLabel>("Label1")->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_EQ(f.Widget<QGroupBox>("GroupBox1")->title(), " Settings ");
  EXPECT_TRUE(f.Widget<QToolButton>("ToolButton1")->isHidden());
  auto* tabs = f.Widget<QTabWidget>("PageControl1");
  EXPECT_EQ(tabs->tabText(0), "Haupt");
  EXPECT_FALSE(tabs->isTabVisible(1));
  EXPECT_FALSE(tabs->isTabEnabled(0));
  EXPECT_EQ(tabs->currentIndex(), 1);
  EXPECT_EQ(f.Widget<QComboBox>("ComboBox1")->currentText(), "three");
  EXPECT_EQ(f.Widget<QListWidget>("ListBox1")->currentRow(), 2);
  auto* tree = f.Widget<QTreeWidget>("ListView1");
  EXPECT_TRUE(tree->topLevelItem(0)->isSelected());
  EXPECT_FALSE(tree->topLevelItem(1)->isSelected());
  EXPECT_TRUE(tree->topLevelItem(2)->isSelected());
  auto* bar = f.Widget<QStatusBar>("StatusBar1");
  EXPECT_EQ(gui::StatusPanel(*bar, 0)->text(), "connected");
  EXPECT_EQ(gui::StatusPanel(*bar, 2)->text(), "3 files");
  auto* progress = f.Widget<QProgressBar>("ProgressBar1");
  EXPECT_EQ(progress->value() * 2, progress->maximum());
  const QImage lamp = f.Widget<QLabel>("Image1")->pixmap().toImage();
  ASSERT_FALSE(lamp.isNull());
  EXPECT_EQ(lamp.pixelColor(1, 1), QColor(Qt::red));
  EXPECT_TRUE(f.binder->ActionOf("MenuItem1")->isChecked());
  EXPECT_EQ(f.binder->ActionOf("MenuItem1")->text(), "&Connect");
  EXPECT_EQ(f.Widget<QPlainTextEdit>("Memo1")->toPlainText(), "one\ntwo");
  EXPECT_EQ(f.Widget<QLineEdit>("Edit1")->text(), "typed by code");

  // Only what the model itself fires from code: the edit's and the memo's change once each, the
  // shown page's OnShow; nothing a user's act would add.
  EXPECT_EQ(f.fired["Edit1.Change"], 1);
  EXPECT_EQ(f.fired["Memo1"], 1);
  EXPECT_EQ(f.fired["TabSheet2.Show"], 1);
  for (const char* name : {"ComboBox1", "ListBox1", "ListView1.Selection", "ListView1.Click",
                           "PageControl1", "MenuItem1", "Button1"}) {
    EXPECT_EQ(f.fired[name], 0) << name;
  }
  EXPECT_EQ(f.combo.ItemIndex(), 2);
  EXPECT_EQ(f.view.Selection(), (std::vector<int>{0, 2}));
}

TEST(FormBinder, ALogThatGrowsKeepsItsPlaceInTheView) {
  Fixture f;
  std::vector<std::string> lines;
  for (int i = 0; i < 200; ++i) lines.push_back("line " + std::to_string(i));
  f.memo.SetLines(lines);
  f.list.SetItems(lines);
  auto* memo = f.Widget<QPlainTextEdit>("Memo1");
  auto* list = f.Widget<QListWidget>("ListBox1");
  QScrollBar* memoBar = memo->verticalScrollBar();
  memoBar->setValue(memoBar->maximum());  // following the end of the log
  QListWidgetItem* first = list->item(0);
  list->scrollToItem(list->item(100));
  const int listPlace = list->verticalScrollBar()->value();
  ASSERT_GT(listPlace, 0);

  f.memo.AddLine("line 200");
  f.list.AddItem("line 200");
  EXPECT_EQ(memo->toPlainText().count('\n'), 200);
  EXPECT_TRUE(memo->toPlainText().endsWith("line 199\nline 200"));
  EXPECT_GT(memoBar->value(), 0);
  EXPECT_EQ(memoBar->value(), memoBar->maximum());
  EXPECT_EQ(list->count(), 201);
  EXPECT_EQ(list->item(0), first);
  EXPECT_EQ(list->verticalScrollBar()->value(), listPlace);
  // Anything other than an appended line shows the model's content as it is.
  f.memo.SetLines({"other"});
  f.list.SetItems({"line 0", "x"});
  EXPECT_EQ(memo->toPlainText(), "other");
  EXPECT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text(), "x");
}

TEST(FormBinder, NewRowsReplaceTheOldAndTheFormCaptionIsTheWindowTitle) {
  Fixture f;
  f.form.SetCaption("Stayline");
  EXPECT_EQ(f.window->windowTitle(), "Stayline");
  f.view.SetRows({{"only.txt", "9"}});
  f.list.SetItems({"z"});
  EXPECT_EQ(f.Widget<QTreeWidget>("ListView1")->topLevelItemCount(), 1);
  EXPECT_EQ(f.Widget<QListWidget>("ListBox1")->count(), 1);
  EXPECT_EQ(f.fired["ListView1.Selection"], 0);
  EXPECT_EQ(f.fired["ListBox1"], 0);
}

}  // namespace
