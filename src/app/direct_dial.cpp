#include "app/direct_dial.h"

#include "app/connection_keeper.h"
#include "app/t_stayline.h"
#include "ras/ras_api.h"

namespace app {

namespace {

constexpr std::uint32_t kErrorTextSize = 100;

// The direct dial is followed through the connection enumeration, not through its progress.
void IgnoreNotification(unsigned, ras::RASCONNSTATE, std::uint32_t) {}

// A zeroed record of the platform size naming `entry`.
ras::RASDIALPARAMSA FreshParams(const std::string& entry) {
  ras::RASDIALPARAMSA params{};
  params.dwSize = ras::kSizeRasDialParams;
  ras::SetRasField(params.szEntryName, entry);
  return params;
}

}  // namespace

std::string DirectDial::ErrorText(std::uint32_t error) {
  char buffer[kErrorTextSize] = {};
  main_.Ras().RasGetErrorStringA(error, buffer, kErrorTextSize);
  return std::string(buffer, strnlen(buffer, kErrorTextSize));
}

std::uint32_t DirectDial::ReadEntryCredentials(const std::string& entry, std::string& userName,
                                               std::string& password) {
  ras::RASDIALPARAMSA params = FreshParams(entry);
  bool passwordSaved = false;
  const std::uint32_t rc = main_.Ras().RasGetEntryDialParamsA(&params, &passwordSaved);
  if (rc != 0) return rc;
  userName = ras::GetRasField(params.szUserName);
  if (passwordSaved) password = ras::GetRasField(params.szPassword);
  return 0;
}

void DirectDial::btnGetParamsClick() {
  MainState& s = main_.State();
  const ras::RASDIALPARAMSA copy = s.DialParams;
  s.DialParams = FreshParams(main_.Form().ListBox1.Text());
  bool passwordSaved = false;
  const std::uint32_t rc = main_.Ras().RasGetEntryDialParamsA(&s.DialParams, &passwordSaved);
  if (rc != 0) {
    (void)ErrorText(rc);
    s.DialParams = copy;
    s.EntryUserName.clear();
    s.EntryPassword.clear();
    return;
  }
  s.EntryUserName = ras::GetRasField(s.DialParams.szUserName);
  // An entry without a saved password must not be dialled with the password of the entry read
  // before it.
  s.EntryPassword = passwordSaved ? ras::GetRasField(s.DialParams.szPassword) : std::string();
}

std::uint32_t DirectDial::btnDialEntryClick() {
  MainState& s = main_.State();
  const ras::RASDIALPARAMSA copy = s.DialParams;
  main_.Dialogs().SetBusyCursor(true);
  s.DialParams = FreshParams(main_.Form().ListBox1.Text());
  ras::SetRasField(s.DialParams.szUserName, s.EntryUserName);
  ras::SetRasField(s.DialParams.szPassword, s.EntryPassword);
  main_.Keeper().TestDisConnect();
  ras::HRasConn handle = 0;
  const std::uint32_t rc = main_.Ras().RasDialA(s.DialParams, &IgnoreNotification, &handle);
  if (rc != 0) {
    (void)ErrorText(rc);
    s.DialParams = copy;
    // A dial that started and then failed still holds its port until it is hung up.
    if (handle != 0) main_.DialUp().HangUpConnection(handle);
  } else if (main_.Form().AutoConnect.Checked()) {
    s.ConnectTick = 0;
  }
  main_.Dialogs().SetBusyCursor(false);
  main_.ProcessMessages();
  return rc;
}

}  // namespace app
