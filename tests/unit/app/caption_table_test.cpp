// Every caption and hint of the window and the tray menu in both languages, each text written
// out here as the program's users know it (not read from the program's own table), so a missing
// or misspelled text fails. The texts built from a control's state are checked apart.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/tm_ftp.h"
#include "settings/profile_data.h"
#include "unit/app/support/ftp_scripts.h"
#include "unit/app/support/stayline_fixture.h"
#include "unit/ftp/support/fake_ftp_server.h"

namespace {

struct Row {
  const char* control;
  const char* property;
  const char* german;
  const char* english;
};

// "Stayline.pdf" is the manual's name in the help texts.
constexpr Row kWindowRows[] = {
    {"Help2", "Caption", "Hilfe / LogDateien", "Help / LogFiles"},
    {"Help2", "Hint", "Startet AcrobatReader mit Stayline.pdf",
     "AcrobatReader starts with Stayline.pdf"},
    {"StaylinePdf", "Hint", "AcrobatReader starts with Stayline.pdf",
     "AcrobatReader starts with Stayline.pdf"},
    {"LargeIcons1", "Caption", "Grosse Symbole", "Large Icons"},
    {"SmallIcons1", "Caption", "Kleine Symbole", "Small Icons"},
    {"List1", "Caption", "Liste", "List"},
    {"Details1", "Caption", "Details", "Details"},
    {"CopyLocation1", "Caption", "Copy Location", "Copy Location"},
    {"DelayBox", "Caption", "Verzögerung:", "Dial-Delay:"},
    {"DelayBox", "Hint", "Auto-Connect Verzögerung aktivieren", "Activating Auto-Connect Delay"},
    {"DelayTimeEdit", "Hint", "VerzögerungsZeit in Minuten", "Delay-Time"},
    {"MinutenLabel", "Caption", "Minuten", "Minutes"},
    {"BrowserRefreshBox", "Caption", "Browser Refresh mit:", "Browser Refresh with:"},
    {"BrowserRefreshBox", "Hint",
     "Aktualisiert einen INSTALLIERTEN WEB-Server bei Änderung der ClientIP",
     "Actualizes an INSTALLED WEB-Server, if the ClientIP changed"},
    {"BrowserRefreshLineEdit", "Hint", "Änderungen nur im AutoFTP-Setup möglich",
     "Changes only in the AutoFTP-Setup"},
    {"CreateDirButton", "Hint", "Neuen FTP-Ordner anlegen", "Create New FTP-Directory"},
    {"DownloadButton", "Hint", "Download vom FTP-Server", "Download to FTP-Server"},
    {"UploadButton", "Hint", "Upload zum FTP-Server", "Upload to FTP-Server"},
    {"DeleteButton", "Hint", "Datei auf dem FTP-Server löschen", "Delete File on FTP-Server"},
    {"BackButton", "Hint", "Ein FTP-Ordner zurück gehen", "Go Back on FTP-Directory"},
    {"AbortButton", "Hint", "Datei-Übertragung abbrechen", "Cancel File-Transfer"},
    {"ProfileSetup", "Hint", "Mini-FTP Setup", "Mini-FTP Setup"},
    {"FtpServerEdit", "Hint", "Server Host-Adresse", "Server Host-Adress"},
    {"FTPProfileBox", "Hint", "Mini-FTP Profile", "Mini-FTP Profile"},
    {"CurrentDirEdit", "Hint", "FTP Server Host Ordner", "FTP Server Host Directory"},
    {"UserIDEdit", "Hint", "Login Identifikation", "Login Identification"},
    {"MFtpListView1File", "Hint", "Dateien auf dem FTP-Server", "Files on FTP-Server"},
    {"MFtpTreeView1Dir", "Hint", "Ordner auf dem FTP-Server", "Directory on FTP-Server"},
    {"DebugListBox", "Hint", "Login-Protokolle", "Login-Protocols"},
    {"StatusBar1", "Hint", "Status-Informationen", "Status-Information"},
    {"AutoFTPBox", "Hint", "Start / Stopp Auto-FTP", "Start / Stop Auto-FTP"},
    {"TestMail", "Hint", "Sende Mail", "Send Mail"},
    {"EmailText", "Hint", "ClientIP + Mail", "ClientIP + Mail"},
    {"MailSetup", "Hint", "AutoMail SetUp", "AutoMail SetUp"},
    {"StartWeb", "Hint", "Hier die Wunsch-Startseite eintragen", "Input the WEB Start Site"},
    {"StartSiteBox", "Caption", " Startseite", " Start Site"},
    {"StartSiteBox", "Hint", "Startseite", "Start Site"},
    {"OtherBox", "Caption", " Andere ", " Other "},
    {"OtherBox", "Hint", "Andere", "Other"},
    {"LogFileBox", "Caption", " Log Datei ", " Log File "},
    {"LogFileBox", "Hint", "Log Datei", "Log File"},
    {"ResetLogFile", "Hint", "Reset Log-Dateien", "Reset Log-Files"},
    {"ResetOnlineTime", "Hint", "Reset Online-Zeit", "Reset Online-Time"},
    {"OpenLogFile", "Hint", "Öffnet die TimeLog.txt", "Open the TimeLog.txt"},
    {"OpenLogFileFTP", "Hint", "Öffnet die FTP.Log", "Open the FTP.Log"},
    {"InstallEditor", "Hint", "Zur Installierung des Editors für, die Log-Datei",
     "To the installation of the editor, for the Log-File"},
    {"ViewOnlineTimeBox", "Hint", "Systembedingt wird die Zeit nach 49,7 Tagen auf Null gesetzt",
     "Determined by the system the time is put on zero after 49.7 days"},
    {"WriteLogFileBox", "Caption", " TimeLogDatei", " TimeLogFile"},
    {"WriteLogFileBox", "Hint", "Schreibe TimeLog.txt Datei", "Write TimeLog.txt File"},
    {"FTPLogCheckBox", "Caption", " FTPLogDatei", " FTPLogFile"},
    {"FTPLogCheckBox", "Hint", "Schreibe FTP.Log Datei", "Write FTP.Log File"},
    {"InternetBox1", "Caption", "Internet Einstellungen", "Internet Settings"},
    {"DFUSettingsBox1", "Caption", " DFÜ Einstellungen ", " DFUE Settings "},
    {"DFUSettingsBox1", "Hint", "DFÜ Einstellungen", "DFUE Settings"},
    {"txtUserName2", "Hint", "Benutzername", "Username"},
    {"txtPassword2", "Hint", "Kennwort", "Password"},
    {"CreateEntry", "Hint", "Neue DFÜ-Verbindung", "New DFUE"},
    {"EditEntry", "Hint", "DFÜ bearbeiten", "Edit DFUE"},
    {"RenameEntry", "Hint", "DFÜ umbenennen", "Rename DFUE"},
    {"DeleteEntry", "Hint", "DFÜ löschen", "Delete DFUE"},
    {"SaveUserName", "Hint", "Benutzername speichern", "Save Username"},
    {"SavePassWord", "Hint", "Kennwort speichern", "Save Password"},
    {"Username", "Caption", "Benutzername:", "Username:"},
    {"Username", "Hint", "Benutzername", "Username"},
    {"Password", "Caption", "Kennwort:", "Password:"},
    {"Password", "Hint", "Kennwort", "Password"},
    {"TabSheet1", "Caption", "Main", "Main"},
    {"TabSheet1", "Hint", "Haupt-Kontroll-Fenster", "Main Controls"},
    {"TabSheet2", "Caption", "DFÜ / Internet", "DFUE / Internet"},
    {"TabSheet2", "Hint", "DFÜ / Internet", "DFUE / Internet"},
    {"OpenDFUE", "Hint", "DFÜ erlauben", "Open DFUE"},
    {"CloseDFUE", "Hint", "DFÜ sperren", "Close DFUE"},
    {"SekundenIntervall", "Caption", "Sekunden-Intervall", "Seconds interval"},
    {"SekundenIntervall", "Hint", "AutoPing im Sekundentakt", "AutoPing in second time"},
    {"MinutenIntervall", "Caption", "Minuten-Intervall", "Minutes interval"},
    {"MinutenIntervall", "Hint", "AutoPing im Minutentakt", "AutoPing in minute time"},
    {"StartAutoPingBox", "Hint", "Startet den AutoPing beim Programmstart",
     "The AutoPing starts at the program start"},
    {"AutoPingIntervall", "Caption", " AutoPing-Intervall ", " AutoPing-Interval "},
    {"Interval", "Hint", "AutoPing-InterVall im /Sekunden/Minuten-Takt",
     "AutoPing interval in seconds/minutes time"},
    {"btnPing", "Hint", "Start 1 Ping", "Start 1 Ping"},
    {"StartAutoPing", "Hint", "Start AutoPing", "Start AutoPing"},
    {"StopAutoPing", "Hint", "Stopp AutoPing", "Stop AutoPing"},
    {"CloseIEbyExit", "Caption", "IEBrowser schliessen.", "Close IEBrowser"},
    {"CloseIEbyExit", "Hint", "Beendet den IEBrowser bei Programmende",
     "The IEBrowser ends at program end"},
    {"lstReplies", "Hint", "Ping Antworten", "Ping replies"},
    {"edtHost", "Hint", "Hier gültige WWW-Adresse oder IP-Numner oder Computer-Name eingeben",
     "Input WWW-Adress or IP-Number or Computer-Name"},
    {"ListBox1", "Hint", "Verfügbare DFÜ-Verbindungen", "Available DFUE-Connections"},
    {"RemoveProgram", "Caption", "Programm entfernen", "Remove Program"},
    {"RemoveProgram", "Hint", "Programm vom System entfernen?",
     "Removing program from the system?"},
    {"CloseProgram", "Caption", "Minimieren", "Minimize"},
    {"CloseProgram", "Hint", "Einstellungen speichern und Fenster schliessen",
     "Save setting and close"},
    {"ExitProgram", "Caption", "Programm schliessen", "Close Program"},
    {"ExitProgram", "Hint", "Trennt die Verbindung und beendet das Programm",
     "Hangup and exit program"},
    {"DialManual", "Caption", "Verbinden", "Dial"},
    {"DialManual", "Hint", "Mit Internet verbinden", "Connecting with internet"},
    {"HangUpManual", "Caption", "Trennen", "HangUp"},
    {"HangUpManual", "Hint", "Trenne Internet-Verbindung", "Close Internet connection"},
    {"AutoRun", "Hint", "Startet das Programm beim Systemstart",
     "The program starts at the system start"},
    {"AutoConnect", "Hint", "Internet-Verbindung aufrechterhalten",
     "Automatically Internet connection"},
    {"StartIEBrowser", "Hint", "IEBrowser automatisch starten", "Starting IEBrowser automatically"},
    {"German", "Caption", "Deutsch", "German"},
    {"German", "Hint", "Deutsche Benutzerführung", "German user leadership"},
    {"English", "Caption", "Englisch", "English"},
    {"English", "Hint", "Englische Benutzerführung", "English user leadership"},
    {"TranslatorHomepage", "Caption", "Translator Homepage", "Translator Homepage"},
    {"DSLDFUETreiber", "Caption", "DSL RASPPPoE DFÜ-Treiber", "DSL RASPPPoE DFÜ-Driver"},
    {"Settings", "Caption", " Einstellungen ", " Settings "},
    {"Language", "Caption", "Sprache:", "Language:"},
};

// The tray menu follows the language whether the window is shown or not.
constexpr Row kTrayRows[] = {
    {"PopupDialing", "Caption", "Verbinden", "Dial"},
    {"PopupHangUp", "Caption", "Trennen", "HangUp"},
    {"PopupStopAutoPing", "Hint", "Stopp AutoPing", "Stop AutoPing"},
    {"Beenden1", "Caption", "Programm schliessen", "Close/Exit Program"},
    {"Beenden1", "Hint", "Trennt die Verbindung und beendet das Programm",
     "HangUp and exit program"},
};

class CaptionTableTest : public app_test::StaylineTest {
 protected:
  void Choose(bool german) {
    (german ? Form().German : Form().English).SetChecked(true);
    RunFor(1100);
  }
  void ExpectRows(const Row* begin, const Row* end, bool german) {
    for (const Row* row = begin; row != end; ++row) {
      SCOPED_TRACE(std::string(row->control) + "." + row->property);
      forms::Control* control = Form().Find(row->control);
      ASSERT_NE(control, nullptr);
      EXPECT_EQ(control->GetProperty(row->property).value_or("?"),
                german ? row->german : row->english);
    }
  }
};

TEST_F(CaptionTableTest, EveryCaptionAndHintInBothLanguages) {
  Start();
  RunFor(1100);  // the start-up hides the window
  Form().Show();
  // German first: the window's built-in texts are the English ones.
  for (const bool german : {true, false, true}) {
    SCOPED_TRACE(german ? "German" : "English");
    Choose(german);
    ExpectRows(std::begin(kWindowRows), std::end(kWindowRows), german);
    ExpectRows(std::begin(kTrayRows), std::end(kTrayRows), german);
  }
}

TEST_F(CaptionTableTest, TheTrayMenuFollowsWhileTheWindowIsHidden) {
  Start();
  for (const bool german : {false, true}) {
    SCOPED_TRACE(german ? "German" : "English");
    Choose(german);
    ExpectRows(std::begin(kTrayRows), std::end(kTrayRows), german);
  }
}

TEST_F(CaptionTableTest, BuiltTextsFollowTheirControls) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Form().Show();
  Form().MailTo.SetText("me@example.com");
  Form().ESubject.SetText("IP #CIP#");
  ASSERT_GT(Form().ListBox1.Count(), 0);
  Form().ListBox1.SetItemIndex(0);
  struct Built {
    std::string control, property, german, english;
  };
  const std::string entry = Form().ListBox1.Text();
  ASSERT_FALSE(entry.empty());
  const std::vector<Built> built{
      {"MailTo", "Hint", "Mail an: me@example.com", "Mail to: me@example.com"},
      {"IsClientIP", "Hint", "ClientIP: 10.64.0.10", "ClientIP: 10.64.0.10"},
      {"ESubject", "Hint", "Betreff: IP #CIP# | #CIP# = Variable für ClientIP",
       "Subject: IP #CIP# | #CIP# = Variable for ClientIP"},
      {"Takt", "Hint", "M = AutoPing im Minutentakt | S = Im Sekundentakt",
       "M = AutoPing in minute time | S = in second time"},
      {"ActiveConnections", "Caption", "Ausgewählte Verbindung: " + entry,
       "Selected Connection: " + entry},
      // No FTP session: the button offers to connect.
      {"ConnectButton", "Hint", "FTP-Server verbinden", "Connect to FTP-Server"},
      {"ListBox2", "Hint", "Verfügbare DFÜ-Verbindungen", "Available DFUE-Connections"},
      {"HangUpManual2", "Caption", "Trennen", "HangUp"},
      {"HangUpManual2", "Hint", "Trenne Internet-Verbindung", "Close Internet connection"},
  };
  for (const bool german : {true, false}) {
    SCOPED_TRACE(german ? "German" : "English");
    Choose(german);
    for (const Built& b : built) {
      SCOPED_TRACE(b.control + "." + b.property);
      EXPECT_EQ(Form().Find(b.control)->GetProperty(b.property).value_or("?"),
                german ? b.german : b.english);
    }
    // The online time is shown in the box's caption, in the language chosen.
    EXPECT_EQ(Form().ViewOnlineTimeBox.Caption(), State().OnlineTimeText);
    EXPECT_EQ(Form().ViewOnlineTimeBox.Caption().rfind(german ? " Online-Zeit" : " Online-Time", 0),
              0u)
        << Form().ViewOnlineTimeBox.Caption();
  }
}

TEST_F(CaptionTableTest, TheFtpButtonOffersToDisconnectWhileASessionIsOpen) {
  using app_test::Concat;
  ftptest::FakeFtpServer server(
      Concat(Concat(app_test::LoginScript(), app_test::Listing({})), {"SILENT"}));
  StartAutoDial({{"FTP_Auto", "0"}, {"ErrorDelay", "0"}});
  settings::TProfileData p;
  p.PProfil = "Test";
  p.PHost = "127.0.0.1";
  p.PUserID = "user";
  p.PPassword = "pw";
  p.PHostDir = "/";
  p.PPassive = "1";
  p.PTransferType = "1";
  p.PTrace = "0";
  p.PAnonym = "0";
  p.PPort = std::to_string(server.Port());
  store->WriteProfile("Test", p);
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Form().Show();
  ASSERT_TRUE(Form().FTPProfileBox.SetProperty("Text", "Test", forms::Origin::User));
  Form().ConnectButton.UserClick();
  ASSERT_TRUE(RunUntil([&] { return main->MFtp1().LoggedIn() && !main->MFtp1().Busy(); }, 10'000))
      << server.Failures().size();
  for (const bool german : {true, false}) {
    SCOPED_TRACE(german ? "German" : "English");
    Choose(german);
    EXPECT_EQ(Form().ConnectButton.Hint(),
              german ? "Trenne Verbindung zum FTP-Server" : "DisConnect FTP-Server");
  }
}

}  // namespace
