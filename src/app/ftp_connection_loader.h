#pragma once
// LoadFtpConnection: turns the auto-FTP settings or a named FTP profile into the connection
// record the engine is set up from. Two mode flags, set by the caller around the call, choose the
// source: AutoSettingsMode with the exact name "AutoFTP" takes the auto-FTP settings; otherwise
// ProfileMode with a non-empty name takes that profile; anything else leaves the record cleared.
//
// Threading: loop thread only.

#include <string>

#include "settings/settings_store.h"

namespace app {

struct TFTPData {
  std::string Profil;
  std::string Host;
  std::string UserID;
  std::string Password;
  std::string HostDir;
  std::string UploadDir;
  std::string DownloadDir;
  bool Passive = false;
  bool Ascii = false;
  bool Trace = false;
  bool Anonymous = false;
  bool Tls = false;  // explicit TLS (AUTH TLS)
  int Port = 0;

  bool operator==(const TFTPData&) const = default;
};

class FtpConnectionLoader {
 public:
  explicit FtpConnectionLoader(settings::SettingsStore& store) : store_(store) {}

  bool AutoSettingsMode = false;
  bool ProfileMode = false;

  // Reloads the settings record first; returns the record it filled.
  const TFTPData& LoadFtpConnection(const std::string& name);
  [[nodiscard]] const TFTPData& Data() const { return data_; }

  // "FTP_Port"/"PPort" as a port: 21 when empty or not a number.
  static int PortOf(const std::string& text);

 private:
  settings::SettingsStore& store_;
  TFTPData data_;
};

}  // namespace app
