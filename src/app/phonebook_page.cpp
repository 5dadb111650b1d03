#include "app/phonebook_page.h"

#include <array>

#include "app/connection_keeper.h"
#include "app/direct_dial.h"
#include "app/status_tick.h"
#include "app/t_stayline.h"
#include "core/text.h"
#include "ras/ras_errors.h"

namespace app {

namespace {

constexpr std::uint32_t kFirstRoom = 100;
// The first of the page's controls (see EntryControls) stay open while a line is up.
constexpr std::size_t kAlwaysOpen = 5;  // entries the first enumeration has room for

// A combo box emptied: no items and no text.
void ClearList(forms::ComboBox& list) {
  list.ClearItems();
  list.SetText("");
}

// The text of `list` is its first item when it was empty, then the entry named by `choice`.
// A choice the list does not hold ("0" for none, or an entry deleted behind the program's back)
// leaves the list's own choice: the list never shows an entry that is not there.
void ChooseEntry(forms::ComboBox& list, const std::string& choice) {
  if (list.Text().empty() && list.Count() > 0) list.SetItemIndex(0);
  int index = list.IndexOf(choice);
  for (int i = 0; index < 0 && i < list.Count(); ++i) {
    if (core::EqualsNoCase(list.Items()[static_cast<std::size_t>(i)], choice)) index = i;
  }
  if (index >= 0) list.SetItemIndex(index);
}

bool SameEntry(const std::string& a, const std::string& b) {
  return core::EqualsNoCase(a, b);
}

}  // namespace

std::uint32_t EnumerateEntryNames(ras::RasApi& ras, std::vector<std::string>& names) {
  names.clear();
  std::vector<ras::RASENTRYNAMEA> records(kFirstRoom);
  std::uint32_t bytes = 0;
  std::uint32_t count = 0;
  std::uint32_t rc = ras::ERROR_BUFFER_TOO_SMALL;
  // The platform says how much room it needs when there are more entries; the phonebook may
  // grow between the two calls, so the second answer counts as well.
  for (int attempt = 0; attempt < 3 && rc == ras::ERROR_BUFFER_TOO_SMALL; ++attempt) {
    records[0].dwSize = ras::kSizeRasEntryName;
    bytes = static_cast<std::uint32_t>(records.size() * ras::kSizeRasEntryName);
    rc = ras.RasEnumEntriesA(records.data(), &bytes, &count);
    if (rc == ras::ERROR_BUFFER_TOO_SMALL) {
      records.assign(bytes / ras::kSizeRasEntryName + 1, ras::RASENTRYNAMEA{});
    }
  }
  if (rc != 0) return rc;
  for (std::uint32_t i = 0; i < count && i < records.size(); ++i) {
    names.push_back(ras::GetRasField(records[i].szEntryName));
  }
  return 0;
}

PhonebookPage::PhonebookPage(TStayline& main) : main_(main) {
  MainForm& f = main_.Form();
  f.TabSheet2.OnShow = [this] { TabSheet2Show(); };
  f.ListBox2.OnChange = [this] { ListBox2Change(); };
  f.CreateEntry.OnClick = [this] { CreateEntryClick(); };
  f.EditEntry.OnClick = [this] { EditEntryClick(); };
  f.RenameEntry.OnClick = [this] { RenameEntryClick(); };
  f.DeleteEntry.OnClick = [this] { DeleteEntryClick(); };
  f.SaveUserName.OnClick = [this] { SaveUserNameClick(); };
  f.SavePassWord.OnClick = [this] { SavePassWordClick(); };
  f.HangUpManual2.OnClick = [this] { HangUpManual2Click(); };
  f.OpenDFUE.OnClick = [this] { OpenDFUEClick(); };
  f.CloseDFUE.OnClick = [this] { CloseDFUEClick(); };
}

void PhonebookPage::Say(const std::string& german, const std::string& english) {
  main_.Dialogs().MessageBox(main_.Tx(german, english), "Stayline", forms::Buttons::OK,
                             forms::MessageKind::Information);
}

// --- the two lists ----------------------------------------------------------------------------

void PhonebookPage::btnGetEntriesClick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  const ras::RASDIALPARAMSA copy = s.DialParams;
  f.txtUserName2.SetText("");
  f.txtPassword2.SetText("");
  f.ListBox2.ClearItems();
  std::vector<std::string> names;
  if (EnumerateEntryNames(main_.Ras(), names) != 0) {
    s.DialParams = copy;
    f.ListBox2.SetText("");
  } else if (!names.empty()) {
    for (const std::string& name : names) f.ListBox2.AddItem(name);
    f.ListBox2.SetItemIndex(0);
  }
  if (f.PageControl1.ActivePage() == &f.TabSheet2) btnGetDFUParamsClick();
}

void PhonebookPage::btnGetDFUParamsClick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  const ras::RASDIALPARAMSA copy = s.DialParams;
  s.DialParams = ras::RASDIALPARAMSA{};
  s.DialParams.dwSize = ras::kSizeRasDialParams;
  ras::SetRasField(s.DialParams.szEntryName, f.ListBox2.Text());
  f.txtUserName2.SetText("");
  f.txtPassword2.SetText("");
  bool passwordSaved = false;
  const std::uint32_t rc = main_.Ras().RasGetEntryDialParamsA(&s.DialParams, &passwordSaved);
  if (rc != 0) {
    (void)main_.Direct().ErrorText(rc);  // fetched as the platform's callers do; not shown
    s.DialParams = copy;
    return;
  }
  f.txtUserName2.SetText(ras::GetRasField(s.DialParams.szUserName));
  if (passwordSaved) f.txtPassword2.SetText(ras::GetRasField(s.DialParams.szPassword));
}

void PhonebookPage::RefillBothLists(const PageCredentials* keep) {
  MainForm& f = main_.Form();
  ClearList(f.ListBox1);
  ClearList(f.ListBox2);
  main_.DialUp().GetEntries();
  settings::TRegsData& r = main_.Regs();
  if (r.StaylineConnection == "0" && f.ListBox1.Count() > 0) {
    // The first entry of an empty phonebook becomes the connection to dial, as at start.
    r.StaylineConnection = f.ListBox1.Items().front();
    main_.Store().WriteField("StaylineConnection");
  }
  ChooseEntry(f.ListBox1, r.StaylineConnection);
  // A window that is not shown (headless) has no tick to do this: an entry made or renamed
  // there can be dialled at once.
  main_.Tick().UpdateEntryChoice();
  RefillPageList(keep);
}

void PhonebookPage::RefillPageList(const PageCredentials* keep) {
  MainForm& f = main_.Form();
  btnGetEntriesClick();
  ChooseEntry(f.ListBox2, main_.Regs().StaylineConnection);
  if (keep) KeepCredentials(*keep);
  btnGetDFUParamsClick();
}

void PhonebookPage::KeepCredentials(const PageCredentials& keep) {
  // The refill has shown other entries' credentials in the meantime: what the page showed before
  // the rename goes to the entry that got the new name, and only when it differs from what that
  // entry holds (a password that is not saved is not made a saved empty one).
  std::string userName;
  std::string password;
  if (main_.Direct().ReadEntryCredentials(keep.Entry, userName, password) == 0 &&
      userName == keep.UserName && password == keep.Password) {
    return;
  }
  CloseDFUButtons();
  StoreCredentials(keep.Entry, keep.UserName, keep.Password);
  OpenDFUButtons();
}

// --- the page ---------------------------------------------------------------------------------

void PhonebookPage::TabSheet2Show() {
  MainForm& f = main_.Form();
  TestTabSheet2();
  btnGetEntriesClick();
  if (f.ListBox2.Count() == 0) {
    if (f.ListBox1.Count() == 0) main_.Regs().StaylineConnection = "0";
    for (forms::Control* c :
         {&f.EditEntry, &f.RenameEntry, &f.DeleteEntry, &f.SaveUserName, &f.SavePassWord}) {
      c->SetEnabled(false);
    }
  }
  ChooseEntry(f.ListBox2, main_.Regs().StaylineConnection);
  btnGetDFUParamsClick();
  OpenChoice();
}

void PhonebookPage::OpenChoice() {
  const auto controls = EntryControls();
  for (std::size_t i = 0; i < kAlwaysOpen; ++i) controls[i]->SetEnabled(true);
}

void PhonebookPage::ListBox2Change() {
  btnGetDFUParamsClick();
}

std::array<forms::Control*, 9> PhonebookPage::EntryControls() {
  MainForm& f = main_.Form();
  // The list, the two edits, New and Edit first: what the page keeps open whatever the line does.
  return {&f.ListBox2,    &f.txtUserName2, &f.txtPassword2, &f.CreateEntry, &f.EditEntry,
          &f.RenameEntry, &f.DeleteEntry,  &f.SaveUserName, &f.SavePassWord};
}

void PhonebookPage::OpenDFUButtons() {
  const auto controls = EntryControls();
  const bool connected = main_.State().ActiveConnectionCount != 0;
  for (std::size_t i = 0; i < controls.size(); ++i)
    controls[i]->SetEnabled(i < kAlwaysOpen || !connected);
}

void PhonebookPage::CloseDFUButtons() {
  for (forms::Control* c : EntryControls()) c->SetEnabled(false);
}

void PhonebookPage::TestTabSheet2() {
  MainForm& f = main_.Form();
  main_.Keeper().TesteConnections();
  seenConnections_ = main_.State().ActiveConnectionCount;
  f.HangUpManual2.SetEnabled(true);
  if (main_.State().ActiveConnectionCount == 0) {
    f.DFUChanges.SetCaption(main_.Tx("DF\u00dc-\u00c4nderungen m\u00f6glich.", "DFUE changes ok."));
    OpenDFUButtons();
  } else {
    f.DFUChanges.SetCaption(
        main_.Tx("\u00c4nderungen nicht m\u00f6glich. - Trenne die DF\u00dc-Verbindung.",
                 "Not possible for changes. - HangUp the DFUE connection."));
    CloseDFUButtons();
  }
}

void PhonebookPage::FollowConnections() {
  MainForm& f = main_.Form();
  if (f.PageControl1.ActivePage() != &f.TabSheet2) return;
  if (main_.State().ActiveConnectionCount == seenConnections_) return;
  if (busy_ > 0) return;
  TestTabSheet2();
  OpenChoice();
}

void PhonebookPage::HangUpManual2Click() {
  main_.Keeper().HangUpManualClick();
  TestTabSheet2();
}

// --- credentials ------------------------------------------------------------------------------

void PhonebookPage::btnSetParamsClick(bool silent) {
  const Busy busy(*this);
  MainForm& f = main_.Form();
  CloseDFUButtons();
  bool store = true;
  if (!silent) {
    const std::string user = f.txtUserName2.Text();
    const std::string password = f.txtPassword2.Text();
    const std::string question =
        main_.Tx("Benutzername: " + user + "\r\nKennwort: " + password +
                     "\r\n\r\nwirklich speichern?\r\n\r\nFalsche Eintr\u00e4ge sperren den "
                     "Internetzugang!",
                 "Username: " + user + "\r\nPassword: " + password +
                     "\r\n\r\nreally saving?\r\n\r\nWrong entries close the internet entrance!");
    store = main_.Dialogs().MessageBox(question, "Stayline", forms::Buttons::YesNo,
                                       forms::MessageKind::Warning) == forms::ModalResult::Yes;
  }
  if (store) StoreCredentials(f.ListBox2.Text(), f.txtUserName2.Text(), f.txtPassword2.Text());
  OpenDFUButtons();
}

void PhonebookPage::StoreCredentials(const std::string& entry, const std::string& userName,
                                     const std::string& password) {
  MainState& s = main_.State();
  const ras::RASDIALPARAMSA copy = s.DialParams;
  // The record's other fields stay as the last reading left them.
  s.DialParams.dwSize = ras::kSizeRasDialParams;
  ras::SetRasField(s.DialParams.szEntryName, entry);
  ras::SetRasField(s.DialParams.szUserName, userName);
  ras::SetRasField(s.DialParams.szPassword, password);
  if (main_.Ras().RasSetEntryDialParamsA(s.DialParams, false) != 0) {
    main_.Beep();
    s.DialParams = copy;
    Say("Eint\u00e4ge misslungen.", "Entries failed.");
  } else {
    main_.ProcessMessages();
  }
}

void PhonebookPage::SaveUserNameClick() {
  CloseDFUButtons();
  btnSetParamsClick(false);
  OpenDFUButtons();
}

void PhonebookPage::SavePassWordClick() {
  SaveUserNameClick();  // both buttons save both
}

// --- entries ----------------------------------------------------------------------------------

void PhonebookPage::CreateEntryClick() {
  const Busy busy(*this);
  MainState& s = main_.State();
  CloseDFUButtons();
  const ras::RASDIALPARAMSA copy = s.DialParams;
  if (main_.Ras().RasCreatePhonebookEntryA() != 0) {
    s.DialParams = copy;
    main_.Beep();
  } else {
    main_.ProcessMessages();
    RefillBothLists();
  }
  main_.ProcessMessages();
  OpenDFUButtons();
}

void PhonebookPage::EditEntryClick() {
  const Busy busy(*this);
  MainState& s = main_.State();
  CloseDFUButtons();
  const ras::RASDIALPARAMSA copy = s.DialParams;
  if (main_.Ras().RasEditPhonebookEntryA(main_.Form().ListBox2.Text()) != 0) {
    s.DialParams = copy;
    main_.Beep();
  } else {
    // The entry dialog edits the credentials too: the page shows what it stored before it asks
    // whether to store the page's credentials, so the answer cannot undo the dialog's changes.
    btnGetDFUParamsClick();
    btnSetParamsClick(false);
    main_.ProcessMessages();
  }
  main_.ProcessMessages();
  OpenDFUButtons();
}

void PhonebookPage::btnRenameEntryClick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  settings::TRegsData& r = main_.Regs();
  const ras::RASDIALPARAMSA copy = s.DialParams;
  const std::optional<std::string> answer = main_.Dialogs().InputBox(
      main_.Tx("DF\u00dc umbenennen", "Rename DFUE"),
      main_.Tx("Bitte neuen DF\u00dc-Namen eingeben", "Enter new DFUE name"), f.ListBox2.Text());
  if (!answer || answer->empty()) return;
  const std::string newName = *answer;
  const PageCredentials keep{newName, f.txtUserName2.Text(), f.txtPassword2.Text()};
  if (main_.Ras().RasRenameEntry(f.ListBox2.Text(), newName) != 0) {
    s.DialParams = copy;
    Say("Umbenennen misslungen", "Rename DFUE failed.");
    return;
  }
  main_.ProcessMessages();
  if (SameEntry(f.ListBox2.Text(), r.StaylineConnection)) {
    r.StaylineConnection = newName;
    main_.Store().WriteField("StaylineConnection");
  }
  RefillBothLists(&keep);
}

void PhonebookPage::RenameEntryClick() {
  const Busy busy(*this);
  CloseDFUButtons();
  btnRenameEntryClick();
  main_.ProcessMessages();
  OpenDFUButtons();
}

void PhonebookPage::DeleteEntryClick() {
  const Busy busy(*this);
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  settings::TRegsData& r = main_.Regs();
  const std::string oldName = f.ListBox2.Text();
  CloseDFUButtons();
  const ras::RASDIALPARAMSA copy = s.DialParams;
  const bool yes = main_.Dialogs().MessageBox(
                       oldName + main_.Tx(" DF\u00dc wird gel\u00f6scht: Wirklich l\u00f6schen?",
                                          " DFUE will be deleted: Are you sure?"),
                       "Stayline", forms::Buttons::YesNo,
                       forms::MessageKind::Warning) == forms::ModalResult::Yes;
  if (yes) {
    if (main_.Ras().RasDeleteEntry(oldName) != 0) {
      s.DialParams = copy;
      Say("L\u00f6schen misslungen.", "DFUE delete failed.");
    } else {
      main_.ProcessMessages();
      ClearList(f.ListBox1);
      ClearList(f.ListBox2);
      main_.DialUp().GetEntries();
      if (f.ListBox1.Count() == 0) r.StaylineConnection = "0";
      if (SameEntry(oldName, r.StaylineConnection)) {
        r.StaylineConnection = f.ListBox1.Count() > 0 ? f.ListBox1.Items().front() : "0";
      }
      ChooseEntry(f.ListBox1, r.StaylineConnection);
      main_.Tick().UpdateEntryChoice();
      RefillPageList();
    }
  }
  main_.ProcessMessages();
  OpenDFUButtons();
}

// --- the main page's two buttons --------------------------------------------------------------

void PhonebookPage::RefillMainList() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  ClearList(f.ListBox1);
  main_.DialUp().GetEntries();
  s.HasPhonebookEntries = f.ListBox1.Count() > 0;
  if (s.HasPhonebookEntries && !main_.Regs().StaylineConnection.empty()) {
    ChooseEntry(f.ListBox1, main_.Regs().StaylineConnection);
  }
}

void PhonebookPage::OpenDFUEClick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  if (s.DialDelayActive) return;
  RefillMainList();
  if (f.ListBox1.Count() > 0) {
    f.ListBox1.SetEnabled(true);
  } else {
    s.HasPhonebookEntries = false;
    f.ListBox1.SetEnabled(false);
  }
  s.EntryChoiceLocked = false;
  f.CloseDFUE.SetEnabled(true);
}

void PhonebookPage::CloseDFUEClick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  if (s.DialDelayActive) return;
  RefillMainList();
  s.HasPhonebookEntries = false;
  s.EntryChoiceLocked = true;
  f.ListBox1.SetEnabled(false);
  f.CloseDFUE.SetEnabled(false);
}

}  // namespace app
