#pragma once
// The dial-up service of a machine without any: no phonebook entries, no connections, and every
// dial or entry operation refused. The main window uses it when it is given no service, so a
// window model without a line still runs (it shows "No DFUE available or closed").
//
// Threading: stateless; any thread.

#include "ras/ras_api.h"
#include "ras/ras_errors.h"

namespace app {

class NoLineRas final : public ras::RasApi {
 public:
  std::uint32_t RasDialA(const ras::RASDIALPARAMSA&, ras::RasDialFunc,
                         ras::HRasConn* handle) override {
    if (handle) *handle = 0;
    return ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  }
  std::uint32_t RasHangUpA(ras::HRasConn) override { return ras::ERROR_INVALID_HANDLE; }
  std::uint32_t RasGetConnectStatusA(ras::HRasConn, ras::RASCONNSTATUSA*) override {
    return ras::ERROR_INVALID_HANDLE;
  }
  std::uint32_t RasEnumConnectionsA(ras::RASCONNA*, std::uint32_t*, std::uint32_t* count) override {
    *count = 0;
    return 0;
  }
  std::uint32_t RasEnumEntriesA(ras::RASENTRYNAMEA*, std::uint32_t*,
                                std::uint32_t* count) override {
    *count = 0;
    return 0;
  }
  std::uint32_t RasGetEntryDialParamsA(ras::RASDIALPARAMSA*, bool* passwordSaved) override {
    if (passwordSaved) *passwordSaved = false;
    return ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  }
  std::uint32_t RasSetEntryDialParamsA(const ras::RASDIALPARAMSA&, bool) override {
    return ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  }
  std::uint32_t RasGetErrorStringA(std::uint32_t error, char* buffer, std::uint32_t size) override {
    if (!buffer || size == 0) return ras::ERROR_INVALID_PARAMETER;
    const std::string text = ras::RasErrorText(error, ras::RasTextLanguage::kEnglish);
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    text.copy(buffer, n);
    buffer[n] = '\0';
    return 0;
  }
  std::uint32_t RasGetProjectionInfoA(ras::HRasConn, std::uint32_t, void*,
                                      std::uint32_t*) override {
    return ras::ERROR_INVALID_HANDLE;
  }
  std::uint32_t RasCreatePhonebookEntryA() override { return ras::ERROR_CANNOT_WRITE_PHONEBOOK; }
  std::uint32_t RasEditPhonebookEntryA(const std::string&) override {
    return ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  }
  std::uint32_t RasRenameEntry(const std::string&, const std::string&) override {
    return ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  }
  std::uint32_t RasDeleteEntry(const std::string&) override {
    return ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  }
};

}  // namespace app
