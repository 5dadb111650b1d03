// The real FTP servers of the engine's integration tests serve this test as well.
#include "integration/ftp/ftp_test_servers.cpp"  // NOLINT(bugprone-suspicious-include)
