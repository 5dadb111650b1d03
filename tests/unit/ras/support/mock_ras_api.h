#pragma once
// A scriptable RAS platform for the dial-up component's tests.

#include <gmock/gmock.h>

#include "ras/ras_api.h"

namespace ras_test {

class MockRasApi : public ras::RasApi {
 public:
  MOCK_METHOD(std::uint32_t, RasDialA,
              (const ras::RASDIALPARAMSA&, ras::RasDialFunc, ras::HRasConn*), (override));
  MOCK_METHOD(std::uint32_t, RasHangUpA, (ras::HRasConn), (override));
  MOCK_METHOD(std::uint32_t, RasGetConnectStatusA, (ras::HRasConn, ras::RASCONNSTATUSA*),
              (override));
  MOCK_METHOD(std::uint32_t, RasEnumConnectionsA, (ras::RASCONNA*, std::uint32_t*, std::uint32_t*),
              (override));
  MOCK_METHOD(std::uint32_t, RasEnumEntriesA, (ras::RASENTRYNAMEA*, std::uint32_t*, std::uint32_t*),
              (override));
  MOCK_METHOD(std::uint32_t, RasGetEntryDialParamsA, (ras::RASDIALPARAMSA*, bool*), (override));
  MOCK_METHOD(std::uint32_t, RasSetEntryDialParamsA, (const ras::RASDIALPARAMSA&, bool),
              (override));
  MOCK_METHOD(std::uint32_t, RasGetErrorStringA, (std::uint32_t, char*, std::uint32_t), (override));
  MOCK_METHOD(std::uint32_t, RasGetProjectionInfoA,
              (ras::HRasConn, std::uint32_t, void*, std::uint32_t*), (override));
  MOCK_METHOD(std::uint32_t, RasCreatePhonebookEntryA, (), (override));
  MOCK_METHOD(std::uint32_t, RasEditPhonebookEntryA, (const std::string&), (override));
  MOCK_METHOD(std::uint32_t, RasRenameEntry, (const std::string&, const std::string&), (override));
  MOCK_METHOD(std::uint32_t, RasDeleteEntry, (const std::string&), (override));

  // Error texts "error <code>" unless a test says otherwise.
  void TextsNameTheCode() {
    ON_CALL(*this, RasGetErrorStringA)
        .WillByDefault([](std::uint32_t code, char* buffer, std::uint32_t size) {
          std::snprintf(buffer, size, "error %u", code);
          return 0u;
        });
  }
};

}  // namespace ras_test
