#pragma once
// TProfileData: one FTP profile, stored as a subkey of the profile key named after the profile
// with fifteen string values. Host, user and password are scrambled in the registry and plain
// here. The store applies no defaults to profiles; the profile dialog does.
//
// Threading: plain data.

#include <span>
#include <string>
#include <string_view>

namespace settings {

struct TProfileData {
  std::string PProfil;
  std::string PHost;
  std::string PUserID;
  std::string PPassword;
  std::string PHostDir;
  std::string PUpload;  // stored as "PUpload " with its trailing blank
  std::string PDownload;
  std::string PPassive;
  std::string PTransferType;
  std::string PTrace;
  std::string PAnonym;
  std::string PASCIIFilter;
  std::string PPort;
  std::string PComment;
  std::string PSecurity;  // stored as "FTP_Security": "1" explicit TLS, else none

  bool operator==(const TProfileData&) const = default;
};

struct ProfileValueSpec {
  std::string_view Name;  // registry value name
  std::string TProfileData::*Member;
  bool Scrambled;
};

struct TRegsData;

// The auto-FTP connection of the settings record as a profile record, so that everything that
// reads a connection reads it one way (the page template stands in the comment).
TProfileData ProfileOfSettings(const TRegsData& r);

// The fifteen values in the order they are read and written.
std::span<const ProfileValueSpec> ProfileValueTable();

}  // namespace settings
