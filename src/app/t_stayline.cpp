#include "app/t_stayline.h"

#include "app/auto_ftp.h"
#include "app/auto_ping.h"
#include "app/browser_refresh.h"
#include "app/connection_keeper.h"
#include "app/connection_recovery.h"
#include "app/dial_delay.h"
#include "app/direct_dial.h"
#include "app/dyn_dns.h"
#include "app/dyn_dns_https.h"
#include "app/entry_editor_dialog.h"
#include "app/ftp_connection_loader.h"
#include "app/ftp_panel.h"
#include "app/ftp_setup_dialogs.h"
#include "app/help_menu.h"
#include "app/http_web_server_probe.h"
#include "app/language_switch.h"
#include "app/life_cycle.h"
#include "app/mail_notifier.h"
#include "app/new_ip_command.h"
#include "app/no_line_ras.h"
#include "app/online_time.h"
#include "app/phonebook_page.h"
#include "app/program_removal.h"
#include "app/program_starter.h"
#include "app/status_tick.h"
#include "app/time_log_page.h"
#include "app/time_log_writer.h"
#include "app/tray_model.h"
#include "core/text.h"
#include "platform/program_info.h"
#include "platform/system_browser.h"

namespace app {

TStayline::TStayline(StaylineEnvironment env)
    : env_(std::move(env)),
      form_(std::make_unique<MainForm>(*env_.Loop)),
      wallBase_(std::chrono::system_clock::now()),
      loopBase_(env_.Loop->NowMs()) {
  life_ = std::make_unique<LifeCycle>(*this);
  timeLog_ = std::make_unique<TimeLogWriter>(*this);
  online_ = std::make_unique<OnlineTime>(*this);
  if (env_.Ras) {
    ras_ = env_.Ras;
  } else {
    noLine_ = std::make_unique<NoLineRas>();
    ras_ = noLine_.get();
  }
  dialUp_ = std::make_unique<ras::TDialUp>(*env_.Loop, *ras_);
  dialUp_->SetDialMode(ras::TDialMode::dmAsync);
  dialUp_->SetLanguage(ras::TRasLanguage::ralgGerman);
  direct_ = std::make_unique<DirectDial>(*this);
  keeper_ = std::make_unique<ConnectionKeeper>(*this);
  phonebook_ = std::make_unique<PhonebookPage>(*this);
  entryEditor_ = std::make_unique<EntryEditorDialog>(*this);
  backend_ = dynamic_cast<ras::RasBackend*>(ras_);
  if (backend_) backend_->SetEntryEditor(entryEditor_.get());
  delay_ = std::make_unique<DialDelay>(*this);
  recovery_ = std::make_unique<ConnectionRecovery>(*this);
  tick_ = std::make_unique<StatusTick>(*this);
  tray_ = std::make_unique<TrayModel>(*this);
  logPage_ = std::make_unique<TimeLogPage>(*this);
  mailer_ = std::make_unique<MailNotifier>(*this);
  DynDnsTransport* dynDns = env_.DynDns;
  if (!dynDns) {
    ownDynDns_ =
        std::make_unique<DynDnsHttps>(*env_.Loop, [this] { return core::Trim(Regs().TlsCAFile); });
    dynDns = ownDynDns_.get();
  }
  dynDns_ = std::make_unique<DynDnsUpdater>(*this, *dynDns);
  ipCommand_ = std::make_unique<NewIpCommand>(*env_.Loop, [this](const std::string& text) {
    timeLog_->WriteToLogFile(NewIpCommand::kLogLabel, " " + text, false);
  });
  language_ = std::make_unique<LanguageSwitch>(*this);
  autoPing_ = std::make_unique<AutoPing>(*this);
  platform::Browser* browser = env_.Browser;
  if (!browser) {
    ownBrowser_ = platform::MakeSystemBrowser(*env_.Loop, ProgramDirFile("browser"));
    browser = ownBrowser_.get();
  }
  WebServerProbe* webServer = env_.WebServer;
  if (!webServer) {
    ownWebServer_ = std::make_unique<HttpWebServerProbe>(*env_.Loop);
    webServer = ownWebServer_.get();
  }
  browser_ = std::make_unique<BrowserRefresh>(*this, *browser, *webServer);
  starter_ = std::make_unique<ProgramStarter>(*this);
  help_ = std::make_unique<HelpMenu>(*this);
  removal_ = std::make_unique<ProgramRemoval>(*this);
  InstallFtpEngine();
  env_.Application->OpenForm(*form_);
}

void TStayline::InstallFtpEngine() {
  // The listing cache lives in the program directory; the clock follows the loop's, so
  // simulated runs expire their cache in simulated days.
  ftpCache_ =
      std::make_unique<ftp::ListingCache>(ProgramDirFile("ftpcache"), [this] { return WallNow(); });
  ftpCache_->Prepare();
  ftpCacheStore_ = std::make_unique<ftp::FtpListingCacheStore>(*ftpCache_);
  mFtp1_ = std::make_unique<ftp::TMFtp>(*env_.Loop);
  mFtp1_->SetListingStore(ftpCacheStore_.get());
  ftpConnection_ = std::make_unique<FtpConnectionLoader>(*env_.Store);
  autoFtp_ = std::make_unique<AutoFtp>(*this);
  ftpSetup_ = std::make_unique<FtpSetupDialogs>(*this);
  ftpPanel_ = std::make_unique<FtpPanel>(*this);
}

void TStayline::SetDialUpLanguage(bool german) {
  dialUp_->SetLanguage(german ? ras::TRasLanguage::ralgGerman : ras::TRasLanguage::ralgEnglish);
}

std::string TStayline::LocalPagePath() const {
  const settings::TRegsData& r = env_.Store->Data();
  std::string dir = core::Trim(r.FTP_UploadPath);
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir + core::Trim(r.FTP_HTML_Name);
}

TStayline::~TStayline() {
  if (backend_) backend_->SetEntryEditor(nullptr);
  env_.Application->CloseForm(*form_);
}

bool TStayline::German() const {
  return env_.Store->Data().Language == "1";
}

std::string TStayline::BaseCaption() const {
  return " Stayline " + platform::ProgramInfo::VersionText();
}

std::string TStayline::ProgramDirFile(std::string_view name) const {
  std::string path = ProgramDir();
  if (!path.empty() && path.back() != '/') path += '/';
  return path.append(name);
}

std::chrono::system_clock::time_point TStayline::WallNow() const {
  return wallBase_ + std::chrono::milliseconds(env_.Loop->NowMs() - loopBase_);
}

}  // namespace app
