#pragma once
// TStayline: the composition root of the main window. It owns the form model, the shared state
// and the modules that hold the window's logic (life cycle, time log, online time, ...); the
// modules reach the components and each other only through it. Loop thread only.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/main_state.h"
#include "core/event_loop.h"
#include "forms/application.h"
#include "forms/dialog_service.h"
#include "platform/paths.h"
#include "settings/settings_store.h"

namespace app {

class LifeCycle;
class TimeLogWriter;
class OnlineTime;

// What the program hands the main window: its loop, dialogs, settings and folders.
struct StaylineEnvironment {
  core::EventLoop* Loop = nullptr;
  forms::Application* Application = nullptr;
  settings::SettingsStore* Store = nullptr;
  platform::Paths Paths;
  std::string ProgramPath;
  std::vector<std::string> ProgramArgs;  // the arguments this instance was started with
};

class TStayline {
 public:
  explicit TStayline(StaylineEnvironment env);
  ~TStayline();
  TStayline(const TStayline&) = delete;
  TStayline& operator=(const TStayline&) = delete;

  [[nodiscard]] MainForm& Form() { return *form_; }
  [[nodiscard]] MainState& State() { return state_; }
  [[nodiscard]] settings::SettingsStore& Store() { return *env_.Store; }
  [[nodiscard]] settings::TRegsData& Regs() { return env_.Store->Data(); }
  [[nodiscard]] core::EventLoop& Loop() { return *env_.Loop; }
  [[nodiscard]] forms::Application& Application() { return *env_.Application; }
  [[nodiscard]] forms::DialogService& Dialogs() { return env_.Application->Dialogs(); }
  [[nodiscard]] const StaylineEnvironment& Environment() const { return env_; }

  [[nodiscard]] LifeCycle& Life() { return *life_; }
  [[nodiscard]] TimeLogWriter& TimeLog() { return *timeLog_; }
  [[nodiscard]] OnlineTime& Online() { return *online_; }

  // "Language" "1" is German.
  [[nodiscard]] bool German() const;
  [[nodiscard]] std::string Tx(const std::string& german, const std::string& english) const {
    return German() ? german : english;
  }
  // " Stayline " + the four-part version.
  [[nodiscard]] std::string BaseCaption() const;
  // The program directory: where the logs and the client-IP page live.
  [[nodiscard]] const std::string& ProgramDir() const { return env_.Paths.dataDir; }
  [[nodiscard]] std::string ProgramDirFile(std::string_view name) const;
  // Local wall-clock time; follows the loop's clock so simulated runs have simulated dates.
  [[nodiscard]] std::chrono::system_clock::time_point WallNow() const;
  void Beep() { Dialogs().Beep(); }

  // The application is asked to end with `code` (the loop stops, the program exits).
  std::function<void(int code)> Terminate;
  // The process ends at once with `code` (third run of the close handler, recovery).
  std::function<void(int code)> ExitNow;

  // Operations of capabilities that land with later work: the main window calls them at the
  // right moments, each does nothing until its capability installs it.
  struct LaterOperations {
    std::function<void()> CloseInternetClick;  // close the browser
    std::function<void()> FTPFormCreate;       // FTP page set-up
    std::function<void()> ResetUploadState;    // the client-IP page was deleted at start
    std::function<void()> ArmAutoFtp;          // publish by FTP after the next connect
    std::function<bool()> FtpConnected;        // the FTP engine holds a session
    std::function<void()> FtpQuit;             // quit that session
    std::function<void()> PurgeFtpCache;       // delete the listing cache's files
    std::function<std::string()> GetActualUrl;  // the browser's current address
    std::function<void()> ComposeMail;          // mail subject and body from the log line
    // the connection keeper
    std::function<void()> EnumerateEntries;     // phonebook entries into ListBox1 (DialUpEntryGet)
    std::function<void()> TesteConnections;     // ActiveConnectionCount from the dial-up component
    std::function<std::string()> DialUpClientIP;
    std::function<std::string()> DialUpServerIP;
    std::function<void()> Connecting;           // the window is shown
    std::function<void()> HangUpManualClick;
    std::function<void()> StartDialDelay;
    std::function<bool(const std::string&)> DelayTimeInteger;  // a valid dial-delay number
    std::function<void(bool german)> SetDialUpLanguage;
  } Later;

  // Calls a later operation when it is installed.
  template <typename F, typename... Args>
  static void Call(const F& f, Args&&... args) {
    if (f) f(std::forward<Args>(args)...);
  }

 private:
  StaylineEnvironment env_;
  std::unique_ptr<MainForm> form_;
  MainState state_;
  std::unique_ptr<LifeCycle> life_;
  std::unique_ptr<TimeLogWriter> timeLog_;
  std::unique_ptr<OnlineTime> online_;
  std::chrono::system_clock::time_point wallBase_;
  std::int64_t loopBase_ = 0;
};

}  // namespace app
