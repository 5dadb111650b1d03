#pragma once
// One stayline-ftp session: the engine set up from the options and address, operations run to
// their ready notification, and what went wrong kept for one message. Everything from the
// server is made printable before it reaches the terminal.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "bin/stayline-ftp/ftp_cli_options.h"
#include "core/poll_loop.h"
#include "ftp/ftp_listing_cache_store.h"
#include "ftp/listing_cache.h"
#include "ftp/tm_ftp.h"

namespace staylineftp {

// Size of a local file; -1 when it cannot be read.
[[nodiscard]] std::int64_t LocalSize(const std::string& path);

// The transfer a get or put runs, for the resume guard and the messages.
struct TransferFiles {
  std::string Remote;
  std::string Local;
};

class FtpCliSession {
 public:
  FtpCliSession(const Options& options, const FtpUrl& url);

  ftp::TMFtp& Engine() { return ftp_; }
  void SetTransfer(TransferFiles files) { files_ = std::move(files); }
  // The resume had nothing to do: the target already holds the whole file.
  [[nodiscard]] bool NothingToDo() const { return nothingToDo_; }

  // Starts `op` and runs the loop until its ready notification; true when the operation got
  // its confirming reply and no error came.
  bool Run(const std::function<bool()>& op);
  bool Login();
  // Prints the failure on standard error; returns the exit code 1.
  int Report() const;
  void Quit();

 private:
  void Fail(const std::string& message);
  void Record(ftp::FtpError error, const std::string& text, int osError);
  void Info(ftp::FtpInfo info, const std::string& text);
  void RefuseRestart();

  core::PollLoop loop_;
  ftp::TMFtp ftp_;
  const Options& options_;
  std::optional<ftp::ListingCache> cache_;
  std::optional<ftp::FtpListingCacheStore> store_;
  TransferFiles files_;
  bool ready_ = false;
  bool cancelled_ = false;
  bool replied_ = false;  // a reply came since the last command was sent
  bool nothingToDo_ = false;
  bool cutOff_ = false;      // the server closed the connection before the operation's answer
  std::string lastCommand_;  // as the engine shows it (a password never in clear)
  std::string refusal_;
  ftp::FtpError error_ = ftp::FtpError::kNone;
  std::string errorText_;
  std::string serverLine_;
  std::string message_;
};

}  // namespace staylineftp
