// The control socket's requests on a running main window (simulated line, simulated time):
// reading, user edits and clicks queued like input, modal forms reached by name, answers,
// state fields and settings.

#include "app/control_commands.h"

#include <gtest/gtest.h>

#include "app/life_cycle.h"
#include "forms/check_box.h"
#include "forms/edit.h"
#include "platform/control_server.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

class ControlCommandsTest : public app_test::StaylineTest {
 protected:
  void SetUp() override {
    dialogs.Interactive = true;  // as in the headless program: modal forms wait for the socket
    Start({{"Language", "0"}, {"PingInterval", "7"}});
    commands = std::make_unique<app::ControlCommands>(*main, &dialogs);
  }
  platform::ControlReply Ask(const std::string& request) { return commands->Handle(request); }
  std::string Value(const std::string& request) {
    const auto reply = Ask(request);
    EXPECT_TRUE(reply.Ok) << request << ": " << reply.Value;
    return reply.Value;
  }
  void Pump() { loop.ProcessMessages(); }

  std::unique_ptr<app::ControlCommands> commands;
};

TEST_F(ControlCommandsTest, GetReadsControlsFormsStateAndSettings) {
  struct Case {
    std::string request;
    bool ok;
    std::string value;
  };
  Form().StatusBar1.SetPanel(1, "Verbindung getrennt.");
  for (const Case& c : {
           Case{"get TStayline.Caption", true, " Stayline 1.0.0.0"},
           Case{"get TStayline.Visible", true, "False"},
           Case{"get AutoConnect.Checked", true, "False"},
           Case{"get TStayline.AutoConnect.Checked", true, "False"},
           Case{"get autoconnect.checked", true, "False"},
           Case{"get StatusBar1.Panels[1]", true, "Verbindung getrennt."},
           Case{"get Interval.Text", true, "7"},
           Case{"get PageControl1.ActivePage", true, "TabSheet1"},
           Case{"get TimerCaption.Enabled", true, "True"},
           Case{"get NoSuchControl.Caption", false, "no such control: NoSuchControl"},
           Case{"get AutoConnect.NoSuchProperty", false, ""},
           Case{"get AutoConnect", false, ""},
           Case{"state ActiveConnectionCount", true, "0"},
           Case{"state ManualHangUp", true, "0"},
           Case{"state MailPending", true, "1"},
           Case{"state BeepCount", true, std::to_string(dialogs.BeepCount())},
           Case{"state NoSuchField", false, ""},
           Case{"setting PingInterval", true, "7"},
           Case{"setting FTP_Password", true, "please enter your password"},
           Case{"setting NoSuchSetting", false, ""},
           Case{"forms", true, "TStayline"},
           Case{"", false, "empty request"},
           Case{"frobnicate now", false, ""},
       }) {
    SCOPED_TRACE(c.request);
    const auto reply = Ask(c.request);
    EXPECT_EQ(reply.Ok, c.ok) << reply.Value;
    if (!c.value.empty()) {
      EXPECT_EQ(reply.Value, c.value);
    }
  }
}

TEST_F(ControlCommandsTest, SetAndClickAreQueuedLikeUserInput) {
  // answered at once, carried out on the next pass of the loop
  EXPECT_TRUE(Ask("set AutoConnect.Checked 1").Ok);
  EXPECT_FALSE(Form().AutoConnect.Checked());
  Pump();
  EXPECT_TRUE(Form().AutoConnect.Checked());
  EXPECT_EQ(Stored("AutoConnect"), "1") << "the box's click handler stored the option";

  // typing fires the change handler; escaped line breaks arrive as line breaks
  int changes = 0;
  Form().MailTo.OnChange = [&] { ++changes; };
  EXPECT_TRUE(Ask("set MailTo.Text me@example.org").Ok);
  EXPECT_TRUE(Ask("set EmailText.Text first\\r\\nsecond \\\\ line").Ok);
  Pump();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Form().EmailText.Lines(), (std::vector<std::string>{"first", "second \\ line"}));
  EXPECT_TRUE(Ask("  set StartWeb.Text  http://example.com/ ").Ok);
  Pump();
  EXPECT_EQ(Form().StartWeb.Text(), " http://example.com/ ") << "the value keeps its blanks";

  // nothing happens to a disabled, invisible or read-only control
  Form().StartIEBrowser.SetEnabled(false);
  EXPECT_TRUE(Ask("set StartIEBrowser.Checked 1").Ok);
  EXPECT_TRUE(Ask("set IsClientIP.Text 1.2.3.4").Ok);
  int clicks = 0;
  Form().DialManual.OnClick = [&] { ++clicks; };
  Form().DialManual.SetVisible(false);
  EXPECT_TRUE(Ask("click DialManual").Ok);
  Pump();
  EXPECT_FALSE(Form().StartIEBrowser.Checked());
  EXPECT_EQ(Form().IsClientIP.Text(), "0.0.0.0");
  EXPECT_EQ(clicks, 0);
  Form().DialManual.SetVisible(true);
  EXPECT_TRUE(Ask("click DialManual").Ok);
  Pump();
  EXPECT_EQ(clicks, 1);

  // only what a user could change by hand
  for (const char* request :
       {"set Status2.Caption hacked", "set DialManual.Enabled 0", "set TimerCaption.Enabled 0",
        "set StatusBar1.Panels[1] x", "set TStayline.Caption x", "set LargeIcons1.Checked 0",
        "set ImageConnect.Picture x"}) {
    SCOPED_TRACE(request);
    EXPECT_FALSE(Ask(request).Ok);
  }
  Pump();
  EXPECT_TRUE(Form().DialManual.Enabled());
  EXPECT_FALSE(Ask("set NoSuchControl.Text x").Ok);
  EXPECT_FALSE(Ask("set AutoConnect.NoSuchProperty x").Ok);
  EXPECT_FALSE(Ask("click NoSuchControl").Ok);
  EXPECT_FALSE(Ask("click NoSuchForm.OK").Ok);
}

TEST_F(ControlCommandsTest, AValueAUserCouldNotGiveIsRefusedAndChangesNothing) {
  ASSERT_TRUE(Ask("set AutoConnect.Checked 1").Ok);
  Pump();
  ASSERT_EQ(Stored("AutoConnect"), "1");
  const std::string entries = Value("get ListBox1.Items");
  const std::string chosen = Value("get ListBox1.ItemIndex");
  struct Case {
    std::string request;
    std::string reason;
  };
  for (const Case& c : {
           Case{"set AutoConnect.Checked maybe", "expected 1, 0, true or false, not \"maybe\""},
           Case{"set AutoConnect.Checked", "expected 1, 0, true or false, not \"\""},
           Case{"set AutoConnect.Checked ", ""},
           Case{"set AutoConnect.Checked yes", ""},
           Case{"set TStayline.Visible perhaps", ""},
           Case{"set ListBox1.ItemIndex 2", "no item 2 (the list has 2)"},
           Case{"set ListBox1.ItemIndex -1", ""},
           Case{"set ListBox1.ItemIndex first", "expected an item number, not \"first\""},
           Case{"set PageControl1.ActivePage TabSheet99", "no such page: \"TabSheet99\""},
           Case{"set StartWeb.KeyDown enter", "a key is a virtual-key code"},
       }) {
    SCOPED_TRACE(c.request);
    const auto reply = Ask(c.request);
    EXPECT_FALSE(reply.Ok);
    if (!c.reason.empty()) {
      EXPECT_NE(reply.Value.find(c.reason), std::string::npos) << reply.Value;
    }
  }
  Pump();
  EXPECT_TRUE(Form().AutoConnect.Checked());
  EXPECT_EQ(Stored("AutoConnect"), "1") << "the box was not unticked";
  EXPECT_FALSE(Form().Visible());
  EXPECT_EQ(Value("get ListBox1.Items"), entries);
  EXPECT_EQ(Value("get ListBox1.ItemIndex"), chosen);
  EXPECT_EQ(Value("get PageControl1.ActivePage"), "TabSheet1");

  EXPECT_TRUE(Ask("set AutoConnect.Checked FALSE").Ok) << "any case";
  Pump();
  EXPECT_EQ(Stored("AutoConnect"), "0");

  // A key pressed in an edit: Enter in an empty start-page edit beeps.
  Form().StartWeb.SetText("");
  const int beeps = dialogs.BeepCount();
  EXPECT_TRUE(Ask("set StartWeb.KeyDown 13").Ok);
  Pump();
  EXPECT_EQ(dialogs.BeepCount() - beeps, 1);
}

TEST_F(ControlCommandsTest, AUserMayShowAndCloseTheWindow) {
  EXPECT_TRUE(Ask("set TStayline.Visible 1").Ok);
  Pump();
  EXPECT_TRUE(Form().Visible());
  EXPECT_TRUE(Ask("set TStayline.Visible 0").Ok);
  Pump();
  EXPECT_FALSE(Form().Visible());
}

TEST_F(ControlCommandsTest, ChoosingAPageRunsItsShowHandler) {
  int shown = 0;
  Form().TabSheet2.OnShow = [&] { ++shown; };
  EXPECT_TRUE(Ask("set PageControl1.ActivePage TabSheet2").Ok);
  Pump();
  EXPECT_EQ(Value("get PageControl1.ActivePage"), "TabSheet2");
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(Ask("set PageControl1.ActivePage TabSheet2").Ok);
  Pump();
  EXPECT_EQ(shown, 1) << "choosing the page that is shown changes nothing";
}

TEST_F(ControlCommandsTest, AnswersGoToTheNextQuestion) {
  int beeps = dialogs.BeepCount();
  main->Beep();
  EXPECT_EQ(Value("state BeepCount"), std::to_string(beeps + 1));

  // "Programm schliessen" of the tray menu asks first; No keeps the program running
  EXPECT_TRUE(Ask("answer No").Ok);
  EXPECT_TRUE(Ask("click Beenden1").Ok);
  Pump();
  EXPECT_TRUE(terminated.empty());
  EXPECT_TRUE(Ask("answer Yes").Ok);
  EXPECT_TRUE(Ask("click Beenden1").Ok);
  Pump();
  EXPECT_EQ(terminated, std::vector<int>{0});
  EXPECT_EQ(Stored("ErrorDelay"), "1");
}

TEST_F(ControlCommandsTest, ModalFormsAreReachedByNameWhileTheyAreOpen) {
  // A button that opens a modal form, as the setup dialogs of the program do.
  forms::Form setup("Tftp0Setup");
  auto& host = setup.Add<forms::Edit>("ServerHostName");
  auto& passive = setup.Add<forms::CheckBox>("PassiveTransferBox");
  auto& ok = setup.Add<forms::Control>("BitBtn1ok", forms::ControlKind::Button);
  ok.OnClick = [&] { setup.SetModalResult(forms::ModalResult::OK); };
  forms::ModalResult result = forms::ModalResult::None;
  Form().FTPSetup.OnClick = [&] { result = dialogs.ShowModal(setup); };

  // The requests arrive while the modal form runs the loop.
  std::vector<std::string> seen;
  loop.CallAfter(100, [&] {
    seen.push_back(Value("forms"));
    seen.push_back(Value("get Tftp0Setup.ServerHostName.Text"));
    EXPECT_TRUE(Ask("set Tftp0Setup.ServerHostName.Text ftp.example.com").Ok);
    EXPECT_TRUE(Ask("set PassiveTransferBox.Checked 1").Ok) << "the open modal form's control";
    seen.push_back(Value("get TStayline.Caption"));
  });
  loop.CallAfter(200, [&] { EXPECT_TRUE(Ask("click Tftp0Setup.BitBtn1ok").Ok); });
  EXPECT_TRUE(Ask("click FTPSetup").Ok);
  Pump();  // runs the click, which returns when the form has its result

  EXPECT_EQ(result, forms::ModalResult::OK);
  EXPECT_EQ(seen, (std::vector<std::string>{"TStayline Tftp0Setup", "", " Stayline 1.0.0.0"}));
  EXPECT_EQ(host.Text(), "ftp.example.com");
  EXPECT_TRUE(passive.Checked());
  EXPECT_EQ(Value("forms"), "TStayline");
  EXPECT_FALSE(Ask("get Tftp0Setup.ServerHostName.Text").Ok) << "closed forms are gone";
}

TEST_F(ControlCommandsTest, InputQueuedForAFormThatClosedMeanwhileIsDropped) {
  auto setup = std::make_unique<forms::Form>("TftpProfileSetup");
  auto& comment = setup->Add<forms::Edit>("HTMLText");
  auto& save = setup->Add<forms::Control>("BitBtn3", forms::ControlKind::Button);
  int saves = 0;
  save.OnClick = [&] { ++saves; };
  Form().ProfileSetup.OnClick = [&] { dialogs.ShowModal(*setup); };
  loop.CallAfter(100, [&] {
    EXPECT_TRUE(Ask("click TftpProfileSetup.BitBtn3").Ok);
    EXPECT_TRUE(Ask("set TftpProfileSetup.HTMLText.Text late").Ok);
    setup->SetModalResult(forms::ModalResult::Cancel);  // the user closed it first
  });
  Form().ProfileSetup.UserClick();  // returns when the form has closed
  Pump();
  EXPECT_EQ(saves, 0);
  EXPECT_EQ(comment.Text(), "");
  setup.reset();  // freed on close, as the program's dialogs are
  Pump();
}

// The simulated line is disturbed only where there is a line to disturb; anything else is
// refused with the reason, as `sim ip` refuses an unknown entry.
class ControlSimTest : public app_test::StaylineTest {
 protected:
  void SetUp() override {
    StartAutoDial();
    commands = std::make_unique<app::ControlCommands>(*main, &dialogs);
    commands->SetSimLine(&Sim());
  }
  platform::ControlReply Ask(const std::string& request) { return commands->Handle(request); }
  void Expect(const std::string& request, bool ok, const std::string& value) {
    SCOPED_TRACE(request);
    const auto reply = Ask(request);
    EXPECT_EQ(reply.Ok, ok);
    EXPECT_EQ(reply.Value, value);
  }

  std::unique_ptr<app::ControlCommands> commands;
};

TEST_F(ControlSimTest, DisturbancesThatCannotBeDoneAreRefusedWithTheReason) {
  Expect("sim drop Nonexistent", false, "no such entry: Nonexistent");
  Expect("sim break Nonexistent", false, "no such entry: Nonexistent");
  Expect("sim ip Nonexistent 10.1.1.1", false,
         "unknown entry or no dotted quad: Nonexistent 10.1.1.1");
  Expect("sim drop NoPassword", false, "NoPassword is not connected");

  ASSERT_TRUE(RunUntil([&] { return State().ConnectionHandle != 0; }, 5'000));
  Expect("sim break", false, "the line is still dialling");
  Expect("sim drop Office DSL", false, "Office DSL is still dialling");

  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Expect("sim break Office DSL", true, "");
  loop.ProcessMessages();
  Expect("sim break", false, "the line is broken already");
  Expect("sim drop", true, "");  // a broken line can still drop
  Expect("sim frobnicate", false, "sim drop [ENTRY] | sim break [ENTRY] | sim ip ENTRY A.B.C.D");

  commands->SetSimLine(nullptr);
  Expect("sim drop", false, "sim: only with the simulated line (--ras sim)");
}

TEST_F(ControlCommandsTest, ActivateAndQuitAreHandedToTheProgram) {
  int activated = 0, quits = 0;
  commands->OnActivate = [&] { ++activated; };
  commands->OnQuit = [&] { ++quits; };
  EXPECT_TRUE(Ask("activate").Ok);
  EXPECT_TRUE(Ask("quit").Ok);
  EXPECT_EQ(activated + quits, 0) << "queued like input";
  Pump();
  EXPECT_EQ(activated, 1);
  EXPECT_EQ(quits, 1);
}

}  // namespace
