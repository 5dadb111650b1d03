#pragma once
// The entry's stored credentials and the direct dial: before the keeper dials it reads the user
// name and password stored with the entry in ListBox1 into the window's one dial-parameter record
// (`DialParams`, shared with the phonebook page), and when both are there it dials the entry
// directly with them; only when that cannot start does the keeper dial through `DialUp`.
//
// Every operation that may change `DialParams` keeps a copy and puts it back when its RAS call
// fails. Failures are silent: the error text is fetched but not shown; the caller decides.
//
// Threading: loop thread only. The direct dial's notifier ignores every notification; the keeper
// follows the connection through the enumeration of active connections.

#include <cstdint>
#include <string>

namespace app {

class TStayline;

class DirectDial {
 public:
  explicit DirectDial(TStayline& main) : main_(main) {}

  // EntryUserName and EntryPassword := the stored credentials of the entry in ListBox1.
  void btnGetParamsClick();
  // Dials the entry in ListBox1 with EntryUserName and EntryPassword; the RAS error code, 0 when
  // the dial was started.
  std::uint32_t btnDialEntryClick();

  // The stored user name and password of `entry` (the password only when one is saved), without
  // touching DialParams; the RAS error code.
  std::uint32_t ReadEntryCredentials(const std::string& entry, std::string& userName,
                                     std::string& password);
  // The platform's text for a RAS error code (100 characters at most).
  std::string ErrorText(std::uint32_t error);

 private:
  TStayline& main_;
};

}  // namespace app
