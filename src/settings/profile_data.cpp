#include "settings/profile_data.h"

#include "settings/regs_data.h"

#include <array>

namespace settings {

namespace {

using P = TProfileData;

constexpr std::array<ProfileValueSpec, 15> kProfileValues{{
    {"PProfil", &P::PProfil, false},
    {"PHost", &P::PHost, true},
    {"PUserID", &P::PUserID, true},
    {"PPassword", &P::PPassword, true},
    {"PHostDir", &P::PHostDir, false},
    {"PUpload ", &P::PUpload, false},
    {"PDownload", &P::PDownload, false},
    {"PPassive", &P::PPassive, false},
    {"PTransferType", &P::PTransferType, false},
    {"PTrace", &P::PTrace, false},
    {"PAnonym", &P::PAnonym, false},
    {"PASCIIFilter", &P::PASCIIFilter, false},
    {"PPort", &P::PPort, false},
    {"PComment", &P::PComment, false},
    {"FTP_Security", &P::PSecurity, false},
}};

}  // namespace

std::span<const ProfileValueSpec> ProfileValueTable() {
  return kProfileValues;
}

TProfileData ProfileOfSettings(const TRegsData& r) {
  TProfileData p;
  p.PProfil = r.FTP_Profil;
  p.PHost = r.FTP_Host;
  p.PUserID = r.FTP_Login;
  p.PPassword = r.FTP_Password;
  p.PHostDir = r.FTP_StartPath;
  p.PUpload = r.FTP_UploadPath;
  p.PDownload = r.FTP_DownloadPath;
  p.PPassive = r.Port_PassiveTransfer;
  p.PTransferType = r.FTP_BinaryAscii;
  p.PTrace = r.FTP_Trace;
  p.PAnonym = r.FTP_Login_Anonymus;
  p.PPort = r.FTP_Port;
  p.PComment = r.FTP_HTML_User;
  p.PSecurity = r.FTP_Security;
  return p;
}

}  // namespace settings
