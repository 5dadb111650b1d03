#pragma once
// A dialog whose captions and hints follow the language while it is open: the status tick hands
// every open form that implements this the current language on each tick. Only texts change;
// what the user typed or the dialog loaded stays.

namespace forms {
class Application;
}

namespace app {

class LanguageAware {
 public:
  virtual void ApplyLanguage(bool german) = 0;

 protected:
  LanguageAware() = default;
  ~LanguageAware() = default;
  LanguageAware(const LanguageAware&) = default;
  LanguageAware& operator=(const LanguageAware&) = default;
};

// Hands `german` to every open form of `app` that follows the language.
void ApplyLanguageToOpenForms(const forms::Application& app, bool german);

}  // namespace app
