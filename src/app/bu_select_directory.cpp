#include "app/bu_select_directory.h"

namespace app {

bool TBUSelectDirectory::Execute(forms::DialogService& dialogs) {
  directory_ = StartDir;
  // Both kinds are the platform's folder picker here; the title names what is being chosen.
  auto chosen = dialogs.SelectFolder(Title, StartDir);
  if (!chosen) return false;
  directory_ = *chosen;
  return true;
}

}  // namespace app
