// The engine against real servers on loopback: pyftpdlib and vsftpd, passive and active.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/poll_loop.h"
#include "ftp/ftp_listing_cache_store.h"
#include "ftp/listing_cache.h"
#include "ftp/tm_ftp.h"
#include "integration/ftp/ftp_test_servers.h"
#include "unit/ftp/support/engine_recorder.h"

namespace {

namespace fs = std::filesystem;
using ftptest::EngineRecorder;
using ftptest::TestFtpServer;

struct Param {
  TestFtpServer::Kind Kind;
  bool Passive;
};

std::string Name(const testing::TestParamInfo<Param>& info) {
  return std::string(info.param.Kind == TestFtpServer::Kind::kPyftpdlib ? "pyftpdlib" : "vsftpd") +
         (info.param.Passive ? "_passive" : "_active");
}

class EngineServers : public testing::TestWithParam<Param> {
 protected:
  void SetUp() override {
    server_ = TestFtpServer::Start(GetParam().Kind);
    if (!server_) GTEST_SKIP() << "FTP server not available here";
    cache_.emplace(fs::path(local_.Path()) / "ftpcache");
    ASSERT_TRUE(cache_->Prepare());
    store_.emplace(*cache_);
    ftp_.SetListingStore(&*store_);
    ftp_.Server = "127.0.0.1";
    ftp_.Port = server_->Port();
    ftp_.Username = server_->User();
    ftp_.Password = server_->Password();
    ftp_.InitialDirectory = server_->Dir();
    ftp_.Passive = GetParam().Passive;
    ftp_.Retries = 0;
    ftp_.TimeOut = 10;
    ftp_.NoopInterval = 0;
  }

  void LoginOk() {
    ASSERT_TRUE(ftp_.Login());
    ASSERT_TRUE(rec_.WaitReady(loop_)) << rec_.Dump();
    ASSERT_TRUE(ftp_.LoggedIn()) << rec_.Dump();
    rec_.Clear();
  }

  // Runs one operation to its ready notification and checks it raised no error.
  void Ok(const std::function<bool()>& op, const std::string& what) {
    rec_.Clear();
    ASSERT_TRUE(op()) << what;
    ASSERT_TRUE(rec_.WaitReady(loop_, 60'000)) << what << "\n" << rec_.Dump();
    ASSERT_EQ(ftp_.LastError(), ftp::FtpError::kNone) << what << "\n" << rec_.Dump();
  }

  bool Listed(const std::string& name, bool folder) {
    const auto& list = folder ? ftp_.Folders() : ftp_.Files();
    return std::any_of(list.begin(), list.end(), [&](const auto& e) { return e.Name == name; });
  }

  std::string Remote(const std::string& name) const { return server_->Root() + "/" + name; }
  std::string Local(const std::string& name) const { return local_.Path() + "/" + name; }

  std::unique_ptr<TestFtpServer> server_;
  ftptest::TempDir local_;
  core::PollLoop loop_;
  ftp::TMFtp ftp_{loop_};
  EngineRecorder rec_{ftp_};
  std::optional<ftp::ListingCache> cache_;
  std::optional<ftp::FtpListingCacheStore> store_;
};

TEST_P(EngineServers, LoginDetectsSystemAndResumeSupport) {
  ASSERT_TRUE(ftp_.Login());
  ASSERT_TRUE(rec_.WaitReady(loop_)) << rec_.Dump();
  EXPECT_TRUE(rec_.Has("info 0 "));
  EXPECT_TRUE(rec_.Has("info 12 Verbinden"));
  EXPECT_LT(rec_.IndexOf("ready"), rec_.IndexOf("LoggedIn"));
  EXPECT_EQ(ftp_.ServerType, ftp::TMFtpServerType::ftpstUNIX);
  EXPECT_TRUE(ftp_.SupportsResume()) << rec_.Dump();
  EXPECT_TRUE(rec_.Has("info 6 "));
  EXPECT_EQ(ftp_.CurrentDir(), server_->Dir());
  EXPECT_FALSE(rec_.Has("info 4 PASS ")) << "the password never shows in the protocol";
}

TEST_P(EngineServers, WrongPasswordIsAccessDenied) {
  if (GetParam().Kind == TestFtpServer::Kind::kVsftpd)
    GTEST_SKIP() << "anonymous takes any password";
  ftp_.Password = "wrong";
  ftp_.Login();
  ASSERT_TRUE(rec_.WaitReady(loop_)) << rec_.Dump();
  EXPECT_TRUE(rec_.Has("error 26 530")) << rec_.Dump();
  EXPECT_FALSE(ftp_.Connected());
}

TEST_P(EngineServers, FolderAndFileOperationsWithListingCache) {
  LoginOk();
  Ok([&] { return ftp_.MakeDir("newdir"); }, "mkdir");
  EXPECT_TRUE(rec_.Has("DirectoryCreated"));
  EXPECT_TRUE(fs::is_directory(Remote("newdir")));

  ftptest::WriteRandomFile(Local("up.bin"), 300'000, 1);
  ftp_.PutIssued = false;
  const int putCount = ftp_.PutCount;
  Ok([&] { return ftp_.Upload(Local("up.bin"), "up.bin"); }, "upload");
  EXPECT_TRUE(rec_.Has("FileStored"));
  EXPECT_TRUE(rec_.Has("info 23 ") && rec_.Has("info 24 ") && rec_.Has("info 10 "));
  EXPECT_TRUE(ftp_.PutFileOpen && ftp_.PutFileClosed && ftp_.PutIssued);
  EXPECT_EQ(ftp_.PutCount, putCount + 1);
  EXPECT_TRUE(ftptest::SameFiles(Local("up.bin"), Remote("up.bin")));

  Ok([&] { return ftp_.Refresh(); }, "list");
  EXPECT_TRUE(Listed("newdir", true));
  EXPECT_TRUE(Listed("up.bin", false));
  EXPECT_TRUE(rec_.Has("info 14 "));

  // A file that appears behind the engine's back stays hidden while the cache holds the folder.
  ftptest::WriteRandomFile(Remote("later.bin"), 10, 2);
  Ok([&] { return ftp_.Refresh(); }, "cached list");
  EXPECT_TRUE(rec_.Has("info 7 Liste aus dem Cache")) << rec_.Dump();
  EXPECT_FALSE(Listed("later.bin", false));
  EXPECT_TRUE(Listed("up.bin", false));
  EXPECT_EQ(ftp_.PurgeCache(true, true, 7), 2);
  Ok([&] { return ftp_.Refresh(); }, "list after purge");
  EXPECT_TRUE(Listed("later.bin", false));
  // What arrives is checked against the listed size: a real server's listing agrees.
  Ok([&] { return ftp_.Download("later.bin", Local("later.bin")); }, "download of a listed file");
  EXPECT_TRUE(ftptest::SameFiles(Remote("later.bin"), Local("later.bin")));

  Ok([&] { return ftp_.Rename("up.bin", "renamed.bin"); }, "rename");
  EXPECT_TRUE(rec_.Has("FileRenamed"));
  EXPECT_TRUE(fs::exists(Remote("renamed.bin")));

  Ok([&] { return ftp_.Download("renamed.bin", Local("down.bin")); }, "download");
  EXPECT_TRUE(rec_.Has("FileReceived"));
  EXPECT_TRUE(ftptest::SameFiles(Local("up.bin"), Local("down.bin")));

  Ok([&] { return ftp_.ChangeDir("newdir"); }, "cwd");
  EXPECT_EQ(ftp_.CurrentDir(), server_->Dir() == "/" ? "/newdir" : server_->Dir() + "/newdir");
  Ok([&] { return ftp_.ChangeDirUp(); }, "cdup");
  EXPECT_EQ(ftp_.CurrentDir(), server_->Dir());

  Ok([&] { return ftp_.DeleteFile("renamed.bin"); }, "delete");
  EXPECT_TRUE(rec_.Has("FileDeleted"));
  EXPECT_FALSE(fs::exists(Remote("renamed.bin")));
  Ok([&] { return ftp_.RemoveDir("newdir"); }, "rmdir");
  EXPECT_TRUE(rec_.Has("DirectoryDeleted"));
  EXPECT_FALSE(fs::exists(Remote("newdir")));

  rec_.Clear();
  ftp_.DeleteFile("renamed.bin");
  ASSERT_TRUE(rec_.WaitReady(loop_));
  EXPECT_TRUE(rec_.Has("error 29 Zugriff verweigert oder Datei existiert nicht"));
  EXPECT_TRUE(ftp_.DeleteSent);

  // The forced abort takes the upload markers back and drops the session, without events.
  rec_.Clear();
  ftp_.Abort();
  EXPECT_FALSE(ftp_.PutFileOpen || ftp_.PutIssued || ftp_.Connected() || ftp_.Busy());
  loop_.RunFor(50);
  EXPECT_TRUE(rec_.Events().empty()) << rec_.Dump();
}

TEST_P(EngineServers, UploadFilesStoresEachPairAndIsReadyOnce) {
  LoginOk();
  ftptest::WriteRandomFile(Local("one.bin"), 200'000, 11);
  ftptest::WriteRandomFile(Local("two.bin"), 3u << 20, 12);
  const int putCount = ftp_.PutCount;
  int stored = 0;
  ftp_.OnFileStored = [&] { ++stored; };
  Ok(
      [&] {
        return ftp_.UploadFiles({Local("one.bin"), Local("two.bin")}, {"first.bin", "second.bin"});
      },
      "multi-upload");
  EXPECT_TRUE(ftptest::SameFiles(Local("one.bin"), Remote("first.bin")));
  EXPECT_TRUE(ftptest::SameFiles(Local("two.bin"), Remote("second.bin")));
  EXPECT_EQ(stored, 2);
  EXPECT_EQ(ftp_.PutCount, putCount + 2);
  EXPECT_EQ(rec_.Count("info 24 "), 2);
  EXPECT_EQ(rec_.Count("busy"), 1);
  EXPECT_EQ(rec_.Count("ready"), 1) << "one operation from the first STOR to the last";
}

TEST_P(EngineServers, ResumeBothWaysAndNothingToDo) {
  LoginOk();
  ftptest::WriteRandomFile(Remote("big.bin"), 3'000'000, 3);
  // A download broken off after a million bytes.
  {
    std::ifstream in(Remote("big.bin"), std::ios::binary);
    std::ofstream out(Local("big.bin"), std::ios::binary);
    std::vector<char> head(1'000'000);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
  }
  rec_.Answer = "Resume";
  Ok([&] { return ftp_.Download("big.bin", Local("big.bin")); }, "resumed download");
  EXPECT_TRUE(rec_.Has("need 3"));
  EXPECT_TRUE(rec_.Has("info 25 1000000")) << rec_.Dump();
  EXPECT_EQ(ftp_.BytesTransferred(), 2'000'000u);
  EXPECT_TRUE(ftptest::SameFiles(Remote("big.bin"), Local("big.bin")));

  Ok([&] { return ftp_.Download("big.bin", Local("big.bin")); }, "nothing to do");
  EXPECT_TRUE(rec_.Has("info 20 Ich habe nichts zu tun")) << rec_.Dump();
  EXPECT_FALSE(rec_.Has("info 26 ")) << "nothing was transferred";

  // An upload broken off: the server holds the first 700000 bytes.
  ftptest::WriteRandomFile(Local("up.bin"), 2'500'000, 4);
  {
    std::ifstream in(Local("up.bin"), std::ios::binary);
    std::ofstream out(Remote("up.bin"), std::ios::binary);
    std::vector<char> head(700'000);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
  }
  fs::permissions(Remote("up.bin"), fs::perms::others_write, fs::perm_options::add);
  Ok([&] { return ftp_.Upload(Local("up.bin"), "up.bin"); }, "resumed upload");
  EXPECT_TRUE(rec_.Has("info 25 700000")) << rec_.Dump();
  EXPECT_TRUE(ftptest::SameFiles(Local("up.bin"), Remote("up.bin")));

  rec_.Answer = "Overwrite";
  ftptest::WriteRandomFile(Local("other.bin"), 1000, 5);
  Ok([&] { return ftp_.Download("big.bin", Local("other.bin")); }, "overwrite");
  EXPECT_TRUE(ftptest::SameFiles(Remote("big.bin"), Local("other.bin")));

  rec_.Answer = "Cancel";
  Ok([&] { return ftp_.Download("up.bin", Local("other.bin")); }, "cancel");
  EXPECT_TRUE(ftptest::SameFiles(Remote("big.bin"), Local("other.bin"))) << "left alone";
}

TEST_P(EngineServers, AbortDuringLargeTransferKeepsTheSessionInStep) {
  LoginOk();
  ftptest::WriteRandomFile(Remote("huge.bin"), 64ull << 20, 6);
  bool aborted = false;
  ftp_.OnFtpInfo = [&](ftp::FtpInfo info, const std::string&) {
    if (info == ftp::FtpInfo::kDataTrace && !aborted) {
      aborted = true;
      ftp_.AbortTransfer();
    }
  };
  rec_.Clear();
  ftp_.OnFtpReady = [] {};
  bool ready = false;
  ftp_.OnFtpReady = [&] { ready = true; };
  ftp_.OnAborted = [&] { rec_.Clear(); };
  ASSERT_TRUE(ftp_.Download("huge.bin", Local("huge.bin")));
  // A second operation while the transfer runs is refused, not queued.
  EXPECT_FALSE(ftp_.MakeDir("during"));
  ASSERT_TRUE(loop_.RunUntil([&] { return ready && !ftp_.Busy(); }, 60'000));
  EXPECT_TRUE(aborted);
  EXPECT_LT(ftptest::FileSizeOf(Local("huge.bin")), 64ull << 20);
  EXPECT_TRUE(ftp_.Connected());
  EXPECT_FALSE(ftp_.PutFileOpen && ftp_.PutFileClosed);
  // The replies to RETR and ABOR were both taken: the next command gets its own answer.
  EngineRecorder after(ftp_);
  ftp_.MakeDir("after");
  ASSERT_TRUE(after.WaitReady(loop_)) << after.Dump();
  EXPECT_TRUE(after.Has("DirectoryCreated")) << after.Dump();
  EXPECT_TRUE(fs::is_directory(Remote("after")));
}

TEST_P(EngineServers, KeepAliveAndServerClosingTheConnection) {
  ftp_.NoopInterval = 1;
  LoginOk();
  ASSERT_TRUE(loop_.RunUntil([&] { return rec_.Has("info 4 NOOP") && !ftp_.Busy(); }, 5'000))
      << rec_.Dump();
  EXPECT_EQ(ftp_.LastError(), ftp::FtpError::kNone);
  rec_.Clear();
  server_->Kill();
  ASSERT_TRUE(rec_.WaitFor(loop_, "Quit", 10'000)) << rec_.Dump();
  EXPECT_TRUE(rec_.Has("info 1 Verbindung abgebrochen"));
  EXPECT_FALSE(ftp_.Connected());
  EXPECT_FALSE(ftp_.LoggedIn());
  rec_.Clear();
  EXPECT_FALSE(ftp_.Refresh());
  EXPECT_TRUE(rec_.Has("info 1 Keine Verbindung zum Server"));
}

INSTANTIATE_TEST_SUITE_P(Ftp, EngineServers,
                         testing::Values(Param{TestFtpServer::Kind::kPyftpdlib, true},
                                         Param{TestFtpServer::Kind::kPyftpdlib, false},
                                         Param{TestFtpServer::Kind::kVsftpd, true},
                                         Param{TestFtpServer::Kind::kVsftpd, false}),
                         Name);

}  // namespace
