#include "app/ftp_connection_loader.h"

#include <charconv>

#include "core/text.h"

namespace app {

int FtpConnectionLoader::PortOf(const std::string& text) {
  const std::string t = core::Trim(text);
  int port = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), port);
  // A port the settings cannot hold would connect nowhere; the standard port is the sound guess.
  if (t.empty() || ec != std::errc() || end != t.data() + t.size()) return 21;
  return port;
}

const TFTPData& FtpConnectionLoader::LoadFtpConnection(const std::string& name) {
  data_ = TFTPData{};
  store_.LoadProgramSettings();
  if (AutoSettingsMode && name == "AutoFTP") {
    const settings::TRegsData& r = store_.Data();
    data_.Profil = r.FTP_Profil;
    data_.Host = r.FTP_Host;
    data_.UserID = r.FTP_Login;
    data_.Password = r.FTP_Password;
    data_.HostDir = r.FTP_StartPath;
    data_.UploadDir = r.FTP_UploadPath;
    data_.DownloadDir = r.FTP_DownloadPath;
    data_.Passive = r.Port_PassiveTransfer != "0";
    data_.Ascii = r.FTP_BinaryAscii != "1";
    data_.Trace = r.FTP_Trace == "1";
    data_.Anonymous = r.FTP_Login_Anonymus == "1";
    data_.Port = PortOf(r.FTP_Port);
  } else if (ProfileMode && !name.empty()) {
    const settings::TProfileData p = store_.ReadProfile(name);
    data_.Profil = p.PProfil;
    data_.Host = p.PHost;
    data_.UserID = p.PUserID;
    data_.Password = p.PPassword;
    data_.HostDir = p.PHostDir;
    data_.UploadDir = p.PUpload;
    data_.DownloadDir = p.PDownload;
    data_.Passive = p.PPassive != "0";
    data_.Ascii = p.PTransferType != "1";
    data_.Trace = p.PTrace == "1";
    data_.Anonymous = p.PAnonym == "1";
    data_.Port = PortOf(p.PPort);
  } else {
    return data_;
  }
  if (data_.Anonymous) data_.UserID = "anonymous";
  return data_;
}

}  // namespace app
