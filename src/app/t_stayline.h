#pragma once
// TStayline: the composition root of the main window. It owns the form model, the shared state,
// the dial-up component `DialUp` and the modules that hold the window's logic (life cycle,
// connection keeper, status tick, tray, time log, ...); the modules reach the components and each
// other only through it. Loop thread only.

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
#include "ftp/ftp_listing_cache_store.h"
#include "ftp/listing_cache.h"
#include "ftp/tm_ftp.h"
#include "platform/paths.h"
#include "ras/dial_up.h"
#include "ras/ras_api.h"
#include "ras/ras_backend.h"
#include "settings/settings_store.h"

namespace platform {
class Browser;
}

namespace app {

class LifeCycle;
class TimeLogWriter;
class OnlineTime;
class ConnectionKeeper;
class DialDelay;
class ConnectionRecovery;
class StatusTick;
class TrayModel;
class DirectDial;
class TimeLogPage;
class AutoFtp;
class FtpConnectionLoader;
class FtpSetupDialogs;
class FtpPanel;
class MailNotifier;
class LanguageSwitch;
class AutoPing;
class BrowserRefresh;
class WebServerProbe;
class ProgramStarter;
class HelpMenu;
class ProgramRemoval;
class PhonebookPage;
class EntryEditorDialog;
class DynDnsTransport;
class DynDnsUpdater;
class NewIpCommand;

// What the program hands the main window: its loop, dialogs, settings and folders.
struct StaylineEnvironment {
  core::EventLoop* Loop = nullptr;
  forms::Application* Application = nullptr;
  settings::SettingsStore* Store = nullptr;
  platform::Paths Paths;
  std::string ProgramPath;
  std::vector<std::string> ProgramArgs;  // the arguments this instance was started with
  // The platform's dial-up service; it must outlive the window. Without one the window sees a
  // line with no phonebook entries.
  ras::RasApi* Ras = nullptr;
  // How many restarts of the broken-connection recovery in a row led to this instance (0 when
  // started by hand); the restart's backoff grows with it.
  int RestartsInARow = 0;
  // The browser the window drives and the web-server test's HTTP; without them the system's.
  platform::Browser* Browser = nullptr;
  WebServerProbe* WebServer = nullptr;
  // The dynamic-DNS update's HTTPS; without one the network layer's.
  DynDnsTransport* DynDns = nullptr;
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
  [[nodiscard]] ConnectionKeeper& Keeper() { return *keeper_; }
  [[nodiscard]] DialDelay& Delay() { return *delay_; }
  [[nodiscard]] ConnectionRecovery& Recovery() { return *recovery_; }
  [[nodiscard]] StatusTick& Tick() { return *tick_; }
  [[nodiscard]] TrayModel& Tray() { return *tray_; }
  [[nodiscard]] DirectDial& Direct() { return *direct_; }
  [[nodiscard]] TimeLogPage& LogPage() { return *logPage_; }
  // Publishing the client IP by FTP, and the loader of FTP connection data it shares.
  [[nodiscard]] AutoFtp& Publisher() { return *autoFtp_; }
  [[nodiscard]] FtpConnectionLoader& FtpConnection() { return *ftpConnection_; }
  // The auto-FTP setup dialog opened from the FTP page.
  [[nodiscard]] FtpSetupDialogs& FtpSetup() { return *ftpSetup_; }
  // The mini FTP client of the FTP page.
  [[nodiscard]] FtpPanel& MiniFtp() { return *ftpPanel_; }
  // Mailing the client IP: the mail group of the "DFUE / Internet" page and its SMTP client.
  [[nodiscard]] MailNotifier& Mailer() { return *mailer_; }
  // The language radio buttons and the captions of the current language.
  [[nodiscard]] LanguageSwitch& Languages() { return *language_; }
  // The browser around the connection and the web-server refresh.
  [[nodiscard]] BrowserRefresh& Browser() { return *browser_; }
  // Starting programs for the user (the manual's viewer) with readable start errors.
  [[nodiscard]] ProgramStarter& Starter() { return *starter_; }
  // The help menu and the link labels.
  [[nodiscard]] HelpMenu& Help() { return *help_; }
  // "Remove Program".
  [[nodiscard]] ProgramRemoval& Removal() { return *removal_; }
  // The phonebook entries and their credentials on the "DFUE / Internet" page, and the main
  // page's "Open DFUE" / "Close DFUE".
  [[nodiscard]] PhonebookPage& Phonebook() { return *phonebook_; }
  // The "Ping" group: one ping, the auto-ping and its reply list.
  [[nodiscard]] AutoPing& Pinger() { return *autoPing_; }
  // Publishing the client IP to a dynamic-DNS service (and its setup dialog), and the user's
  // command run on every new client IP.
  [[nodiscard]] DynDnsUpdater& DynDns() { return *dynDns_; }
  [[nodiscard]] NewIpCommand& IpCommand() { return *ipCommand_; }

  // The dial-up component (design time: asynchronous dialling, German texts) and the service
  // it talks to.
  [[nodiscard]] ras::TDialUp& DialUp() { return *dialUp_; }
  // The FTP engine of the auto-FTP upload and the FTP page, with its listing cache.
  [[nodiscard]] ftp::TMFtp& MFtp1() { return *mFtp1_; }
  [[nodiscard]] ras::RasApi& Ras() { return *ras_; }
  // The dial-up component's status texts in German or English.
  void SetDialUpLanguage(bool german);

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
  // "Let pending messages run": one pass of the loop.
  void ProcessMessages() { Loop().ProcessMessages(); }
  // The local client-IP page: "FTP_UploadPath" (with a trailing "/") + "FTP_HTML_Name", trimmed.
  [[nodiscard]] std::string LocalPagePath() const;

  // The application is asked to end with `code` (the loop stops, the program exits).
  std::function<void(int code)> Terminate;
  // The process ends at once with `code` (third run of the close handler, recovery).
  std::function<void(int code)> ExitNow;
  // A view opens this popup menu at the mouse position (the tray menu on a right click).
  std::function<void(forms::MenuItem& popup)> ShowPopupMenu;

  // Calls a host callback or a chained event handler when it is set.
  template <typename F, typename... Args>
  static void Call(const F& f, Args&&... args) {
    if (f) f(std::forward<Args>(args)...);
  }

 private:
  void InstallFtpEngine();

  StaylineEnvironment env_;
  std::unique_ptr<MainForm> form_;
  MainState state_;
  std::unique_ptr<LifeCycle> life_;
  std::unique_ptr<TimeLogWriter> timeLog_;
  std::unique_ptr<OnlineTime> online_;
  std::unique_ptr<ras::RasApi> noLine_;  // stands in when the environment brings no service
  ras::RasApi* ras_ = nullptr;
  std::unique_ptr<ras::TDialUp> dialUp_;
  std::unique_ptr<ftp::ListingCache> ftpCache_;
  std::unique_ptr<ftp::FtpListingCacheStore> ftpCacheStore_;
  std::unique_ptr<ftp::TMFtp> mFtp1_;
  std::unique_ptr<DirectDial> direct_;
  std::unique_ptr<ConnectionKeeper> keeper_;
  std::unique_ptr<DialDelay> delay_;
  std::unique_ptr<ConnectionRecovery> recovery_;
  std::unique_ptr<StatusTick> tick_;
  std::unique_ptr<TrayModel> tray_;
  std::unique_ptr<TimeLogPage> logPage_;
  std::unique_ptr<LanguageSwitch> language_;
  std::unique_ptr<platform::Browser> ownBrowser_;  // when the environment brings none
  std::unique_ptr<WebServerProbe> ownWebServer_;   // when the environment brings none
  std::unique_ptr<BrowserRefresh> browser_;
  std::unique_ptr<ProgramStarter> starter_;
  std::unique_ptr<HelpMenu> help_;
  std::unique_ptr<ProgramRemoval> removal_;
  std::unique_ptr<PhonebookPage> phonebook_;
  std::unique_ptr<EntryEditorDialog> entryEditor_;
  ras::RasBackend* backend_ = nullptr;  // the service's editor hook, when it has one
  std::unique_ptr<AutoPing> autoPing_;
  std::unique_ptr<FtpConnectionLoader> ftpConnection_;
  std::unique_ptr<AutoFtp> autoFtp_;
  std::unique_ptr<FtpSetupDialogs> ftpSetup_;
  std::unique_ptr<MailNotifier> mailer_;
  std::unique_ptr<DynDnsTransport> ownDynDns_;  // when the environment brings none
  std::unique_ptr<DynDnsUpdater> dynDns_;
  std::unique_ptr<NewIpCommand> ipCommand_;
  std::unique_ptr<FtpPanel> ftpPanel_;  // after the publishing: its events come first
  std::chrono::system_clock::time_point wallBase_;
  std::int64_t loopBase_ = 0;
};

}  // namespace app
