#pragma once
// What the simulated and the POSIX backend share: the entries in phonebook.ini (with the
// platform's entry functions over them), the table of lines (connections) with their handles,
// states and addresses (with the enumeration, status and projection functions over it), the
// error texts, and the thread that delivers dial notifications.
//
// A line is enumerated from the dial until it ends (dial failed, line dropped, hung up). An ended
// line keeps its handle until it is hung up, so the caller's hang-up of a failed dial succeeds;
// its status then answers ERROR_INVALID_HANDLE, like a line that is gone.
//
// The phonebook is read again whenever the file changed on disk, so edits by hand or by another
// program show at the next call. Its unreadable lines are logged with their numbers, each when
// it first shows.
//
// Threading: user-interface thread; notifiers are called from the notifier thread.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/event_loop.h"
#include "ras/notifier_thread.h"
#include "ras/phonebook_file.h"
#include "ras/ras_backend.h"

namespace ras {

class LineBackend : public RasBackend {
 public:
  LineBackend(core::EventLoop& loop, std::string phonebookPath);
  ~LineBackend() override;

  std::uint32_t RasGetConnectStatusA(HRasConn handle, RASCONNSTATUSA* status) override;
  std::uint32_t RasEnumConnectionsA(RASCONNA* conns, std::uint32_t* bufferBytes,
                                    std::uint32_t* count) override;
  std::uint32_t RasEnumEntriesA(RASENTRYNAMEA* entries, std::uint32_t* bufferBytes,
                                std::uint32_t* count) override;
  std::uint32_t RasGetEntryDialParamsA(RASDIALPARAMSA* params, bool* passwordSaved) override;
  std::uint32_t RasSetEntryDialParamsA(const RASDIALPARAMSA& params, bool removePassword) override;
  std::uint32_t RasGetErrorStringA(std::uint32_t error, char* buffer,
                                   std::uint32_t bufferSize) override;
  std::uint32_t RasGetProjectionInfoA(HRasConn handle, std::uint32_t projection, void* buffer,
                                      std::uint32_t* bufferSize) override;
  std::uint32_t RasCreatePhonebookEntryA() override;
  std::uint32_t RasEditPhonebookEntryA(const std::string& entryName) override;
  std::uint32_t RasRenameEntry(const std::string& oldName, const std::string& newName) override;
  std::uint32_t RasDeleteEntry(const std::string& entryName) override;

  [[nodiscard]] const std::string& PhonebookPath() const { return path_; }
  // Entry names of 1..256 bytes without brackets, control characters or outer blanks.
  [[nodiscard]] static bool ValidEntryName(const std::string& name);

 protected:
  struct Line {
    HRasConn Handle = 0;
    std::string Entry;
    RASCONNSTATE State = RASCS_OpenPort;
    std::uint32_t Error = 0;
    std::string DeviceType;
    std::string DeviceName;
    std::string ClientIP;
    std::string ServerIP;
    bool Projected = false;          // addresses known
    bool Ended = false;              // left the enumeration; the handle waits for its hang-up
    RasDialFunc Notifier = nullptr;  // cleared once the dial has finished
  };

  // The phonebook as it is on disk now.
  const PhonebookFile& Book();
  // Bumped whenever the phonebook was (re)read.
  [[nodiscard]] std::uint64_t BookGeneration() const { return bookGeneration_; }
  // The backend's own entry keys with their defaults, in the order the entry form shows them.
  [[nodiscard]] virtual std::vector<std::pair<std::string, std::string>> EntryKeyDefaults()
      const = 0;
  // Brings the line table up to date before it is read (the POSIX backend looks at interfaces).
  virtual void Refresh() {}

  Line& AddLine(const std::string& entry, RasDialFunc notifier);
  Line* FindLine(HRasConn handle);
  // The entry's line that is still enumerated, if any.
  Line* LiveLine(const std::string& entry);
  // The entry has a line that is up or being dialled (the table brought up to date first).
  bool Connected(const std::string& entry);
  std::map<HRasConn, Line>& Lines() { return lines_; }
  // Moves a line to `state` (with `error`) and tells its notifier.
  void Advance(Line& line, RASCONNSTATE state, std::uint32_t error = 0);
  // The line is gone from the enumeration; its handle stays valid for one hang-up.
  void EndLine(Line& line);
  void ReleaseLine(HRasConn handle);
  // A dial of `line`'s entry while the line is still listed: a connected line is handed out
  // again (its notifier hears "Connected"), a dialling one is refused with 756, a broken one
  // with 602.
  std::uint32_t RedialLiveLine(Line& line, RasDialFunc notifier, HRasConn* handle);
  // A dial without a notifier: runs the loop until the line is up or has ended (at most
  // `limitMs`), and answers as the platform's blocking dial does.
  std::uint32_t WaitForDial(HRasConn handle, std::int64_t limitMs);

  // Credentials stored with an entry.
  struct Credentials {
    std::string UserName;
    std::string Password;  // empty unless saved
    bool PasswordSaved = false;
  };
  Credentials EntryCredentials(const std::string& entry);

  core::EventLoop& Loop() { return loop_; }

 private:
  void ReloadIfChanged();
  // Logs the phonebook's unreadable lines that were not reported at the previous reading.
  void ReportProblems();
  bool SaveBook();
  EntryForm FormOf(const std::string& entry);
  void StoreForm(const EntryForm& form);

  core::EventLoop& loop_;
  std::string path_;
  PhonebookFile book_;
  std::uint64_t bookGeneration_ = 0;
  struct Stamp {
    bool Exists = false;
    ino_t Inode = 0;
    off_t Size = 0;
    std::int64_t MtimeNs = 0;
    bool operator==(const Stamp&) const = default;
  } stamp_;
  bool loaded_ = false;
  std::map<std::string, int> reportedProblems_;  // see ReportProblems

  std::map<HRasConn, Line> lines_;
  HRasConn nextHandle_ = 0x10000;
  NotifierThread notifier_;
};

}  // namespace ras
