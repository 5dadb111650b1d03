#pragma once
// PhonebookPage: the group " DFUE Settings " of the "DFUE / Internet" page and the main page's
// "Open DFUE" / "Close DFUE". The user picks an entry, sees and saves the user name and password
// stored with it, creates and edits entries through the line's entry dialog, renames and deletes
// them, and hangs up.
//
// Every operation that may change the window's dial-parameter record (`DialParams`) keeps a copy
// and puts it back when its RAS call fails. Create and edit failures only beep; save, rename and
// delete failures say so; failures of reading parameters and of listing entries are silent.
//
// Threading: loop thread only; the dialogs it opens run the loop.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/control.h"
#include "ras/ras_api.h"

namespace app {

class TStayline;

// The phonebook's entry names as the platform lists them (room for 100 first, more when the
// platform asks for it); the RAS error code, `names` empty on failure.
std::uint32_t EnumerateEntryNames(ras::RasApi& ras, std::vector<std::string>& names);

class PhonebookPage {
 public:
  explicit PhonebookPage(TStayline& main);
  PhonebookPage(const PhonebookPage&) = delete;
  PhonebookPage& operator=(const PhonebookPage&) = delete;

  // Event handlers.
  void TabSheet2Show();
  void ListBox2Change();
  void CreateEntryClick();
  void EditEntryClick();
  void RenameEntryClick();
  void DeleteEntryClick();
  void SaveUserNameClick();
  void SavePassWordClick();
  void HangUpManual2Click();
  void OpenDFUEClick();
  void CloseDFUEClick();

  // ListBox2 := the phonebook's entries.
  void btnGetEntriesClick();
  // The edits := the user name and password stored with the entry in ListBox2.
  void btnGetDFUParamsClick();
  // Stores the edits' user name and password into the entry in ListBox2, after a question unless
  // `silent`.
  void btnSetParamsClick(bool silent);
  // Asks for a new name and renames the entry in ListBox2.
  void btnRenameEntryClick();
  void OpenDFUButtons();
  void CloseDFUButtons();
  // Enables the page's controls as the connections allow.
  void TestTabSheet2();
  // The tick: while the page is shown, a line that came up or went down since the page last
  // looked changes what the page allows.
  void FollowConnections();

 private:
  // What the page showed for an entry before a rename.
  struct PageCredentials {
    std::string Entry;
    std::string UserName;
    std::string Password;
  };
  // Both entry lists from the phonebook again, the entry named by "StaylineConnection" chosen;
  // `keep` (when given) is stored first, without a question, unless the entry holds it already.
  void RefillBothLists(const PageCredentials* keep = nullptr);
  // The steps after ListBox1 was refilled.
  void RefillPageList(const PageCredentials* keep = nullptr);
  void KeepCredentials(const PageCredentials& keep);
  // Stores user name and password into `entry` through the window's record; a failure beeps,
  // puts the record back and says so.
  void StoreCredentials(const std::string& entry, const std::string& userName,
                        const std::string& password);
  // Both main-page buttons: ListBox1 refilled with the chosen entry shown.
  void RefillMainList();
  // The nine controls the DFUE buttons switch.
  std::array<forms::Control*, 9> EntryControls();
  // What the page keeps open whatever the connections: the list, the edits, New and Edit.
  void OpenChoice();
  // Marks an operation in progress (its questions may run the loop, and the tick must not
  // re-enable the controls it closed).
  class Busy {
   public:
    explicit Busy(PhonebookPage& page) : page_(page) { ++page_.busy_; }
    ~Busy() { --page_.busy_; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    PhonebookPage& page_;
  };
  // A plain message with an OK button.
  void Say(const std::string& german, const std::string& english);

  TStayline& main_;
  int seenConnections_ = 0;  // ActiveConnectionCount when the page last looked
  int busy_ = 0;
};

}  // namespace app
