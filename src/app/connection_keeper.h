#pragma once
// The connection keeper: dials the selected phonebook entry (directly with its stored
// credentials, else through `DialUp`), watches the line with `TimerX` and dials again while
// automatic connection is on, hangs up on request, closes the online-time accounting when the
// line has gone, and answers the events of the dial-up component.
//
// A dial is asynchronous: it only starts the connection; whether it is up is decided by
// enumerating the active connections (TesteConnections).
//
// Threading: loop thread only. Dialling and hanging up may run the loop (pending messages, the
// wait for a hang-up), so other timers fire meanwhile; the watcher never runs inside itself.

#include <cstdint>
#include <string>

#include "ras/dial_up.h"

namespace app {

class TStayline;

class ConnectionKeeper {
 public:
  enum class Status { Dialing, Connected, DisConnected };

  explicit ConnectionKeeper(TStayline& main);

  // The window is shown: fill the entry list, select the entry and dial when "AutoConnect" is on.
  void Connecting();
  // The "Dial" button and the tray item: ends the dial delay and a manual hang-up, then dials.
  void DialManuellClick();
  // The dial routine of everything that dials.
  void DialManualClick();
  // The "HangUp" button (and the close handler).
  void HangUpManualClick();
  void TimerXTimer();
  // Adds the time of a connection that has gone and logs "DisConnect:".
  void TestDisConnect();
  void ListBox1Change();
  // ActiveConnectionCount := the number of active connections of `DialUp`.
  void TesteConnections();

  // Reads the stored credentials of the entry in ListBox1; when one is missing it shows the
  // error and runs the broken-connection recovery. Returns whether both were there.
  bool CheckCredentials();
  // Dials through `DialUp` (after a direct dial could not start): asynchronous, the stored
  // entry, the FTP session quit and the last handle hung up first.
  void DialThroughComponent();

  // Status2 := the status text, followed by the online time when that is shown.
  void ShowStatus(Status status);
  [[nodiscard]] std::string StatusText(Status status);
  // "Error: No Username or Password" in the current language.
  [[nodiscard]] std::string NoCredentialsText() const;

  // The component holds a current or a dial handle.
  [[nodiscard]] bool ComponentHasHandle();
  // Handle, active connection and both addresses known.
  [[nodiscard]] bool ConnectionComplete();
  // Drops the component's handles and the window's.
  void ClearHandles();

  // --- events of `DialUp`
  void DialUpEntryGet(const char* entryName);
  void DialUpActiveConnection(ras::HRasConn handle, const ras::TRasConnStatusA& status,
                              const std::string& statusString, const char* entryName,
                              const char* deviceType, const char* deviceName);
  void DialUpAsyncEvent(int state, int error, const std::string& text);
  void DialUpDialing();
  void DialUpError(int error, const std::string& text);
  void DialUpConnect() {}
  void DialUpNotConnected(int /*error*/, const std::string& /*text*/) {}

 private:
  void WireHandlers();
  void WireDialUpEvents();
  void ShowSelectedConnection(const std::string& entry);
  void QuitFtpSession();
  // A " Status...:" line of the time log: the status text, or "Error: " + the error text.
  void LogStatus(bool failed, const std::string& text);

  TStayline& main_;
  bool inWatcher_ = false;
};

}  // namespace app
