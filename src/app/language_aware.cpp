#include "app/language_aware.h"

#include <vector>

#include "forms/application.h"

namespace app {

void ApplyLanguageToOpenForms(const forms::Application& app, bool german) {
  // A copy: a text change reaches observers, which must not pull the list from under the walk.
  const std::vector<forms::Form*> open = app.OpenForms();
  for (forms::Form* form : open) {
    if (auto* dialog = dynamic_cast<LanguageAware*>(form)) dialog->ApplyLanguage(german);
  }
}

}  // namespace app
