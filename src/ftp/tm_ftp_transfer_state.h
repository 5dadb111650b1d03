#pragma once
// The state of the one transfer (listing, download or upload) the engine runs. Private to the
// engine's source files.

#include <cstdint>
#include <memory>
#include <string>

#include "core/unique_fd.h"
#include "ftp/listing_line_buffer.h"
#include "ftp/listing_parser.h"
#include "ftp/tm_ftp.h"

namespace ftp {

struct TMFtp::Transfer {
  enum class Kind { kList, kDownload, kUpload };

  explicit Transfer(Kind kind) : TransferKind(kind) {}

  Kind TransferKind;
  std::string Remote;
  std::string Local;
  core::UniqueFd Fd;               // the local file
  std::int64_t Offset = 0;         // restart position
  std::int64_t Received = 0;       // bytes written to the local file by this transfer
  std::int64_t ExpectedSize = -1;  // the whole file's size when the engine knows it
  bool InBatch = false;            // one upload of UploadFiles
  bool CommandSent = false;        // RETR, STOR or LIST is on its way
  bool ReplyDone = false;          // its final 2xx reply came
  bool DataDone = false;           // the data stream ended
  // A failure of the data side that waits for the command's final reply before it is raised,
  // so that reply cannot be mistaken for the answer to a later command.
  FtpError PendingError = FtpError::kNone;
  std::string PendingText;

  std::unique_ptr<ListingParser> Parser;
  ListingLineBuffer Lines;
};

}  // namespace ftp
