#pragma once
// TMFtp: the FTP client engine (RFC 959) as a non-visual component. One control connection and
// one data connection at a time; one operation at a time. Every command is sent together with
// the handler of its reply, and each handler decides the next command. Progress and results
// reach the owner only through the events below; questions (user name, password, what to do
// with an existing local file) go to OnFtpNeedInfo.
//
// The claim/busy/ready discipline: an operation (except Login, Close and Abort) first claims the
// engine. Not connected: info 1, nothing happens. Busy: info 5, nothing happens (never queued).
// Otherwise busy is set and OnFtpBusy fires. At the end of every operation a ready message is
// posted to the loop; it clears busy, fires OnAborted (when aborted), OnFtpReady, and then the
// operation's own event (OnLoggedIn, OnDirectoryChanged, ...). So OnFtpReady comes first.
//
// Threading: everything runs on the loop passed to the constructor; create, use and destroy the
// engine on that loop's thread. Events can arrive inside an operation call when Asynchronous is
// false (the call pumps the loop until the operation is done).

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/event_loop.h"
#include "core/one_shot_timer.h"
#include "core/timer.h"
#include "ftp/ftp_codes.h"
#include "ftp/ftp_data_channel.h"
#include "ftp/ftp_listing_store.h"
#include "ftp/ftp_reply_reader.h"
#include "ftp/listing_parser.h"
#include "ftp/tm_ftp_observer.h"
#include "ftp/tm_socket.h"
#include "net/resolver.h"

namespace ftp {

enum class TMFtpTransferMode { AsciiTransfer, BinaryTransfer };

// ExplicitTls: AUTH TLS, PBSZ 0 and PROT P after connecting; no plain-text fallback.
enum class TMFtpSecurity { None, ExplicitTls };

enum class TMFtpProxyType {
  proxyNone,
  proxyHost,
  proxyHostUser,
  proxyOpen,
  proxySite,
  proxyUserSite
};

enum class TMFtpOperation {
  kIdle,
  kLogin,
  kChangeDir,
  kParentDir,
  kMakeDir,
  kRemoveDir,
  kDelete,
  kRename,
  kList,
  kDownload,
  kUpload,
  kMultiUpload,
  kKeepAlive,
  kQuit,
  kSize,
};

class TMFtp {
 public:
  explicit TMFtp(core::EventLoop& loop);
  ~TMFtp();
  TMFtp(const TMFtp&) = delete;
  TMFtp& operator=(const TMFtp&) = delete;

  // ---- Published properties (defaults as the main window sets them) ----
  bool Asynchronous = true;
  bool MultiThreaded = false;  // kept for the settings; the engine always works on its loop
  int NoopInterval = 30;       // seconds of idle time before a keep-alive NOOP; 0: none
  std::string Username = "anonymous";
  std::string Password = "stayline@localhost";
  std::string Account;
  std::string ProxyUsername;
  std::string ProxyPassword;
  int Retries = 3;         // further connect attempts after a failed one
  int RetryInterval = 15;  // seconds between attempts
  TMFtpServerType ServerType = TMFtpServerType::ftpstAutoDetect;
  std::string InitialDirectory = "/";
  std::string FileMask = "-a";  // argument of LIST; empty sends a bare LIST
  bool Cache = true;
  int CacheExpire = 7;  // days
  TMFtpTransferMode TransferMode = TMFtpTransferMode::BinaryTransfer;
  TMFtpProxyType ProxyType = TMFtpProxyType::proxyNone;
  std::string ProxyServer;
  int ProxyPort = 21;
  bool Passive = false;
  int Port = 21;  // 0 is taken as 21
  std::string Server;
  int TimeOut = 20;  // seconds for resolution and connect, and for a reply to come
  TMFtpSecurity Security = TMFtpSecurity::None;
  std::string TlsCAFile;  // PEM certificates trusted besides the system's
  [[nodiscard]] static std::string Version();

  // ---- Markers for the auto-FTP procedure ----
  bool PutFileOpen = false;    // a transfer opened its local file; cleared by Abort
  bool PutFileClosed = false;  // a transfer closed its local file at its end
  bool DeleteSent = false;     // DELE was sent
  // Set when an upload has sent its TYPE command; cleared by a refused upload and by Abort. The
  // publishing procedure clears it (and the count) when it arms anew.
  bool PutIssued = false;
  int PutCount = 0;  // upload calls

  // ---- Events ----
  std::function<void(FtpInfo info, const std::string& addInfo)> OnFtpInfo;
  std::function<void(FtpError error, const std::string& addInfo)> OnFtpError;
  std::function<void(TMFtpInfoNeeded need, std::string& value)> OnFtpNeedInfo;
  std::function<void()> OnFtpReady;
  std::function<void()> OnFtpBusy;
  std::function<void()> OnLoggedIn;
  std::function<void()> OnDirectoryChanged;
  std::function<void()> OnDirectoryCreated;
  std::function<void()> OnDirectoryDeleted;
  std::function<void()> OnFileDeleted;
  std::function<void(const MFtpFileInfo& info, const std::string& location, bool isDirectory)>
      OnFileFound;
  std::function<void()> OnFileReceived;
  std::function<void()> OnFileStored;
  std::function<void()> OnListingDone;
  std::function<void()> OnFileRenamed;
  std::function<void()> OnFtpQuit;
  std::function<void()> OnFileTransferred;
  std::function<void()> OnAborted;

  // Up to four views receive every info, error, busy/ready, listing and quit notification.
  bool BindView(TMFtpObserver* view);
  void UnbindView(TMFtpObserver* view);

  // The listing cache; without one every listing comes from the server. Not owned.
  void SetListingStore(FtpListingStore* store) { store_ = store; }
  // Deletes cached folder and/or file lists (when `days` is positive); returns how many.
  int PurgeCache(bool folders, bool files, int days);
  // Drops the cached lists of the current folder (it has just changed).
  void ForgetCurrentListing();

  // ---- Operations; each returns whether it was started ----
  bool Login();
  bool Refresh();
  bool ChangeDir(const std::string& name);
  bool ChangeDirUp();
  bool MakeDir(const std::string& name);
  bool RemoveDir(const std::string& name);
  bool DeleteFile(const std::string& name);
  bool Rename(const std::string& oldName, const std::string& newName);
  bool Download(const std::string& remote, const std::string& local);
  // Asks the size of `remote` for a binary download ("TYPE I", "SIZE"); info 13 with it when the
  // server tells one. A refusal or an answer that is no size is no failure: the size stays
  // unknown. A binary Download of that file in the same folder as the next operation is checked
  // against it.
  bool QuerySize(const std::string& remote);
  bool Upload(const std::string& local, const std::string& remote);
  bool UploadFiles(const std::vector<std::string>& locals, const std::vector<std::string>& remotes);
  bool Quit();
  // Closes the control socket (and a data connection) without events.
  void Close();
  // Stops the running transfer with the Telnet abort sequence and ABOR (during a login: stops
  // the retries and closes); a stopped listing raises info 22. OnAborted follows with the ready
  // notification.
  void AbortTransfer();
  // Forced: frees the local file, clears PutFileOpen and PutIssued, closes all sockets.
  void Abort();
  // "ftp://" address of the current server and folder, ending with "/".
  [[nodiscard]] std::string Location() const;

  // ---- Engine state ----
  [[nodiscard]] bool Connected() const { return connected_; }
  [[nodiscard]] bool LoggedIn() const { return loggedIn_; }
  [[nodiscard]] bool Busy() const { return busy_; }
  [[nodiscard]] TMFtpOperation Operation() const { return op_; }
  [[nodiscard]] const std::string& CurrentDir() const { return currentDir_; }
  [[nodiscard]] const std::string& LastReply() const { return lastReply_; }
  [[nodiscard]] const std::vector<std::string>& MultiLineReply() const { return multiLine_; }
  [[nodiscard]] bool SupportsResume() const { return supportsResume_; }
  [[nodiscard]] bool SizeAllowed() const { return sizeAllowed_; }
  [[nodiscard]] FtpError LastError() const { return lastError_; }
  [[nodiscard]] const std::string& LastErrorText() const { return lastErrorText_; }
  [[nodiscard]] std::uint64_t BytesTransferred() const { return bytes_; }
  [[nodiscard]] int RetriesLeft() const { return retriesLeft_; }
  [[nodiscard]] const TMFtpFileInfoList& Folders() const { return folders_; }
  [[nodiscard]] const TMFtpFileInfoList& Files() const { return files_; }
  [[nodiscard]] const std::vector<std::string>& RawListing() const { return rawListing_; }

 private:
  using ReplyHandler = std::function<void(const std::string& line)>;
  struct Transfer;

  // tm_ftp.cpp: the surface, claim/ready, commands and replies, closing.
  bool Claim(TMFtpOperation op);
  void BeginOperation(TMFtpOperation op);
  void Info(FtpInfo info, const std::string& text = {});
  void Error(FtpError error, const std::string& text);
  void Fail(FtpError error, const std::string& text, bool closeConnection);
  void EndOperation(bool succeeded);
  void ReadyMessage(TMFtpOperation op, bool succeeded, bool aborted);
  void FireOwnEvent(TMFtpOperation op);
  void SendCommand(const std::string& command, ReplyHandler next);
  bool ArgumentsSafe(std::initializer_list<std::string_view> arguments, std::string_view verb);
  void WriteControl();
  void ControlReadable();
  void HandleReply(const std::string& line);
  void ArmReplyTimer();
  void ReplyTimedOut();
  void ConnectionLost();
  void QuitMessage();
  void CloseSockets();
  void WaitIfSynchronous();
  void PostSelf(std::function<void()> task);
  void KeepAliveTimer();
  void AbsorbAbortReplies(std::shared_ptr<int> owed);
  void StartKeepAlive();
  std::string Ask(TMFtpInfoNeeded need, std::string value);

  // tm_ftp_login.cpp
  void Connect();
  void ConnectFailed(const FtpFailure& failure);
  void Greeting(const std::string& line);
  void AuthTlsReply(const std::string& greeting, const std::string& line);
  void GreetedLogin(const std::string& greeting);
  void ServerTypeStep();
  void SendLoginUser();
  void UserReply(const std::string& line);
  void PassReply(const std::string& line);
  void LoggedInStep();
  void RestProbe();
  void RestProbeBinary();
  void InitialDirStep();
  void LoginDone();
  void SendProxyThenUser(const std::string& command);
  void SendUser();
  [[nodiscard]] bool ViaProxy() const;
  [[nodiscard]] std::string ServerWithPort() const;

  // tm_ftp_commands.cpp
  bool SimpleCommand(TMFtpOperation op, const std::string& command);
  void FolderFromReply(const std::string& line, std::function<void()> then);

  // tm_ftp_data.cpp: data connection set-up, transfer bookkeeping.
  void OpenData(std::function<void()> then);
  void StartTransferCommand(const std::string& command, bool sending);
  void TransferReply(const std::string& line);
  void DataFinished();
  void DataFailed(FtpError error, const std::string& text);
  void TryCompleteTransfer();
  void CloseLocalFile();

  // tm_ftp_listing.cpp
  void StartListing();
  bool ListingData(const char* data, std::size_t size);
  void ListingLine(std::string_view line);
  void AddEntry(const MFtpFileInfo& entry);
  void ListingComplete();
  [[nodiscard]] FtpListingKey CacheKey() const;

  // tm_ftp_transfer.cpp
  [[nodiscard]] std::int64_t ListedSize(const std::string& remote) const;
  void DownloadSize(const std::string& line, std::int64_t localSize);
  void QueriedSizeReply(const std::string& remote, const std::string& line);
  void StartDownload(std::int64_t restartAt);
  bool DownloadData(const char* data, std::size_t size);
  bool StartUpload(const std::string& local, const std::string& remote);
  void UploadTypeSet(const std::string& line);
  void UploadSize(const std::string& line);
  void StartStore(std::int64_t restartAt);
  long UploadSource(char* buffer, std::size_t size);
  void SendRest(std::int64_t offset, bool download, std::function<void()> then);
  void UploadDone();
  void NextBatchUpload();

  core::EventLoop& loop_;
  std::shared_ptr<bool> alive_;
  net::Resolver resolver_;
  TMSocket control_;
  FtpDataChannel data_;
  FtpReplyReader reader_;
  core::Timer keepAlive_;
  std::vector<TMFtpObserver*> views_;
  FtpListingStore* store_ = nullptr;

  bool connected_ = false;
  bool loggedIn_ = false;
  bool busy_ = false;
  bool aborted_ = false;
  TMFtpOperation op_ = TMFtpOperation::kIdle;
  std::uint64_t opSerial_ = 0;  // grows with every operation start and end
  std::string currentDir_;
  std::string lastReply_;
  std::vector<std::string> multiLine_;
  ReplyHandler pending_;
  std::string controlOut_;
  std::uint64_t controlGeneration_ = 0;
  core::OneShotTimer replyTimer_;
  std::int64_t lastActivityMs_ = 0;
  bool supportsResume_ = false;
  bool sizeAllowed_ = true;
  FtpError lastError_ = FtpError::kNone;
  std::string lastErrorText_;
  std::uint64_t bytes_ = 0;
  int retriesLeft_ = 0;
  core::OneShotTimer retryTimer_;
  std::string connectHost_;  // the host actually connected (the proxy when one is used)
  bool proxySiteSent_ = false;
  // Explicit TLS: the context of this session's connections, and whether the control
  // connection's handshake is under way (its failure ends the login without retries).
  std::shared_ptr<const net::TlsContext> tlsContext_;
  bool securing_ = false;

  std::unique_ptr<Transfer> transfer_;
  TMFtpFileInfoList folders_;
  TMFtpFileInfoList files_;
  std::vector<std::string> rawListing_;
  // The folder whose listing the server itself sent last (its sizes are current); empty when
  // the lists came from the cache.
  std::optional<std::string> listedDir_;
  std::vector<std::pair<std::string, std::string>> batch_;
  // What QuerySize learnt, for the download right after it; any other operation drops it.
  struct QueriedSize {
    std::string Dir;
    std::string Name;
    std::int64_t Bytes = 0;
  };
  std::optional<QueriedSize> queriedSize_;
};

}  // namespace ftp
