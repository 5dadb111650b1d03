#pragma once
// A RAS backend of this program: the platform interface plus what the owner wires up around it
// (the entry editor, the log, the language of the error texts) and, for the simulated line, the
// controls that demos and tests use to disturb a running line.
//
// Threading: user-interface thread, like RasApi.

#include <functional>
#include <string>

#include "ras/entry_editor.h"
#include "ras/ras_api.h"
#include "ras/ras_errors.h"

namespace ras {

// Disturbances of the simulated line. An empty entry name means every entry.
class SimControl {
 public:
  virtual ~SimControl() = default;
  // The line drops: its connections leave the enumeration. Returns how many went.
  virtual int Drop(const std::string& entry) = 0;
  // The connections report state 8193 (disconnected) while still enumerated. Returns how many.
  virtual int Break(const std::string& entry) = 0;
  // Why Drop (or, when `breaking`, Break) of `entry` would find no line to act on: an unknown
  // entry, no line, one still dialling (or, for a break, broken already). Empty when there is one.
  [[nodiscard]] virtual std::string NoLineToDisturb(const std::string& entry, bool breaking) = 0;
  // The next successful dial of `entry` gets `ip` as client address. False when the entry is
  // unknown or `ip` is no dotted quad.
  virtual bool SetNextClientIp(const std::string& entry, const std::string& ip) = 0;
};

class RasBackend : public RasApi {
 public:
  using LogFunc = std::function<void(const std::string& line)>;

  // Where the create/edit calls show their form; without one they answer ERROR_CANCELLED.
  void SetEntryEditor(EntryEditor* editor) { editor_ = editor; }
  // Receives the backend's log lines (commands run, their exit status, line events).
  void SetLog(LogFunc log) { log_ = std::move(log); }
  // Language of RasGetErrorStringA; starts as the system's (SystemTextLanguage()).
  void SetErrorLanguage(RasTextLanguage language) { errorLanguage_ = language; }
  [[nodiscard]] RasTextLanguage ErrorLanguage() const { return errorLanguage_; }

  // "sim" or "posix".
  [[nodiscard]] virtual std::string Kind() const = 0;
  // The simulated line's controls; nullptr for other backends.
  virtual SimControl* Sim() { return nullptr; }

 protected:
  void Log(const std::string& line) const;
  [[nodiscard]] EntryEditor* Editor() const { return editor_; }

 private:
  EntryEditor* editor_ = nullptr;
  LogFunc log_;
  RasTextLanguage errorLanguage_ = SystemTextLanguage();
};

}  // namespace ras
