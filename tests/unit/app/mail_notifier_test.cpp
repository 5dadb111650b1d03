// The mail group of the "DFUE / Internet" page on simulated time: composing subject and body,
// sending through a scripted SMTP peer, a failed connect switching "Auto Mail" off, a refused
// mail reaching the error display, the field change handlers, and the mail setup reloading the
// templates without losing the user's text.
#include "app/mail_notifier.h"

#include "app/control_commands.h"
#include "app/time_log_writer.h"
#include "core/text.h"
#include "net/network_error.h"
#include "net/smtp_client.h"
#include "unit/app/support/mail_peer.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

using app_test::MailPeer;

class MailNotifierTest : public app_test::StaylineTest {
 protected:
  void SetUp() override { net::ClearNetworkError(); }
  void TearDown() override { net::ClearNetworkError(); }

  void StartWith(const MailPeer* peer, std::map<std::string, std::string> extra = {}) {
    std::map<std::string, std::string> settings{
        {"Language", "0"},
        {"MailToText", "me@example.com, you@example.net"},
        {"UserEmail", "stayline@example.org"},
        {"SmtpServerName", "LocalHost"},
        {"SmtpServerPort", peer ? std::to_string(peer->Port()) : "25"}};
    for (auto& [k, v] : extra) settings[k] = v;
    Start(settings);
  }
  app::MailNotifier& Mailer() { return main->Mailer(); }
  // A port nobody listens on.
  static int DeadPort() {
    const MailPeer gone;
    return gone.Port();
  }
};

TEST_F(MailNotifierTest, SubjectAndBodyFromTheTemplates) {
  struct Case {
    const char* what;
    bool german;
    bool autoMail;
    std::string subject;
    std::string text;
    std::string wantSubject;
    std::string wantBody;  // "<head>" stands for the two fixed lines and the empty line
  };
  const std::vector<Case> cases{
      {"manual mail: the text only, keeping its last line end", false, false,
       "  New IP #CIP# (#cip#)  ", "IP: #Cip#\r\nagain #CIP#", "New IP 10.64.0.10 (10.64.0.10)",
       "IP: 10.64.0.10\r\nagain 10.64.0.10\r\n"},
      {"auto mail in English: fixed lines first, all trimmed", false, true, "#CIP#",
       "  text #cIp#  \r\n\r\n", "10.64.0.10", "<head>  text 10.64.0.10"},
      {"auto mail in German", true, true, "IP", "Die IP: #CIP#", "IP", "<head>Die IP: 10.64.0.10"},
  };
  for (const auto& c : cases) {
    StartWith(nullptr, {{"Language", c.german ? "1" : "0"}});
    Form().AutoMailBox1.SetChecked(c.autoMail);
    Form().ESubject.SetText(c.subject);
    Form().EmailText.SetText(c.text);
    State().LastClientIP = "10.64.0.10     ";
    State().OnlineTimeLogText = "0 : 01:02:03,004";
    Mailer().ComposeMail();
    const std::string stamp = main->TimeLog().GetTimeDate();
    const std::string computer = net::TIdSMTP::ComputerName();
    const std::string head =
        c.german ? "Der Computer " + computer + " erhielt am: " + stamp +
                       " die ClientIP: 10.64.0.10\r\nStayline ist online, seit: 0 : 01:02:03,004 "
                       "(d:h:m:s,ms)\r\n\r\n"
                 : "The computer " + computer + " got the ClientIP 10.64.0.10 on " + stamp +
                       "\r\nStayline is online, since: 0 : 01:02:03,004 (d:h:m:s,ms)\r\n\r\n";
    std::string want = c.wantBody;
    if (want.rfind("<head>", 0) == 0) want = head + want.substr(6);
    EXPECT_EQ(Mailer().MailSubject, c.wantSubject) << c.what;
    EXPECT_EQ(Mailer().MailBody, want) << c.what;
    main.reset();
  }
}

TEST_F(MailNotifierTest, SendMailDeliversTheComposedMailAndLogsIt) {
  MailPeer peer(/*offerLogin=*/true);
  StartWith(&peer, {{"SmtpAuthType", "1"}, {"SaveOnlineTimer", "1"}});
  main->Regs().SmtpServerUser = "alice";
  main->Regs().SmtpServerPassword = "secret";
  Form().ESubject.SetText("ClientIP Changed: #CIP#");
  Form().EmailText.SetText("IP #CIP#\r\n.\r\n");
  State().LastClientIP = "10.64.0.10";
  Mailer().TestMailClick();
  const auto mails = peer.Mails();
  ASSERT_EQ(mails.size(), 1u) << peer.Heard();
  EXPECT_EQ(mails[0].From, "stayline@example.org");
  EXPECT_EQ(mails[0].To, (std::vector<std::string>{"me@example.com", "you@example.net"}));
  const std::string& data = mails[0].Data;
  EXPECT_EQ(data.rfind("From: stayline@example.org\r\nSubject: ClientIP Changed: 10.64.0.10\r\n"
                       "To: me@example.com, you@example.net\r\nContent-Type: text/plain\r\nDate: ",
                       0),
            0u)
      << data;
  EXPECT_TRUE(data.ends_with("X-Priority: 1\r\nX-Library: Stayline\r\n\r\nIP 10.64.0.10\r\n..\r\n"))
      << data;
  EXPECT_NE(peer.Heard().find("auth LOGIN\nYWxpY2U=\nc2VjcmV0\n"), std::string::npos)
      << peer.Heard();
  EXPECT_TRUE(peer.Heard().ends_with("Quit\n"));
  EXPECT_TRUE(Form().TestMail.Enabled());
  ASSERT_FALSE(TimeLogLines().empty());
  EXPECT_EQ(TimeLogLines().back().rfind("E-Mail....:", 0), 0u) << TimeLogLines().back();
}

TEST_F(MailNotifierTest, AFailedConnectSwitchesAutoMailOffAndStoresIt) {
  struct Case {
    const char* what;
    std::string port;
    bool earlierError;
    bool dialDelay;
    int beeps;
  };
  const std::vector<Case> cases{
      {"nobody listens", std::to_string(DeadPort()), false, false, 1},
      {"the port is no number", "smtp", false, false, 1},
      {"a socket error recorded earlier", "", true, false, 0},
      {"during the dial delay", std::to_string(DeadPort()), false, true, 1},
  };
  for (const auto& c : cases) {
    MailPeer peer;
    StartWith(&peer, {{"AutoMail", "1"}});
    if (!c.port.empty()) main->Regs().SmtpServerPort = c.port;
    ASSERT_TRUE(Form().AutoMailBox1.Checked()) << c.what;
    State().DialDelayActive = c.dialDelay;
    if (c.earlierError) net::RecordNetworkError(ENETDOWN);
    const int beeps = dialogs.BeepCount();
    Mailer().TestMailClick();
    EXPECT_EQ(dialogs.BeepCount() - beeps, c.beeps) << c.what;
    EXPECT_FALSE(Form().AutoMailBox1.Checked()) << c.what;
    EXPECT_EQ(main->Regs().AutoMail, "0") << c.what;
    EXPECT_EQ(Stored("AutoMail"), "0") << c.what;
    EXPECT_FALSE(net::NetworkErrorFlag()) << c.what;
    EXPECT_TRUE(peer.Mails().empty()) << c.what;
    EXPECT_EQ(peer.Heard().find("ehlo"), std::string::npos) << c.what;
    main.reset();
  }
}

TEST_F(MailNotifierTest, ASecureConnectThatFailsSaysWhyInTheStatusAndTheTimeLog) {
  struct Case {
    const char* what;
    std::string security;
    std::string reason;  // "" when the failure stays silent, as without security
  };
  const std::vector<Case> cases{
      {"STARTTLS not offered", "1", "TLS: the mail server does not offer STARTTLS"},
      {"TLS to a plain server", "2", "TLS: wrong version number"},
      {"an unknown value means none", "7", ""},
  };
  for (const auto& c : cases) {
    MailPeer peer(/*offerLogin=*/true);
    StartWith(&peer, {{"AutoMail", "1"},
                      {"SaveOnlineTimer", "1"},
                      {"SmtpSecurity", c.security},
                      {"SmtpAuthType", "1"}});
    main->Regs().SmtpServerPassword = "secret";
    if (c.reason.empty()) main->Regs().SmtpServerPort = std::to_string(DeadPort());
    Form().StatusBar1.SetPanel(1, " ");
    const std::size_t before = TimeLogLines().size();
    Mailer().TestMailClick();
    const std::string text = c.reason.empty() ? " " : "E-Mail: Error: " + c.reason;
    EXPECT_EQ(Form().StatusBar1.Panel(1), text) << c.what;
    const auto lines = TimeLogLines();
    const bool logged = std::any_of(lines.begin() + before, lines.end(), [&](const std::string& l) {
      return l.find(" Status...:") == 0 &&
             l.find("E-Mail: Error: " + c.reason) != std::string::npos;
    });
    EXPECT_EQ(logged, !c.reason.empty()) << c.what;
    EXPECT_FALSE(Form().AutoMailBox1.Checked()) << c.what;
    EXPECT_FALSE(net::NetworkErrorFlag()) << c.what;
    // Nothing but the hello went out in plain text: no login, no sender.
    EXPECT_EQ(peer.Heard().find("auth"), std::string::npos) << c.what << peer.Heard();
    EXPECT_EQ(peer.Heard().find("Mail from"), std::string::npos) << c.what << peer.Heard();
    EXPECT_TRUE(peer.Mails().empty()) << c.what;
    main.reset();
  }
}

TEST_F(MailNotifierTest, AMailTheServerRefusesReachesTheErrorDisplay) {
  MailPeer peer(false, "550 5.7.1 not you");
  StartWith(&peer, {{"AutoMail", "1"}});
  EXPECT_THROW(
      {
        try {
          Mailer().TestMailClick();
        } catch (const net::SmtpError& e) {
          EXPECT_STREQ(e.what(), "550 5.7.1 not you");
          throw;
        }
      },
      net::SmtpError);
  EXPECT_FALSE(Form().TestMail.Enabled());
  // A refusal is no connection failure: "Auto Mail" stays on, and the session was ended.
  EXPECT_TRUE(Form().AutoMailBox1.Checked());
  EXPECT_FALSE(main->Mailer().SMTP().Connected());
  EXPECT_TRUE(peer.Mails().empty());
}

TEST_F(MailNotifierTest, AutoMailMailsEachNewClientIpOnce) {
  MailPeer peer;
  StartWith(&peer, {{"AutoConnect", "1"}, {"StaylineConnection", "Office DSL"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(3000);
  EXPECT_TRUE(peer.Mails().empty()) << "Auto Mail is off";
  // Turning it on mails the current address at the next tick.
  Form().AutoMailBox1.UserClick();
  EXPECT_EQ(Stored("AutoMail"), "1");
  RunFor(1500);
  ASSERT_EQ(peer.Mails().size(), 1u);
  EXPECT_NE(peer.Mails()[0].Data.find("Subject: ClientIP Changed: 10.64.0.10\r\n"),
            std::string::npos);
  Sim().SetNextClientIp("Office DSL", "10.64.0.10");
  Sim().Drop("");
  RunFor(2000);
  ASSERT_TRUE(RunUntilOnline("10.64.0.10", 10'000));
  RunFor(3000);
  EXPECT_EQ(peer.Mails().size(), 1u) << "the same address again";
  Sim().SetNextClientIp("Office DSL", "10.64.0.77");
  Sim().Drop("");
  RunFor(2000);
  ASSERT_TRUE(RunUntilOnline("10.64.0.77", 10'000));
  RunFor(3000);
  ASSERT_EQ(peer.Mails().size(), 2u);
  EXPECT_NE(peer.Mails()[1].Data.find("got the ClientIP 10.64.0.77 on "), std::string::npos)
      << peer.Mails()[1].Data;
}

TEST_F(MailNotifierTest, FieldChangesStoreOnlyUsableValues) {
  StartWith(nullptr);
  struct Case {
    const char* what;
    forms::Edit& (*edit)(app::MainForm&);
    std::string text;
    std::string setting;
    std::string stored;  // what the setting holds afterwards
  };
  const auto mailTo = [](app::MainForm& f) -> forms::Edit& { return f.MailTo; };
  const auto subject = [](app::MainForm& f) -> forms::Edit& { return f.ESubject; };
  const auto text = [](app::MainForm& f) -> forms::Edit& { return f.EmailText; };
  const std::vector<Case> cases{
      {"recipient without at sign", mailTo, "me.example.com", "MailToText",
       "me@example.com, you@example.net"},
      {"recipient without dot", mailTo, "me@example", "MailToText",
       "me@example.com, you@example.net"},
      {"recipient with both", mailTo, "new@example.de", "MailToText", "new@example.de"},
      {"blank subject", subject, "   ", "ESubject", "ClientIP Changed: #CIP#"},
      {"subject kept untrimmed", subject, " IP #CIP# ", "ESubject", " IP #CIP# "},
      {"empty text becomes the default", text, "  \r\n ", "EmailText",
       "Die IP hat sich ge\u00e4ndert in #CIP#"},
      {"text lines joined and trimmed", text, " a\nb \n\n", "EmailText", "a\r\nb"},
  };
  for (const auto& c : cases) {
    c.edit(Form()).SetText(c.text);
    EXPECT_EQ(Stored(c.setting), c.stored) << c.what;
  }
  // A disabled recipient edit stores nothing.
  Form().MailTo.SetEnabled(false);
  Form().MailTo.SetText("other@example.de");
  EXPECT_EQ(Stored("MailToText"), "new@example.de");
}

TEST_F(MailNotifierTest, AutoMailSwitchStoresItselfExceptDuringTheDialDelay) {
  StartWith(nullptr);
  State().MailPending = false;
  Form().AutoMailBox1.SetChecked(true);
  EXPECT_EQ(Stored("AutoMail"), "1");
  EXPECT_TRUE(State().MailPending);
  Form().AutoMailBox1.SetChecked(false);
  EXPECT_EQ(Stored("AutoMail"), "0");
  State().DialDelayActive = true;
  State().MailPending = false;
  Form().AutoMailBox1.SetChecked(true);
  EXPECT_EQ(Stored("AutoMail"), "0");
  EXPECT_FALSE(State().MailPending);
}

TEST_F(MailNotifierTest, TheUsersMailTextSurvivesStartAndMailSetup) {
  StartWith(nullptr, {{"EmailText", "My line\r\nIP: #CIP#"}, {"ESubject", "Mine #CIP#"}});
  EXPECT_EQ(Form().EmailText.Lines(), (std::vector<std::string>{"My line", "IP: #CIP#"}));
  EXPECT_EQ(Stored("EmailText"), "My line\r\nIP: #CIP#");
  // The setup closed without Default: the page shows the same texts.
  dialogs.QueueAnswer("Cancel");
  Form().MailSetup.UserClick();
  EXPECT_EQ(Form().EmailText.Lines(), (std::vector<std::string>{"My line", "IP: #CIP#"}));
  EXPECT_EQ(Stored("EmailText"), "My line\r\nIP: #CIP#");
  EXPECT_EQ(Form().ESubject.Text(), "Mine #CIP#");
  // Default in the setup: the page shows the defaults of the language.
  dialogs.OnModal = [](forms::Form& form) {
    form.Find("BitBtn2Default")->UserClick();
    form.SetModalResult(forms::ModalResult::Cancel);
  };
  Form().MailSetup.UserClick();
  dialogs.OnModal = nullptr;
  EXPECT_EQ(Form().EmailText.Lines(), std::vector<std::string>{"The IP has changed in #CIP#"});
  EXPECT_EQ(Form().ESubject.Text(), "ClientIP Changed: #CIP#");
  EXPECT_EQ(Stored("EmailText"), "The IP has changed in #CIP#");
}

TEST_F(MailNotifierTest, TheMailSetupIsDrivenThroughTheControlSocket) {
  StartWith(nullptr);
  dialogs.Interactive = true;  // as in the headless program: modal forms wait for the socket
  app::ControlCommands commands(*main, &dialogs);
  std::vector<std::string> seen;
  loop.CallAfter(100, [&] {
    seen.push_back(commands.Handle("forms").Value);
    seen.push_back(commands.Handle("get TfmSetup.Caption").Value);
    seen.push_back(commands.Handle("get TfmSetup.Label11.Caption").Value);
    EXPECT_TRUE(commands.Handle("set TfmSetup.SMTPServer.Text smtp.example.org").Ok);
    EXPECT_TRUE(commands.Handle("set TfmSetup.SMTPPort.Text 2525").Ok);
    EXPECT_TRUE(commands.Handle("set TfmSetup.cboAuthType.ItemIndex 1").Ok);
  });
  loop.CallAfter(200, [&] { EXPECT_TRUE(commands.Handle("click TfmSetup.BitBtn1ok").Ok); });
  EXPECT_TRUE(commands.Handle("click MailSetup").Ok);
  loop.ProcessMessages();  // runs the click, which returns when the dialog has its result
  EXPECT_EQ(seen, (std::vector<std::string>{"TStayline TfmSetup", " Stayline Mail-Setup",
                                            "Outgoing Mail Server:"}));
  EXPECT_EQ(Stored("SmtpServerName"), "smtp.example.org");
  EXPECT_EQ(Stored("SmtpServerPort"), "2525");
  EXPECT_EQ(Stored("SmtpAuthType"), "1");
  EXPECT_EQ(commands.Handle("forms").Value, "TStayline");
}

}  // namespace
