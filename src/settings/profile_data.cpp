#include "settings/profile_data.h"

#include <array>

namespace settings {

namespace {

using P = TProfileData;

constexpr std::array<ProfileValueSpec, 14> kProfileValues{{
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
}};

}  // namespace

std::span<const ProfileValueSpec> ProfileValueTable() {
  return kProfileValues;
}

}  // namespace settings
