#include "ras/rasapi_binder.h"

namespace ras {

RasFunctionBinder::~RasFunctionBinder() {
  // Only the fallback library is given back; the main library stays for the process's life.
  if (bound_ && fallback_ && module_ != nullptr) loader_.FreeLibrary(module_);
}

void RasFunctionBinder::NotFound(const std::string& name) {
  throw RasBindError("Function " + name + " not found!");
}

void* RasFunctionBinder::LookUpInFirstLibrary(const std::string& name) {
  if (void* proc = loader_.GetProcAddress(module_, name + "A")) return proc;
  if (style_ == Style::kComponent) return loader_.GetProcAddress(module_, name);
  return nullptr;
}

void* RasFunctionBinder::Bind(const std::string& name) {
  if (bound_) {
    void* proc = fallback_ ? loader_.GetProcAddress(module_, name) : LookUpInFirstLibrary(name);
    if (proc == nullptr) NotFound(name);
    return proc;
  }

  module_ = loader_.LoadLibraryA(kLibrary);
  if (module_ == nullptr) throw RasBindError("Error opening rasapi.dll");
  if (void* proc = LookUpInFirstLibrary(name)) {
    bound_ = true;
    return proc;
  }

  // The fallback replaces the remembered module.
  module_ = loader_.LoadLibraryA(kFallbackLibrary);
  if (module_ == nullptr) throw RasBindError("Error opening rnaph.dll");
  void* proc = loader_.GetProcAddress(module_, name);
  if (proc == nullptr) NotFound(name);
  bound_ = true;
  fallback_ = true;
  return proc;
}

}  // namespace ras
