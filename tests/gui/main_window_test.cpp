// The main window, its tray icon and the dialogs' windows on the offscreen platform: every control
// of every form model has a widget, the groups sit on their pages, the tray follows the model and
// stands back for the window on a desktop without a tray, and the window's buttons go to the host.
#include "gui/main_window.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QWindowStateChangeEvent>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/caption_table.h"
#include "app/confirm_form.h"
#include "app/entry_editor_form.h"
#include "app/ftp0_setup_form.h"
#include "app/ftp_profile_setup_form.h"
#include "app/mail_setup_form.h"
#include "app/main_form.h"
#include "core/sim_loop.h"
#include "forms/queued_dialog_service.h"
#include "gui/dialog_windows.h"
#include "gui/form_binder.h"
#include "gui/tray.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "settings/settings_store.h"

namespace {

std::string Join(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) out += n + " ";
  return out;
}

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

class MainWindowTest : public ::testing::Test {
 protected:
  core::SimLoop loop;
  app::MainForm form{loop};
  gui::MainWindow window{form};
};

TEST_F(MainWindowTest, EveryControlOfTheModelHasItsWidgetOrAction) {
  EXPECT_TRUE(window.Binder().Unbound().empty()) << Join(window.Binder().Unbound());
}

TEST_F(MainWindowTest, GroupsAndControlsSitOnTheirPages) {
  struct Case {
    const char* widget;
    const char* page;
  };
  const Case cases[] = {
      {"Settings", "TabSheet1"},
      {"AutoPingIntervall", "TabSheet1"},
      {"lstReplies", "TabSheet1"},
      {"DFUSettingsBox1", "TabSheet2"},
      {"InternetBox1", "TabSheet2"},
      {"LogFileBox", "InternetBox1"},
      {"OtherBox", "InternetBox1"},
      {"MailGroup", "TabSheet2"},
      {"EmailText", "MailGroup"},
      {"AutoFtpGroup", "TabSheet3"},
      {"MiniFtpGroup", "TabSheet3"},
      {"ConnectButton", "CommandPanel"},
      {"MFtpTreeView1Dir", "MiniFtpGroup"},
      {"MFtpListView1File", "MiniFtpGroup"},
      {"DebugListBox", "MiniFtpGroup"},
      {"ProgressBar1", "StatusBar1"},
  };
  for (const Case& c : cases) {
    QWidget* widget = window.findChild<QWidget*>(c.widget);
    QWidget* page = window.findChild<QWidget*>(c.page);
    ASSERT_NE(widget, nullptr) << c.widget;
    ASSERT_NE(page, nullptr) << c.page;
    EXPECT_TRUE(page->isAncestorOf(widget)) << c.widget << " in " << c.page;
  }
  // The groups the model does not know carry their titles.
  EXPECT_EQ(window.findChild<QGroupBox*>("MailGroup")->title(), " ClientIP ---> E-Mail  ");
  EXPECT_EQ(window.findChild<QGroupBox*>("MiniFtpGroup")->title(), " Mini FTP ");
}

TEST_F(MainWindowTest, EveryControlIsPlacedOnceSoNoSecondWidgetStandsThereUnbound) {
  for (forms::Control* c : form.Controls()) {
    const auto widgets = window.findChildren<QWidget*>(QString::fromStdString(c->Name()));
    EXPECT_LE(widgets.size(), 1) << c->Name();
  }
}

TEST_F(MainWindowTest, APictureButtonListedForItShowsItsHintAndThePasswordIsNotShownInClear) {
  form.MailSetup.SetHint("AutoMail SetUp");
  auto* setup = qobject_cast<QAbstractButton*>(window.Binder().WidgetOf("MailSetup"));
  ASSERT_NE(setup, nullptr);
  EXPECT_EQ(setup->text(), "AutoMail SetUp");
  EXPECT_FALSE(setup->icon().isNull());
  form.MailSetup.SetHint("Mail");
  EXPECT_EQ(setup->text(), "Mail");

  auto* password = qobject_cast<QLineEdit*>(window.Binder().WidgetOf("txtPassword2"));
  ASSERT_NE(password, nullptr);
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  auto* user = qobject_cast<QLineEdit*>(window.Binder().WidgetOf("txtUserName2"));
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(user->echoMode(), QLineEdit::Normal);
}

TEST_F(MainWindowTest, PagesAreTabsInTheModelsOrderAndTheHelpMenuIsInTheMenuBar) {
  auto* tabs = window.findChild<QTabWidget*>("PageControl1");
  ASSERT_NE(tabs, nullptr);
  ASSERT_EQ(tabs->count(), 3);
  EXPECT_EQ(tabs->tabText(0), "Main");
  EXPECT_EQ(tabs->tabText(1), "DFUE / Internet");
  EXPECT_EQ(tabs->tabText(2), "FTP");
  form.PageControl1.SetActivePage(&form.TabSheet3);
  EXPECT_EQ(tabs->currentIndex(), 2);

  const auto actions = window.menuBar()->actions();
  ASSERT_EQ(actions.size(), 1);
  EXPECT_EQ(actions[0]->objectName(), "Help2");
  ASSERT_NE(actions[0]->menu(), nullptr);
  EXPECT_EQ(actions[0]->menu()->actions().size(), 3);
}

// What a user reads of a control's caption on screen; nullopt where the widget shows none.
std::optional<QString> ShownCaption(gui::MainWindow& window, const char* control) {
  if (QAction* action = window.Binder().ActionOf(control)) return action->text();
  QWidget* widget = window.Binder().WidgetOf(control);
  if (!widget) return std::nullopt;
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  if (auto* tabs = qobject_cast<QTabWidget*>(
          widget->parentWidget() ? widget->parentWidget()->parentWidget() : nullptr)) {
    return tabs->tabText(tabs->indexOf(widget));
  }
  return std::nullopt;
}

std::optional<QString> ShownHint(gui::MainWindow& window, const char* control) {
  if (QAction* action = window.Binder().ActionOf(control)) return action->toolTip();
  if (QWidget* widget = window.Binder().WidgetOf(control)) return widget->toolTip();
  return std::nullopt;
}

// The language switch sets the table's texts on the model; every one of them reaches the screen.
TEST_F(MainWindowTest, EveryCaptionAndHintOfTheTableShowsInBothLanguages) {
  for (const bool german : {true, false}) {
    std::string wrong;
    int shown = 0;
    for (const auto table : {app::MainWindowCaptions(), app::TrayMenuCaptions()}) {
      for (const app::CaptionRow& row : table) {
        forms::Control* control = form.Find(row.Control);
        ASSERT_NE(control, nullptr) << row.Control;
        const std::string text = german ? row.German : row.English;
        const bool caption = row.What == app::CaptionRow::Property::Caption;
        if (caption) {
          control->SetCaption(text);
        } else {
          control->SetHint(text);
        }
        const auto seen =
            caption ? ShownCaption(window, row.Control) : ShownHint(window, row.Control);
        if (!seen) continue;  // an edit or a list: no caption on screen
        ++shown;
        // A check box given only a hint shows the hint as its text; a menu item's "&" is an
        // accelerator.
        if (seen->toStdString() != text && QString(*seen).remove('&').toStdString() != text) {
          wrong += std::string(row.Control) + (caption ? ".Caption" : ".Hint") + " = \"" +
                   seen->toStdString() + "\", not \"" + text + "\"\n";
        }
      }
    }
    EXPECT_EQ(wrong, "") << (german ? "German" : "English");
    EXPECT_GT(shown, 100);
  }
}

TEST_F(MainWindowTest, TheWindowFollowsTheFormsVisibilityAndItsButtonsGoToTheHost) {
  form.Show();
  EXPECT_TRUE(window.isVisible());
  form.Hide();
  EXPECT_FALSE(window.isVisible());

  int closes = 0;
  window.OnCloseBox = [&] { ++closes; };
  form.Show();
  window.close();
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(window.isVisible()) << "the host decides what the close box does";

  int minimised = 0;
  window.OnMinimize = [&] {
    ++minimised;
    form.Hide();
    return true;
  };
  window.setWindowState(Qt::WindowMinimized);
  Settle();
  EXPECT_EQ(minimised, 1);
}

TEST_F(MainWindowTest, ACheckBoxWithOnlyAHintShowsTheHintAndFollowsIt) {
  auto* box = qobject_cast<QAbstractButton*>(window.Binder().WidgetOf("AutoRun"));
  ASSERT_NE(box, nullptr);
  form.AutoRun.SetHint("Startet das Programm beim Systemstart");
  EXPECT_EQ(box->text(), "Startet das Programm beim Systemstart");
  form.AutoRun.SetCaption("Autostart");
  EXPECT_EQ(box->text(), "Autostart") << "a caption of its own wins";
}

class TrayTest : public MainWindowTest {
 protected:
  void Make(bool trayAvailable) {
    tray = new gui::Tray(form.TrayIcon, window);
    tray->TrayAvailable = [trayAvailable] { return trayAvailable; };
  }
  gui::Tray* tray = nullptr;  // owned by the window
};

TEST_F(TrayTest, TheIconFollowsTheModelAndItsClicksReachIt) {
  Make(true);
  std::vector<int> messages;
  form.TrayIcon.OnCallback = [&](int m) { messages.push_back(m); };
  ASSERT_TRUE(form.TrayIcon.Add("ImageNotConnect", "Stayline"));
  EXPECT_EQ(tray->Icon().toolTip(), "Stayline");
  EXPECT_FALSE(tray->Icon().icon().isNull());
  EXPECT_FALSE(tray->WindowInstead());
  const qint64 before = tray->Icon().icon().cacheKey();
  form.TrayIcon.Modify("ImageConnect", "Stayline");
  EXPECT_NE(tray->Icon().icon().cacheKey(), before);
  // Only what changed goes to the desktop: a new tip leaves the picture as it is.
  const qint64 shown = tray->Icon().icon().cacheKey();
  form.TrayIcon.Modify("ImageConnect", "Stayline 2");
  EXPECT_EQ(tray->Icon().toolTip(), "Stayline 2");
  EXPECT_EQ(tray->Icon().icon().cacheKey(), shown);

  emit tray->Icon().activated(QSystemTrayIcon::DoubleClick);
  emit tray->Icon().activated(QSystemTrayIcon::Trigger);
  emit tray->Icon().activated(QSystemTrayIcon::Context);
  EXPECT_EQ(messages, (std::vector<int>{forms::kTrayLeftDoubleClick, forms::kTrayRightDown}));

  form.TrayIcon.Remove();
  EXPECT_FALSE(tray->Icon().isVisible());
}

TEST_F(TrayTest, WithoutATrayTheWindowIsShownAndTheStatusLineSaysWhy) {
  Make(false);
  form.Hide();
  ASSERT_TRUE(form.TrayIcon.Add("ImageNotConnect", "Stayline"));
  Settle();
  EXPECT_TRUE(tray->WindowInstead());
  EXPECT_TRUE(form.Visible());
  EXPECT_TRUE(window.statusBar()->isVisible());
  EXPECT_TRUE(window.statusBar()->currentMessage().contains("No system tray"));
}

TEST_F(TrayTest, TheTrayMenuIsTheModelsPopupAndFollowsItsItems) {
  Make(true);
  QMenu* menu = window.Popup("PopupMenu1");
  ASSERT_NE(menu, nullptr);
  QAction* dial = window.Binder().ActionOf("PopupDialing");
  ASSERT_NE(dial, nullptr);
  EXPECT_TRUE(menu->actions().contains(dial));
  form.PopupDialing.SetEnabled(false);
  EXPECT_FALSE(dial->isEnabled());
  int dials = 0;
  form.PopupDialing.OnClick = [&] { ++dials; };
  form.PopupDialing.SetEnabled(true);
  dial->trigger();
  EXPECT_EQ(dials, 1);
}

// The dialogs' windows, made from their models as the dialog service does at show time.
class DialogWindowsTest : public ::testing::Test {
 protected:
  DialogWindowsTest()
      : dir(MakeDir()),
        paths(platform::Paths::Resolve(dir)),
        registry((paths.EnsureCreated(), paths.configDir)),
        store(registry, paths, "/usr/bin/stayline") {}
  ~DialogWindowsTest() override { std::filesystem::remove_all(dir); }
  static std::string MakeDir() {
    char name[] = "/tmp/stayline-gui-XXXXXX";
    return ::mkdtemp(name);
  }
  void ExpectWhole(forms::Form& form) {
    std::unique_ptr<QDialog> dialog = gui::MakeDialogWindow(form);
    gui::FormBinder binder(form, dialog.get());
    EXPECT_TRUE(binder.Unbound().empty()) << form.Name() << ": " << Join(binder.Unbound());
  }

  std::string dir;
  platform::Paths paths;
  platform::Registry registry;
  settings::SettingsStore store;
  core::SimLoop loop;
  forms::QueuedDialogService dialogs{loop};
};

TEST_F(DialogWindowsTest, EveryDialogsControlsHaveWidgets) {
  app::TfmSetup mail(store, dialogs);
  app::Tftp0Setup autoFtp(store, dialogs);
  app::TftpProfileSetup profiles(store, dialogs);
  app::TfrmEntry entry(dialogs, false, true, [](const std::string&) { return false; });
  ras::EntryForm line;
  line.Name = "Demo";
  line.Keys = {std::make_pair(std::string("Device"), std::string("ppp0")),
               std::make_pair(std::string("Phone"), std::string("0191"))};
  entry.Load(line);
  for (forms::Form* form :
       std::initializer_list<forms::Form*>{&mail, &autoFtp, &profiles, &entry}) {
    ExpectWhole(*form);
  }
}

// The name edit the auto-FTP setup adds after the base rows stands beside its label.
TEST_F(DialogWindowsTest, FieldsAddedLaterStandBesideTheirLabels) {
  app::Tftp0Setup autoFtp(store, dialogs);
  app::TftpProfileSetup profiles(store, dialogs);
  for (const auto& [form, field] :
       {std::pair<forms::Form*, const char*>{&autoFtp, "ProfilName"},
        std::pair<forms::Form*, const char*>{&profiles, "ProfilNameBox"}}) {
    std::unique_ptr<QDialog> window = gui::MakeDialogWindow(*form);
    window->layout()->activate();
    QWidget* label = window->findChild<QWidget*>("ProfilNameLabel");
    QWidget* edit = window->findChild<QWidget*>(field);
    ASSERT_TRUE(label && edit) << field;
    EXPECT_LT(std::abs(label->geometry().center().y() - edit->geometry().center().y()), 8) << field;
  }
}

// Its picture is a plain control of the image kind, not a named picture.
TEST_F(DialogWindowsTest, TheOverwriteQuestionsControlsHaveWidgets) {
  app::TfrmConfirm confirm(false);
  ExpectWhole(confirm);
}

TEST_F(DialogWindowsTest, TheMailSetupHasItsTwoPagesAndTheEntryEditorItsKeyRows) {
  app::TfmSetup mail(store, dialogs);
  std::unique_ptr<QDialog> window = gui::MakeDialogWindow(mail);
  auto* tabs = window->findChild<QTabWidget*>("PageControl1");
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->count(), 2);
  EXPECT_NE(tabs->widget(0)->findChild<QWidget*>("POPServer"), nullptr);
  EXPECT_NE(tabs->widget(1)->findChild<QWidget*>("SMTPServer"), nullptr);

  app::TfrmEntry entry(dialogs, false, false, [](const std::string&) { return false; });
  ras::EntryForm line;
  line.Name = "Demo";
  line.Keys = {std::make_pair(std::string("Device"), std::string("ppp0"))};
  entry.Load(line);
  std::unique_ptr<QDialog> editor = gui::MakeDialogWindow(entry);
  EXPECT_NE(editor->findChild<QWidget*>("Key_Device"), nullptr);
}

}  // namespace
