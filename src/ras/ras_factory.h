#pragma once
// Choosing the RAS backend ("staylined --ras sim|posix") and seeding the demo phonebook.
//
// Threading: user-interface thread.

#include <memory>
#include <string>

#include "core/event_loop.h"
#include "ras/ras_backend.h"

namespace ras {

// "sim" (the simulated line) or "posix" (commands and network interfaces); both keep their
// entries in <configDir>/phonebook.ini. Throws std::invalid_argument for any other kind.
std::unique_ptr<RasBackend> MakeRasBackend(const std::string& kind, core::EventLoop& loop,
                                           const std::string& configDir);

// The phonebook path of a configuration folder.
std::string PhonebookPath(const std::string& configDir);

// Writes a phonebook with the one entry "Stayline Demo" (a simulated line) when
// <configDir>/phonebook.ini does not exist yet. True when it wrote one.
bool SeedDemoPhonebook(const std::string& configDir);

}  // namespace ras
