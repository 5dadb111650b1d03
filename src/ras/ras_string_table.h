#pragma once
// The dial-up component's string table: for each language base B (1000 German, 2000 English,
// 3000 Czech, 4000 Portuguese, 5000 Polish) the 28 connection-state texts B+1 ... B+28, and the
// mapping from a connection state to its offset. Pure functions; any thread.

#include <cstdint>
#include <string>

namespace ras {

// The text with the resource number `id`; empty when the table has no such number.
[[nodiscard]] std::string LoadRasString(int id);

// Offset 1..28 of a connection state in the table; 0 for a state without a text.
[[nodiscard]] int RasStateTextOffset(std::uint32_t state);

}  // namespace ras
