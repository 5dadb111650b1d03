#pragma once
// Run-time binding of RAS functions by name: "rasapi32.dll" first, "rnaph.dll" (the older dial-up
// library) as the fallback for functions the first one lacks. Written over a small library-loader
// interface so the rules can be exercised without the platform libraries.
//
// Two binding modules use it, each with its own state: the dial-up component (names passed with
// their "A" suffix; tries name + "A", then the name) and the entry-management unit (names passed
// without it; tries only name + "A" in the first library). Only the module handle is remembered;
// functions are looked up on every call. The fallback library is released when the binder ends.
//
// Threading: one thread (the user-interface thread).

#include <stdexcept>
#include <string>

namespace ras {

class LibraryLoader {
 public:
  using Module = void*;  // nullptr: not loaded
  virtual ~LibraryLoader() = default;
  virtual Module LoadLibraryA(const std::string& fileName) = 0;
  virtual void* GetProcAddress(Module module, const std::string& name) = 0;
  virtual void FreeLibrary(Module module) = 0;
};

// Raised when a library cannot be loaded or a function is found in neither library.
class RasBindError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RasFunctionBinder {
 public:
  enum class Style {
    kComponent,  // names end in "A"; first library: name + "A", then name
    kRasUnit,    // names without "A"; first library: name + "A" only
  };

  RasFunctionBinder(LibraryLoader& loader, Style style) : loader_(loader), style_(style) {}
  ~RasFunctionBinder();
  RasFunctionBinder(const RasFunctionBinder&) = delete;
  RasFunctionBinder& operator=(const RasFunctionBinder&) = delete;

  // The address of `name`; throws RasBindError with the program's message when it cannot bind.
  void* Bind(const std::string& name);

  [[nodiscard]] bool Bound() const { return bound_; }
  [[nodiscard]] bool FallbackBound() const { return fallback_; }

  static constexpr const char* kLibrary = "rasapi32.dll";
  static constexpr const char* kFallbackLibrary = "rnaph.dll";

 private:
  void* LookUpInFirstLibrary(const std::string& name);
  [[noreturn]] static void NotFound(const std::string& name);

  LibraryLoader& loader_;
  Style style_;
  LibraryLoader::Module module_ = nullptr;
  bool bound_ = false;
  bool fallback_ = false;
};

}  // namespace ras
