#pragma once
// The entry form behind the platform's "new entry" and "edit entry" dialogs. Backends fill an
// EntryForm (name, credentials and their own keys) and hand it to the EntryEditor the owner
// installed; the owner shows it through its dialog service and reports whether the user
// confirmed it. The backend then checks and stores the result.
//
// Threading: the editor is called on the user-interface thread and may run the loop.

#include <string>
#include <utility>
#include <vector>

namespace ras {

struct EntryForm {
  std::string Name;
  std::string UserName;
  std::string Password;
  bool PasswordSaved = false;
  // The backend's own keys in display order (key, value); an empty value means "default".
  std::vector<std::pair<std::string, std::string>> Keys;
};

class EntryEditor {
 public:
  virtual ~EntryEditor() = default;
  // Shows `form` for a new entry (`isNew`) or an existing one; true when the user confirmed.
  virtual bool EditEntry(EntryForm& form, bool isNew) = 0;
};

}  // namespace ras
