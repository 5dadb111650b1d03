#include "ras/line_backend.h"

#include <sys/stat.h>

#include <cstring>
#include <system_error>

#include "platform/atomic_file.h"

#include "ras/ras_errors.h"

namespace ras {

namespace {

// Ended lines whose handle was never hung up are forgotten beyond this many.
constexpr std::size_t kMaxEndedLines = 64;

// Fills a caller's record array: size checks as the platform makes them.
template <typename Record, typename Fill>
std::uint32_t FillRecords(Record* records, std::uint32_t recordSize, std::uint32_t* bufferBytes,
                          std::uint32_t* count, std::size_t n, Fill fill) {
  if (bufferBytes == nullptr || count == nullptr) return ERROR_INVALID_PARAMETER;
  if (records != nullptr && records[0].dwSize != recordSize) return ERROR_INVALID_SIZE;
  const std::uint64_t needed = static_cast<std::uint64_t>(n) * recordSize;
  *count = static_cast<std::uint32_t>(n);
  if (records == nullptr || *bufferBytes < needed) {
    *bufferBytes = static_cast<std::uint32_t>(needed);
    return n == 0 ? ERROR_SUCCESS : ERROR_BUFFER_TOO_SMALL;
  }
  *bufferBytes = static_cast<std::uint32_t>(needed);
  for (std::size_t i = 0; i < n; ++i) {
    std::memset(&records[i], 0, sizeof(Record));
    records[i].dwSize = recordSize;
    fill(records[i], i);
  }
  return ERROR_SUCCESS;
}

}  // namespace

LineBackend::LineBackend(core::EventLoop& loop, std::string phonebookPath)
    : loop_(loop), path_(std::move(phonebookPath)), notifier_(loop) {}

LineBackend::~LineBackend() = default;

bool LineBackend::ValidEntryName(const std::string& name) {
  return PhonebookFile::EntryNameProblem(name).empty();
}

// ---- phonebook

void LineBackend::ReloadIfChanged() {
  Stamp now;
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0) {
    now.Exists = true;
    now.Inode = st.st_ino;
    now.Size = st.st_size;
    now.MtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    // It holds passwords: a copy readable by others is tightened (and said so) as it is read.
    if ((st.st_mode & 077) != 0 && platform::MakePrivate(path_) == platform::Privacy::Tightened) {
      Log(platform::TightenedMessage(path_));
    }
  }
  if (loaded_ && now == stamp_) return;
  std::string error;
  if (!book_.Load(path_, &error)) Log("cannot read the phonebook: " + error);
  ReportProblems();
  stamp_ = now;
  loaded_ = true;
  ++bookGeneration_;
}

void LineBackend::ReportProblems() {
  // The file is read again after every change, ours included, and our changes move lines: a bad
  // line is known by what it says, not by its number, and reported when it first shows.
  std::map<std::string, int> now;  // what a line says and is wrong with -> how often
  for (const auto& problem : book_.Problems()) {
    const std::string what = problem.Excerpt + "\n" + problem.Text;
    const int seen = now[what]++;
    const auto before = reportedProblems_.find(what);
    if (before != reportedProblems_.end() && before->second > seen) continue;
    std::string message = path_ + " line " + std::to_string(problem.Line) + ": ";
    if (!problem.Excerpt.empty()) message += "\"" + problem.Excerpt + "\": ";
    Log(message + problem.Text);
  }
  reportedProblems_ = std::move(now);
}

const PhonebookFile& LineBackend::Book() {
  ReloadIfChanged();
  return book_;
}

bool LineBackend::SaveBook() {
  std::string error;
  const auto slash = path_.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    try {
      platform::CreateDirectories(path_.substr(0, slash), 0700);
    } catch (const std::system_error&) {
      // SaveAs reports the failure
    }
  }
  if (!book_.SaveAs(path_, &error)) {
    Log("cannot write the phonebook: " + error);
    loaded_ = false;  // read the file as it is at the next call
    return false;
  }
  loaded_ = false;
  return true;
}

LineBackend::Credentials LineBackend::EntryCredentials(const std::string& entry) {
  const PhonebookFile& book = Book();
  Credentials c;
  c.UserName = book.GetOr(entry, "UserName", "");
  const std::string password = book.GetOr(entry, "Password", "");
  // Without the flag, a password written into the file counts as saved.
  c.PasswordSaved = book.GetOr(entry, "PasswordSaved", password.empty() ? "0" : "1") == "1";
  if (c.PasswordSaved) c.Password = password;
  return c;
}

std::uint32_t LineBackend::RasEnumEntriesA(RASENTRYNAMEA* entries, std::uint32_t* bufferBytes,
                                           std::uint32_t* count) {
  const std::vector<std::string> names = Book().Sections();
  return FillRecords(
      entries, kSizeRasEntryName, bufferBytes, count, names.size(),
      [&](RASENTRYNAMEA& r, std::size_t i) { SetRasField(r.szEntryName, names[i]); });
}

std::uint32_t LineBackend::RasGetEntryDialParamsA(RASDIALPARAMSA* params, bool* passwordSaved) {
  if (params == nullptr) return ERROR_INVALID_PARAMETER;
  if (params->dwSize != kSizeRasDialParams) return ERROR_INVALID_SIZE;
  const std::string entry = GetRasField(params->szEntryName);
  if (!Book().HasSection(entry)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  const Credentials c = EntryCredentials(entry);
  SetRasField(params->szPhoneNumber, "");
  SetRasField(params->szCallbackNumber, "");
  SetRasField(params->szUserName, c.UserName);
  SetRasField(params->szPassword, c.Password);
  SetRasField(params->szDomain, "");
  if (passwordSaved != nullptr) *passwordSaved = c.PasswordSaved;
  return ERROR_SUCCESS;
}

std::uint32_t LineBackend::RasSetEntryDialParamsA(const RASDIALPARAMSA& params,
                                                  bool removePassword) {
  if (params.dwSize != kSizeRasDialParams) return ERROR_INVALID_SIZE;
  const std::string entry = GetRasField(params.szEntryName);
  if (!Book().HasSection(entry)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  book_.Set(entry, "UserName", GetRasField(params.szUserName));
  if (removePassword) {
    book_.Remove(entry, "Password");
    book_.Set(entry, "PasswordSaved", "0");
  } else {
    book_.Set(entry, "Password", GetRasField(params.szPassword));
    book_.Set(entry, "PasswordSaved", "1");
  }
  return SaveBook() ? ERROR_SUCCESS : ERROR_CANNOT_WRITE_PHONEBOOK;
}

std::uint32_t LineBackend::RasGetErrorStringA(std::uint32_t error, char* buffer,
                                              std::uint32_t bufferSize) {
  if (buffer == nullptr || bufferSize == 0) return ERROR_INVALID_PARAMETER;
  const std::string text = RasErrorText(error, ErrorLanguage());
  if (text.size() + 1 > bufferSize) {
    buffer[0] = '\0';
    return ERROR_BUFFER_TOO_SMALL;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return ERROR_SUCCESS;
}

EntryForm LineBackend::FormOf(const std::string& entry) {
  EntryForm form;
  form.Name = entry;
  const Credentials c = EntryCredentials(entry);
  form.UserName = c.UserName;
  form.Password = c.Password;
  form.PasswordSaved = c.PasswordSaved;
  for (const auto& [key, fallback] : EntryKeyDefaults()) {
    form.Keys.emplace_back(key, entry.empty() ? fallback : Book().GetOr(entry, key, ""));
  }
  return form;
}

void LineBackend::StoreForm(const EntryForm& form) {
  book_.AddSection(form.Name);
  book_.Set(form.Name, "UserName", form.UserName);
  if (form.PasswordSaved) {
    book_.Set(form.Name, "Password", form.Password);
  } else {
    book_.Remove(form.Name, "Password");
  }
  book_.Set(form.Name, "PasswordSaved", form.PasswordSaved ? "1" : "0");
  for (const auto& [key, value] : form.Keys) {
    if (value.empty()) {
      book_.Remove(form.Name, key);
    } else {
      book_.Set(form.Name, key, value);
    }
  }
}

std::uint32_t LineBackend::RasCreatePhonebookEntryA() {
  if (Editor() == nullptr) return ERROR_CANCELLED;
  EntryForm form = FormOf("");
  form.PasswordSaved = true;
  if (!Editor()->EditEntry(form, true)) return ERROR_CANCELLED;
  if (!ValidEntryName(form.Name)) return ERROR_INVALID_NAME;
  if (Book().HasSection(form.Name)) return ERROR_ALREADY_EXISTS;
  StoreForm(form);
  return SaveBook() ? ERROR_SUCCESS : ERROR_CANNOT_WRITE_PHONEBOOK;
}

std::uint32_t LineBackend::RasEditPhonebookEntryA(const std::string& entryName) {
  if (!Book().HasSection(entryName)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  if (Editor() == nullptr) return ERROR_CANCELLED;
  EntryForm form = FormOf(entryName);
  if (!Editor()->EditEntry(form, false)) return ERROR_CANCELLED;
  // The editor may have run the loop; look at the file as it is now.
  if (!Book().HasSection(entryName)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  if (form.Name != entryName) {
    if (Connected(entryName)) return ERROR_ACCESS_DENIED;
    if (!ValidEntryName(form.Name)) return ERROR_INVALID_NAME;
    if (!book_.RenameSection(entryName, form.Name)) return ERROR_ALREADY_EXISTS;
  }
  StoreForm(form);
  return SaveBook() ? ERROR_SUCCESS : ERROR_CANNOT_WRITE_PHONEBOOK;
}

std::uint32_t LineBackend::RasRenameEntry(const std::string& oldName, const std::string& newName) {
  if (!Book().HasSection(oldName)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  // A connected (or dialling) entry keeps its name and its place until its line has ended.
  if (Connected(oldName)) return ERROR_ACCESS_DENIED;
  if (oldName == newName) return ERROR_SUCCESS;
  if (!ValidEntryName(newName)) return ERROR_INVALID_NAME;
  if (!book_.RenameSection(oldName, newName)) return ERROR_ALREADY_EXISTS;
  return SaveBook() ? ERROR_SUCCESS : ERROR_CANNOT_WRITE_PHONEBOOK;
}

std::uint32_t LineBackend::RasDeleteEntry(const std::string& entryName) {
  if (!Book().HasSection(entryName)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  if (Connected(entryName)) return ERROR_ACCESS_DENIED;
  book_.RemoveSection(entryName);
  return SaveBook() ? ERROR_SUCCESS : ERROR_CANNOT_WRITE_PHONEBOOK;
}

// ---- lines

LineBackend::Line& LineBackend::AddLine(const std::string& entry, RasDialFunc notifier) {
  const HRasConn handle = nextHandle_++;
  Line& line = lines_[handle];
  line.Handle = handle;
  line.Entry = entry;
  line.Notifier = notifier;
  return line;
}

LineBackend::Line* LineBackend::FindLine(HRasConn handle) {
  auto it = lines_.find(handle);
  return it == lines_.end() ? nullptr : &it->second;
}

bool LineBackend::Connected(const std::string& entry) {
  Refresh();
  return LiveLine(entry) != nullptr;
}

LineBackend::Line* LineBackend::LiveLine(const std::string& entry) {
  for (auto& [handle, line] : lines_) {
    if (!line.Ended && line.Entry == entry) return &line;
  }
  return nullptr;
}

void LineBackend::Advance(Line& line, RASCONNSTATE state, std::uint32_t error) {
  line.State = state;
  line.Error = error;
  notifier_.Notify(line.Notifier, state, error);
  if (error != 0 || state == RASCS_Connected) line.Notifier = nullptr;  // the dial is over
}

void LineBackend::EndLine(Line& line) {
  line.Ended = true;
  line.Notifier = nullptr;
  std::size_t ended = 0;
  for (const auto& [handle, l] : lines_) ended += l.Ended ? 1 : 0;
  for (auto it = lines_.begin(); ended > kMaxEndedLines && it != lines_.end();) {
    if (it->second.Ended && &it->second != &line) {
      it = lines_.erase(it);
      --ended;
    } else {
      ++it;
    }
  }
}

void LineBackend::ReleaseLine(HRasConn handle) {
  lines_.erase(handle);
}

std::uint32_t LineBackend::RedialLiveLine(Line& line, RasDialFunc notifier, HRasConn* handle) {
  if (line.State == RASCS_Connected) {
    *handle = line.Handle;
    line.Notifier = notifier;
    Advance(line, RASCS_Connected);
    return ERROR_SUCCESS;
  }
  return line.State == RASCS_Disconnected ? ERROR_PORT_ALREADY_OPEN
                                          : ERROR_DIAL_ALREADY_IN_PROGRESS;
}

std::uint32_t LineBackend::WaitForDial(HRasConn handle, std::int64_t limitMs) {
  auto finished = [this, handle] {
    const Line* l = FindLine(handle);
    return l == nullptr || l->Ended || l->State == RASCS_Connected;
  };
  loop_.RunUntil(finished, limitMs);
  const Line* l = FindLine(handle);
  if (l == nullptr) return ERROR_USER_DISCONNECTION;
  if (l->Ended) return l->Error != 0 ? l->Error : ERROR_DISCONNECTION;
  return l->State == RASCS_Connected ? ERROR_SUCCESS : ERROR_NO_ANSWER;
}

std::uint32_t LineBackend::RasEnumConnectionsA(RASCONNA* conns, std::uint32_t* bufferBytes,
                                               std::uint32_t* count) {
  Refresh();
  std::vector<const Line*> live;
  for (const auto& [handle, line] : lines_) {
    if (!line.Ended) live.push_back(&line);
  }
  return FillRecords(conns, kSizeRasConn, bufferBytes, count, live.size(),
                     [&](RASCONNA& r, std::size_t i) {
                       r.hrasconn = live[i]->Handle;
                       SetRasField(r.szEntryName, live[i]->Entry);
                       SetRasField(r.szDeviceType, live[i]->DeviceType);
                       SetRasField(r.szDeviceName, live[i]->DeviceName);
                     });
}

std::uint32_t LineBackend::RasGetConnectStatusA(HRasConn handle, RASCONNSTATUSA* status) {
  Refresh();
  const Line* line = FindLine(handle);
  if (line == nullptr || line->Ended) return ERROR_INVALID_HANDLE;
  if (status == nullptr) return ERROR_INVALID_PARAMETER;
  if (status->dwSize != kSizeRasConnStatus) return ERROR_INVALID_SIZE;
  status->rasconnstate = line->State;
  status->dwError = line->Error;
  SetRasField(status->szDeviceType, line->DeviceType);
  SetRasField(status->szDeviceName, line->DeviceName);
  return ERROR_SUCCESS;
}

std::uint32_t LineBackend::RasGetProjectionInfoA(HRasConn handle, std::uint32_t projection,
                                                 void* buffer, std::uint32_t* bufferSize) {
  Refresh();
  const Line* line = FindLine(handle);
  if (line == nullptr || line->Ended) return ERROR_INVALID_HANDLE;
  if (projection != RASP_PppIp) return ERROR_PROTOCOL_NOT_CONFIGURED;
  if (buffer == nullptr || bufferSize == nullptr) return ERROR_INVALID_PARAMETER;
  if (*bufferSize < kSizeRasPppIp) {
    *bufferSize = kSizeRasPppIp;
    return ERROR_BUFFER_TOO_SMALL;
  }
  auto* ip = static_cast<RASPPPIPA*>(buffer);
  if (ip->dwSize != kSizeRasPppIp) return ERROR_INVALID_SIZE;
  if (!line->Projected) return ERROR_PROJECTION_NOT_COMPLETE;
  ip->dwError = 0;
  SetRasField(ip->szIpAddress, line->ClientIP);
  SetRasField(ip->szServerIpAddress, line->ServerIP);
  return ERROR_SUCCESS;
}

}  // namespace ras
