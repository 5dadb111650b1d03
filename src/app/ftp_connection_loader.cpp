#include "app/ftp_connection_loader.h"

#include <charconv>

#include "core/text.h"
#include "settings/profile_data.h"

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
  settings::TProfileData p;
  if (AutoSettingsMode && name == "AutoFTP") {
    p = settings::ProfileOfSettings(store_.Data());
  } else if (ProfileMode && !name.empty()) {
    p = store_.ReadProfile(name);
  } else {
    return data_;
  }
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
  // Older profiles have no security value: plain FTP, as before.
  data_.Tls = p.PSecurity == "1";
  data_.Port = PortOf(p.PPort);
  if (data_.Anonymous) data_.UserID = "anonymous";
  return data_;
}

}  // namespace app
