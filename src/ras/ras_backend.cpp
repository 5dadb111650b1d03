#include "ras/ras_backend.h"

#include <iostream>

namespace ras {

void RasBackend::Log(const std::string& line) const {
  if (log_) {
    log_(line);
  } else {
    std::cerr << "stayline: ras: " << line << std::endl;
  }
}

}  // namespace ras
