#include "app/connection_keeper.h"

#include "app/browser_refresh.h"
#include "app/connection_recovery.h"
#include "app/dial_delay.h"
#include "app/direct_dial.h"
#include "app/online_time.h"
#include "app/phonebook_page.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "core/text.h"

namespace app {

ConnectionKeeper::ConnectionKeeper(TStayline& main) : main_(main) {
  WireHandlers();
  WireDialUpEvents();
}

void ConnectionKeeper::WireHandlers() {
  MainForm& f = main_.Form();
  f.DialManual.OnClick = [this] { DialManuellClick(); };
  f.HangUpManual.OnClick = [this] { HangUpManualClick(); };
  f.ListBox1.OnChange = [this] { ListBox1Change(); };
  f.TimerX.OnTimer() = [this] { TimerXTimer(); };
}

void ConnectionKeeper::WireDialUpEvents() {
  ras::TDialUp& d = main_.DialUp();
  d.OnEntryGet = [this](ras::TDialUp&, const char* name) { DialUpEntryGet(name); };
  d.OnActiveConnection = [this](ras::TDialUp&, ras::HRasConn handle,
                                const ras::TRasConnStatusA& status, const std::string& text,
                                const char* entry, const char* deviceType, const char* deviceName) {
    DialUpActiveConnection(handle, status, text, entry, deviceType, deviceName);
  };
  d.OnAsyncEvent = [this](ras::TDialUp&, int state, int error, const std::string& text) {
    DialUpAsyncEvent(state, error, text);
  };
  d.OnDialing = [this](ras::TDialUp&) { DialUpDialing(); };
  d.OnError = [this](ras::TDialUp&, int error, const std::string& text) {
    DialUpError(error, text);
  };
  d.OnConnect = [this](ras::TDialUp&) { DialUpConnect(); };
  d.OnNotConnected = [this](ras::TDialUp&, int error, const std::string& text) {
    DialUpNotConnected(error, text);
  };
}

std::string ConnectionKeeper::StatusText(Status status) {
  std::string text;
  switch (status) {
    case Status::Dialing:
      text = main_.Tx("Verbinde... ", "Dialing... ");
      break;
    case Status::Connected:
      text = main_.Tx("Verbunden... ", "Connected... ");
      break;
    case Status::DisConnected:
      text = main_.Tx("Keine Verbindung... ", "DisConnected... ");
      break;
  }
  if (main_.Form().ViewOnlineTimeBox.Checked()) text += main_.State().OnlineTimeText;
  return text;
}

void ConnectionKeeper::ShowStatus(Status status) {
  main_.Form().Status2.SetCaption(StatusText(status));
}

std::string ConnectionKeeper::NoCredentialsText() const {
  return main_.Tx("Fehler: Kein Benutzername oder Kennwort", "Error: No Username or Password");
}

void ConnectionKeeper::ShowSelectedConnection(const std::string& entry) {
  main_.Form().ActiveConnections.SetCaption(
      main_.Tx("Ausgewählte Verbindung: ", "Selected Connection: ") + entry);
}

void ConnectionKeeper::QuitFtpSession() {
  if (main_.MFtp1().Connected()) main_.MFtp1().Quit();
}

bool ConnectionKeeper::ComponentHasHandle() {
  return main_.DialUp().CurrentHandle() != 0 || main_.DialUp().DialHandle() != 0;
}

namespace {
// The time log pads the addresses in place and writes "0.0.0.0" for a missing one; neither makes
// the client address known.
bool Known(const std::string& address) {
  const std::string a = core::Trim(address);
  return !a.empty() && a != "0.0.0.0";
}
}  // namespace

bool ConnectionKeeper::ConnectionComplete() {
  const MainState& s = main_.State();
  // The server address comes with the client address from the same projection. A line without
  // a far end of its own (a tunnel without peer or gateway) reports it as "0.0.0.0" and is
  // complete all the same.
  return s.ConnectionHandle != 0 && s.ActiveConnectionCount != 0 && Known(s.LastClientIP) &&
         !core::Trim(s.LastServerIP).empty();
}

void ConnectionKeeper::ClearHandles() {
  main_.DialUp().SetCurrentHandle(0);
  main_.DialUp().SetDialHandle(0);
  main_.State().ConnectionHandle = 0;
}

void ConnectionKeeper::TesteConnections() {
  MainState& s = main_.State();
  s.ActiveConnectionCount = 1;
  main_.DialUp().GetConnections(s.ActiveConnectionCount);
}

void ConnectionKeeper::Connecting() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  settings::TRegsData& r = main_.Regs();
  f.ListBox1.ClearItems();
  main_.DialUp().GetEntries();
  if (f.ListBox1.Count() == 0) {
    s.HasPhonebookEntries = false;
    main_.Beep();
    return;
  }
  s.HasPhonebookEntries = true;
  if (f.ListBox1.Text().empty()) f.ListBox1.SetItemIndex(0);
  if (r.StaylineConnection == "0") {
    ShowSelectedConnection(f.ListBox1.Text());
  } else {
    ShowSelectedConnection(r.StaylineConnection);
    f.ListBox1.SetText(r.StaylineConnection);
  }
  r.StaylineConnection = f.ListBox1.Text();
  main_.Store().WriteField("StaylineConnection");
  if (r.AutoConnect != "1") return;
  DialManualClick();
  TesteConnections();
  if (ComponentHasHandle() || s.ActiveConnectionCount != 0) {
    ShowStatus(Status::Connected);
    f.Status2.SetVisible(true);
    f.TimerX.SetEnabled(true);
  }
}

void ConnectionKeeper::DialManuellClick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  main_.Delay().StopDialDelay();
  f.SetCaption(main_.BaseCaption());
  f.ErrorMessage.SetVisible(false);
  s.RasState = 0;
  if (!s.HasPhonebookEntries) return;
  s.ManualHangUp = false;
  DialManualClick();
}

bool ConnectionKeeper::CheckCredentials() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  s.EntryUserName.clear();
  s.EntryPassword.clear();
  main_.Direct().ReadEntryCredentials(f.ListBox1.Text(), s.EntryUserName, s.EntryPassword);
  if (!core::Trim(s.EntryUserName).empty() && !core::Trim(s.EntryPassword).empty()) return true;
  main_.Beep();
  f.ErrorMessage.SetCaption(NoCredentialsText());
  f.ErrorMessage.SetVisible(true);
  main_.Recovery().HangUpManualShowMessage("No Username or Password");
  return false;
}

void ConnectionKeeper::DialManualClick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  if (!s.HasPhonebookEntries) return;
  // No automatic redial after a manual hang-up.
  if (s.ManualHangUp && main_.DialUp().CurrentHandle() == 0) return;
  if (!CheckCredentials()) return;
  s.BrowserWindow = main_.Browser().FindBrowserWindow();
  TesteConnections();
  if (ComponentHasHandle() && s.ActiveConnectionCount != 0) return;  // the line is up
  ShowStatus(Status::Dialing);
  f.Status2.SetVisible(true);
  main_.DialUp().SetDialMode(ras::TDialMode::dmAsync);
  main_.DialUp().SetEntry(main_.Regs().StaylineConnection);
  DirectDial& direct = main_.Direct();
  direct.btnGetParamsClick();
  const bool started =
      !s.EntryUserName.empty() && !s.EntryPassword.empty() && direct.btnDialEntryClick() == 0;
  if (!started) {
    TestDisConnect();
    DialThroughComponent();
  }
  TesteConnections();
  main_.ProcessMessages();
  f.TimerX.SetEnabled(true);
}

void ConnectionKeeper::DialThroughComponent() {
  MainState& s = main_.State();
  ras::TDialUp& d = main_.DialUp();
  d.SetDialMode(ras::TDialMode::dmAsync);
  d.SetEntry(main_.Regs().StaylineConnection);
  main_.MFtp1().Quit();
  if (s.ConnectionHandle != 0) d.HangUpConnection(s.ConnectionHandle);
  d.Dial();
  // The handle of the new dial (Dial itself answers with an error code), so the next dial
  // hangs up what this one started.
  s.ConnectionHandle = d.DialHandle();
  if (main_.Form().AutoConnect.Checked()) s.ConnectTick = 0;
}

void ConnectionKeeper::TimerXTimer() {
  if (inWatcher_) return;  // a dial inside the watcher ran the loop
  inWatcher_ = true;
  struct Leave {
    bool& flag;
    ~Leave() { flag = false; }
  } leave{inWatcher_};
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  const bool autoConnect = main_.Regs().AutoConnect == "1";
  TesteConnections();
  if (ComponentHasHandle()) {
    if (f.Status2.Visible()) ShowStatus(Status::Connected);
    if (s.ActiveConnectionCount == 0) {
      ShowStatus(Status::DisConnected);
      if (autoConnect) DialManualClick();
    }
  } else {
    ShowStatus(Status::DisConnected);
    if (autoConnect) DialManualClick();
  }
}

void ConnectionKeeper::HangUpManualClick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  main_.Delay().StopDialDelay();
  s.RasState = 0;
  s.ManualHangUp = true;
  f.TimerX.SetEnabled(false);
  if (!s.RestartInProgress) QuitFtpSession();
  TesteConnections();
  main_.DialUp().HangUp();
  s.ActiveConnectionCount = 0;
  f.Status2.SetVisible(false);
  ClearHandles();
  if (!s.RestartInProgress && f.CloseIEbyExit.Checked()) main_.Browser().CloseInternetClick();
  ClearHandles();
  s.ActiveConnectionCount = 0;
  s.LastClientIP.clear();
  s.LastServerIP.clear();
}

void ConnectionKeeper::TestDisConnect() {
  MainState& s = main_.State();
  TesteConnections();
  const bool gone = s.ActiveConnectionCount == 0 && s.ConnectTick != 0;
  if (gone) {
    s.AccumulatedOnlineMs += OnlineTime::Elapsed(main_.Loop().GetTickCount(), s.ConnectTick);
    s.ConnectTick = 0;
    s.DisconnectLogPending = true;
  }
  if (main_.Form().WriteLogFileBox.Checked() && s.DisconnectLogPending) {
    s.DisconnectLogPending = false;
    main_.TimeLog().WriteToLogFile("DisConnect:", s.OnlineTimeLogText, false);
  }
  // The addresses belonged to the connection that has gone; kept, they would make the next dial
  // look complete before it has addresses of its own. A "Connect...:" line still due (the log was
  // off when that connection came up) goes with them: written on the next connection's first
  // complete tick, before that connection is counted, it would be followed by the connection's
  // own line one tick later.
  if (gone) {
    s.LastClientIP.clear();
    s.LastServerIP.clear();
    s.ConnectLogPending = false;
  }
}

void ConnectionKeeper::ListBox1Change() {
  MainForm& f = main_.Form();
  ShowSelectedConnection(f.ListBox1.Text());
  main_.Regs().StaylineConnection = f.ListBox1.Text();
  main_.Store().WriteField("StaylineConnection");
  if (CheckCredentials()) f.ErrorMessage.SetVisible(false);
}

// --- events of DialUp -------------------------------------------------------------------------

void ConnectionKeeper::DialUpEntryGet(const char* entryName) {
  MainForm& f = main_.Form();
  f.ListBox1.AddItem(entryName);
  f.ListBox1.SetItemIndex(0);
  main_.Phonebook().btnGetEntriesClick();
}

void ConnectionKeeper::DialUpActiveConnection(ras::HRasConn handle,
                                              const ras::TRasConnStatusA& status,
                                              const std::string& statusString,
                                              const char* entryName, const char* /*deviceType*/,
                                              const char* deviceName) {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  ras::TDialUp& d = main_.DialUp();
  s.RasState = static_cast<int>(status.rasconnstate);
  if (f.DialedConnection1.Visible()) {
    f.DialedConnection1.SetCaption(entryName);
    f.DialedConnection2.SetCaption(deviceName);
    if (status.rasconnstate == ras::RASCS_Disconnected) {
      main_.Beep();
      f.DialedConnection3.SetCaption(NoCredentialsText());
    } else {
      f.DialedConnection3.SetCaption(statusString + "(" + std::to_string(s.RasState) + ")");
    }
  }
  d.GetIPAddresses(handle);
  if (f.DialedConnection1.Visible()) {
    f.IPHandle.SetCaption("Server IP: " + d.ServerIP() + "  -  Client IP: " + d.ClientIP());
  }
  s.ConnectionHandle = handle;
}

void ConnectionKeeper::LogStatus(bool failed, const std::string& text) {
  if (!main_.Form().WriteLogFileBox.Checked()) return;
  main_.TimeLog().WriteToLogFile(" Status...:", failed ? "Error: " + text : text, false);
}

void ConnectionKeeper::DialUpAsyncEvent(int /*state*/, int error, const std::string& text) {
  if (error != 0) main_.Beep();
  LogStatus(error != 0, text);
}

void ConnectionKeeper::DialUpDialing() {
  if (!main_.Form().TimerX.Enabled()) return;
  ShowStatus(Status::Dialing);
  main_.ProcessMessages();
}

void ConnectionKeeper::DialUpError(int /*error*/, const std::string& text) {
  main_.Beep();
  LogStatus(true, text);
}

}  // namespace app
