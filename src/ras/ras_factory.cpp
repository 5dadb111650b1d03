#include "ras/ras_factory.h"

#include <stdexcept>

#include "platform/atomic_file.h"
#include "ras/phonebook_file.h"
#include "ras/posix_ras.h"
#include "ras/sim_ras.h"

namespace ras {

std::string PhonebookPath(const std::string& configDir) {
  return configDir + "/phonebook.ini";
}

std::unique_ptr<RasBackend> MakeRasBackend(const std::string& kind, core::EventLoop& loop,
                                           const std::string& configDir) {
  if (kind == "sim") return std::make_unique<SimRas>(loop, PhonebookPath(configDir));
  if (kind == "posix") return std::make_unique<PosixRas>(loop, PhonebookPath(configDir));
  throw std::invalid_argument("unknown RAS backend \"" + kind + "\" (use sim or posix)");
}

bool SeedDemoPhonebook(const std::string& configDir) {
  const std::string path = PhonebookPath(configDir);
  if (platform::IsRegularFile(path)) return false;
  platform::CreateDirectories(configDir, 0700);
  PhonebookFile book;
  book.Parse(
      "; Dial-up entries of Stayline (see docs/phonebook.md).\n"
      "; The simulated line: a dial takes ConnectMs; each connection takes the next ClientIPs.\n"
      "[Stayline Demo]\n"
      "UserName=demo\n"
      "Password=demo\n"
      "PasswordSaved=1\n"
      "DeviceType=PPPoE\n"
      "DeviceName=Simulated PPPoE line\n"
      "ConnectMs=1500\n"
      "ClientIPs=10.64.0.10 10.64.0.11 10.64.0.12\n"
      "ServerIP=10.64.0.1\n"
      "DropAfterMs=0\n"
      "BrokenAfterMs=0\n"
      "FailDials=0\n"
      "FailError=678\n");
  return book.SaveAs(path);
}

}  // namespace ras
