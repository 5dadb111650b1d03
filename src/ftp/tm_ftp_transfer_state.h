#pragma once
// The state of the one transfer (listing, download or upload) the engine runs. Private to the
// engine's source files.

#include <cstdint>
#include <memory>
#include <string>

#include "ftp/listing_line_buffer.h"
#include "ftp/listing_parser.h"
#include "ftp/tm_ftp.h"

namespace ftp {

struct TMFtp::Transfer {
  enum class Kind { kList, kDownload, kUpload };

  explicit Transfer(Kind kind) : TransferKind(kind) {}
  ~Transfer();
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  Kind TransferKind;
  std::string Remote;
  std::string Local;
  int Fd = -1;               // the local file
  std::int64_t Offset = 0;   // restart position
  bool InBatch = false;      // one upload of UploadFiles
  bool CommandSent = false;  // RETR, STOR or LIST is on its way
  bool ReplyDone = false;    // its final 2xx reply came
  bool DataDone = false;     // the data stream ended
  // A failure of the data side that waits for the command's final reply before it is raised,
  // so that reply cannot be mistaken for the answer to a later command.
  FtpError PendingError = FtpError::kNone;
  std::string PendingText;

  std::unique_ptr<ListingParser> Parser;
  ListingLineBuffer Lines;
};

}  // namespace ftp
