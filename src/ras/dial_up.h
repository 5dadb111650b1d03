#pragma once
// TDialUp: the non-visual dial-up component. It lists the phonebook entries, dials one entry
// (synchronously, or asynchronously with progress events), enumerates the active connections
// with their status, hangs a connection up and waits until it is gone, and reads the addresses
// PPP assigned to a connection. Status texts come from a five-language string table.
//
// The component knows nothing of the main window: it talks to the platform through a RasApi and
// reports through its events (std::function members; each receives the component as Sender).
//
// Threading: everything runs on the loop's thread. The one exception is the dial notifier, which
// the backend calls from a thread of its own: it hands each notification through a one-slot
// mailbox (waiting on a condition variable while the slot is full) and a task posted to the loop,
// so OnAsyncEvent fires on the loop's thread, in order and one at a time. Only one instance can
// dial asynchronously at a time: the notifier finds its instance through one process-wide
// reference, set by the last asynchronous Dial. Destroy the component before its backend.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/event_loop.h"
#include "ras/ras_api.h"

namespace ras {

enum class TDialMode { dmAsync, dmSync };
enum class TRasLanguage { ralgGerman, ralgEnglish, ralgCzech, ralgPortuguese, ralgPolish };

class TDialUp;

using TStandartEv = std::function<void(TDialUp& sender)>;
using TOnEntryGet = std::function<void(TDialUp& sender, const char* entryName)>;
using TOnNotConn =
    std::function<void(TDialUp& sender, int errorCode, const std::string& errorMessage)>;
using TOnAsyncEvent =
    std::function<void(TDialUp& sender, int state, int error, const std::string& messageText)>;
using TOnError =
    std::function<void(TDialUp& sender, int errorCode, const std::string& errorMessage)>;
using TOnActiveConn =
    std::function<void(TDialUp& sender, HRasConn handle, const TRasConnStatusA& status,
                       const std::string& statusString, const char* entryName,
                       const char* deviceType, const char* deviceName)>;

class TDialUp {
 public:
  TDialUp(core::EventLoop& loop, RasApi& ras);
  virtual ~TDialUp();
  TDialUp(const TDialUp&) = delete;
  TDialUp& operator=(const TDialUp&) = delete;

  // --- properties
  [[nodiscard]] TDialMode DialMode() const { return dialMode_; }
  void SetDialMode(TDialMode mode) { dialMode_ = mode; }
  [[nodiscard]] const std::vector<std::string>& Entries() const { return entries_; }
  [[nodiscard]] const std::string& Entry() const { return entry_; }
  void SetEntry(const std::string& entry) { entry_ = entry; }
  [[nodiscard]] TRasLanguage Language() const { return language_; }
  void SetLanguage(TRasLanguage language);
  [[nodiscard]] const std::string& ServerIP() const { return serverIP_; }
  [[nodiscard]] const std::string& ClientIP() const { return clientIP_; }
  // Dial-up adapters reporting a connection speed; only Windows 9x has them, so empty here.
  [[nodiscard]] const std::vector<std::string>& DUNA() const { return duna_; }
  [[nodiscard]] const std::string& DUNA_Key() const { return dunaKey_; }
  void SetDUNA_Key(const std::string& key) { dunaKey_ = key; }
  // Published counters that the component never fills.
  [[nodiscard]] std::uint32_t BytesXmit() const { return 0; }
  [[nodiscard]] std::uint32_t BytesRecv() const { return 0; }
  [[nodiscard]] std::uint32_t ConnectionSpeed() const { return 0; }

  // Handles the connection keeper reads and clears directly.
  [[nodiscard]] HRasConn DialHandle() const { return dialHandle_; }
  void SetDialHandle(HRasConn handle) { dialHandle_ = handle; }
  [[nodiscard]] HRasConn CurrentHandle() const { return currentHandle_; }
  void SetCurrentHandle(HRasConn handle) { currentHandle_ = handle; }
  // (Language + 1) * 1000.
  [[nodiscard]] int StringTableBase() const { return stringTableBase_; }

  // --- events
  TOnEntryGet OnEntryGet;
  TStandartEv OnDialing;
  TStandartEv OnConnect;
  TOnNotConn OnNotConnected;
  TOnAsyncEvent OnAsyncEvent;
  TOnError OnError;
  TOnActiveConn OnActiveConnection;

  // --- operations; each returns a RAS error code, 0 meaning success
  // Hangs up, then dials Entry in the current DialMode.
  int Dial();
  // Hangs up the dial handle, or else the current handle (0 when neither is set), and waits.
  int HangUp();
  // Hangs `handle` up and waits, running the loop, until it is gone; gives up after
  // kHangUpWaitMs and returns the last error (ERROR_TIMEOUT when the line never answered "gone").
  int HangUpConnection(HRasConn handle);
  // Refills Entries and fires OnEntryGet per entry.
  int GetEntries();
  // Enumerates active connections into `count` and fires OnActiveConnection per connection.
  int GetConnections(int& count);
  // Sets ClientIP and ServerIP from the PPP/IP projection of `handle`.
  int GetIPAddresses(HRasConn handle);
  // The text for one notification: the platform's error text when `error` is not 0, otherwise
  // the state's text in the current Language (empty for a state outside the table).
  [[nodiscard]] std::string GetStatusText(std::uint32_t state, std::uint32_t error);

  // Delivers the notification waiting in the mailbox (posted to the loop by the notifier).
  virtual void AsyncTimerTick();

  static constexpr std::int64_t kHangUpWaitMs = 30'000;
  static constexpr std::int64_t kHangUpPollMs = 10;

  struct Mailbox;  // shared with the notifier thread

 private:
  std::string ErrorText(std::uint32_t error);

  core::EventLoop& loop_;
  RasApi& ras_;
  std::shared_ptr<Mailbox> mailbox_;

  TDialMode dialMode_ = TDialMode::dmAsync;
  std::vector<std::string> entries_;
  std::string entry_;
  TRasLanguage language_ = TRasLanguage::ralgEnglish;
  int stringTableBase_ = 2000;
  std::string serverIP_;
  std::string clientIP_;
  std::vector<std::string> duna_;
  std::string dunaKey_;
  HRasConn dialHandle_ = 0;
  HRasConn currentHandle_ = 0;
};

}  // namespace ras
