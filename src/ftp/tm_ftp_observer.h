#pragma once
// TMFtpObserver: what a view bound to the FTP engine hears (the remote file list, the folder tree
// and the protocol view bind this way; up to four at once). Every method has an empty default.
//
// Threading: called on the engine's loop thread.

#include <string>

#include "ftp/ftp_codes.h"
#include "ftp/listing_parser.h"

namespace ftp {

class TMFtpObserver {
 public:
  virtual ~TMFtpObserver() = default;
  virtual void EngineInfo(FtpInfo /*info*/, const std::string& /*addInfo*/) {}
  virtual void EngineError(FtpError /*error*/, const std::string& /*addInfo*/) {}
  virtual void EngineBusy() {}
  virtual void EngineReady() {}
  // A listing entry, with the engine's location ("ftp://host/folder/") and the folder flag.
  virtual void EngineFileFound(const MFtpFileInfo& /*info*/, const std::string& /*location*/,
                               bool /*isDirectory*/) {}
  // The listing is complete: the views refresh from the engine's Folders() and Files().
  virtual void EngineListingDone() {}
  // The control connection is gone.
  virtual void EngineQuit() {}
};

}  // namespace ftp
