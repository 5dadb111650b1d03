#pragma once
// The platform's Remote Access Service as the program sees it: the records, state numbers and the
// thirteen functions the dial-up layer relies on. Records keep the sizes and field layout of the
// ANSI platform records (the size goes into `dwSize`), so a backend on Windows can hand them
// straight through and every other backend fills them the same way.
//
// Threading: every function is called on the user-interface thread. A dial with a notifier calls
// it from a thread of the backend, one notification at a time and in order; the notifier may block
// (the dial-up component waits there while its one-slot mailbox is full).
//
// All functions return a RAS error code (ras_errors.h), 0 meaning success.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace ras {

using HRasConn = std::uint32_t;  // connection handle; 0 = none

// Field lengths of the platform records (with the terminating zero).
inline constexpr std::size_t kMaxEntryName = 257;
inline constexpr std::size_t kMaxPhoneNumber = 129;
inline constexpr std::size_t kMaxCallbackNumber = 129;
inline constexpr std::size_t kMaxUserName = 257;
inline constexpr std::size_t kMaxPassword = 257;
inline constexpr std::size_t kMaxDomain = 16;
inline constexpr std::size_t kMaxDeviceType = 17;
inline constexpr std::size_t kMaxDeviceName = 129;
inline constexpr std::size_t kMaxIpAddress = 16;

// Connection states (RASCONNSTATE).
enum RASCONNSTATE : std::uint32_t {
  RASCS_OpenPort = 0,
  RASCS_PortOpened = 1,
  RASCS_ConnectDevice = 2,
  RASCS_DeviceConnected = 3,
  RASCS_AllDevicesConnected = 4,
  RASCS_Authenticate = 5,
  RASCS_AuthNotify = 6,
  RASCS_AuthRetry = 7,
  RASCS_AuthCallback = 8,
  RASCS_AuthChangePassword = 9,
  RASCS_AuthProject = 10,
  RASCS_AuthLinkSpeed = 11,
  RASCS_AuthAck = 12,
  RASCS_ReAuthenticate = 13,
  RASCS_Authenticated = 14,
  RASCS_PrepareForCallback = 15,
  RASCS_WaitForModemReset = 16,
  RASCS_WaitForCallback = 17,
  RASCS_Projected = 18,
  RASCS_StartAuthentication = 19,
  RASCS_CallbackComplete = 20,
  RASCS_LogonNetwork = 21,
  RASCS_Interactive = 0x1000,
  RASCS_RetryAuthentication = 0x1001,
  RASCS_CallbackSetByCaller = 0x1002,
  RASCS_PasswordExpired = 0x1003,
  RASCS_Connected = 0x2000,
  RASCS_Disconnected = 0x2001,
};

inline constexpr std::uint32_t RASP_PppIp = 0x8021;
inline constexpr unsigned WM_RASDIALEVENT = 0xCCCD;

struct RASDIALPARAMSA {
  std::uint32_t dwSize;
  char szEntryName[kMaxEntryName];
  char szPhoneNumber[kMaxPhoneNumber];
  char szCallbackNumber[kMaxCallbackNumber];
  char szUserName[kMaxUserName];
  char szPassword[kMaxPassword];
  char szDomain[kMaxDomain];
};

struct RASENTRYNAMEA {
  std::uint32_t dwSize;
  char szEntryName[kMaxEntryName];
};

struct RASCONNA {
  std::uint32_t dwSize;
  HRasConn hrasconn;
  char szEntryName[kMaxEntryName];
  char szDeviceType[kMaxDeviceType];
  char szDeviceName[kMaxDeviceName];
};

struct RASCONNSTATUSA {
  std::uint32_t dwSize;
  RASCONNSTATE rasconnstate;
  std::uint32_t dwError;
  char szDeviceType[kMaxDeviceType];
  char szDeviceName[kMaxDeviceName];
};

struct RASPPPIPA {
  std::uint32_t dwSize;
  std::uint32_t dwError;
  char szIpAddress[kMaxIpAddress];
  char szServerIpAddress[kMaxIpAddress];
};

using TRasConnStatusA = RASCONNSTATUSA;

inline constexpr std::uint32_t kSizeRasDialParams = 1052;
inline constexpr std::uint32_t kSizeRasEntryName = 264;
inline constexpr std::uint32_t kSizeRasConn = 412;
inline constexpr std::uint32_t kSizeRasConnStatus = 160;
inline constexpr std::uint32_t kSizeRasPppIp = 40;
static_assert(sizeof(RASDIALPARAMSA) == kSizeRasDialParams);
static_assert(sizeof(RASENTRYNAMEA) == kSizeRasEntryName);
static_assert(sizeof(RASCONNA) == kSizeRasConn);
static_assert(sizeof(RASCONNSTATUSA) == kSizeRasConnStatus);
static_assert(sizeof(RASPPPIPA) == kSizeRasPppIp);

// Copies `value` into a fixed character field, cut to fit and always zero-terminated.
template <std::size_t N>
void SetRasField(char (&field)[N], std::string_view value) {
  const std::size_t n = value.size() < N - 1 ? value.size() : N - 1;
  std::memcpy(field, value.data(), n);
  std::memset(field + n, 0, N - n);
}

// Reads a fixed character field up to its zero (or its end, should the zero be missing).
template <std::size_t N>
std::string GetRasField(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

// The dial notifier (notifier type 0): message, state reached, error (0 or a RAS error code).
using RasDialFunc = void (*)(unsigned message, RASCONNSTATE state, std::uint32_t error);

class RasApi {
 public:
  virtual ~RasApi() = default;

  // Starts a dial of params.szEntryName with the given credentials. With a notifier the call
  // returns once the dial has started and progress arrives through the notifier; without one it
  // returns when the dial has ended. `*handle` receives the connection handle, also when a dial
  // that had started fails (the caller must hang that handle up).
  virtual std::uint32_t RasDialA(const RASDIALPARAMSA& params, RasDialFunc notifier,
                                 HRasConn* handle) = 0;
  // Starts the hang-up; the connection is gone once RasGetConnectStatusA answers 6.
  virtual std::uint32_t RasHangUpA(HRasConn handle) = 0;
  virtual std::uint32_t RasGetConnectStatusA(HRasConn handle, RASCONNSTATUSA* status) = 0;
  // `conns[0].dwSize` must be 412; `*bufferBytes` is the byte size of the array and receives
  // the size needed when it is too small (603).
  virtual std::uint32_t RasEnumConnectionsA(RASCONNA* conns, std::uint32_t* bufferBytes,
                                            std::uint32_t* count) = 0;
  // `entries[0].dwSize` must be 264; buffer rules as above.
  virtual std::uint32_t RasEnumEntriesA(RASENTRYNAMEA* entries, std::uint32_t* bufferBytes,
                                        std::uint32_t* count) = 0;
  // Reads the dial parameters of params->szEntryName; the password only when one is stored,
  // which `*passwordSaved` tells.
  virtual std::uint32_t RasGetEntryDialParamsA(RASDIALPARAMSA* params, bool* passwordSaved) = 0;
  virtual std::uint32_t RasSetEntryDialParamsA(const RASDIALPARAMSA& params,
                                               bool removePassword) = 0;
  virtual std::uint32_t RasGetErrorStringA(std::uint32_t error, char* buffer,
                                           std::uint32_t bufferSize) = 0;
  // `projection` RASP_PppIp with a RASPPPIPA record of size 40.
  virtual std::uint32_t RasGetProjectionInfoA(HRasConn handle, std::uint32_t projection,
                                              void* buffer, std::uint32_t* bufferSize) = 0;
  // The platform's entry dialogs: 0 when the user created or changed the entry.
  virtual std::uint32_t RasCreatePhonebookEntryA() = 0;
  virtual std::uint32_t RasEditPhonebookEntryA(const std::string& entryName) = 0;
  virtual std::uint32_t RasRenameEntry(const std::string& oldName, const std::string& newName) = 0;
  virtual std::uint32_t RasDeleteEntry(const std::string& entryName) = 0;
};

}  // namespace ras
