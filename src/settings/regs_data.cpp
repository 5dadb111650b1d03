#include "settings/regs_data.h"

#include <stdexcept>

#include "settings/regs_table.h"

namespace settings {

std::string& TRegsData::Field(std::string_view valueName) {
  const ValueSpec* spec = FindValueSpec(valueName);
  if (spec == nullptr)
    throw std::out_of_range("unknown setting \"" + std::string(valueName) + "\"");
  return this->*(spec->Member);
}

const std::string& TRegsData::Field(std::string_view valueName) const {
  return const_cast<TRegsData*>(this)->Field(valueName);
}

}  // namespace settings
