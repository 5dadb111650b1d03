#pragma once
// The FTP setup dialogs on their own: a temporary home with its settings store, a simulated loop
// and a queued dialog service that records every question and beep.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/sim_loop.h"
#include "forms/application.h"
#include "forms/queued_dialog_service.h"
#include "platform/registry.h"
#include "settings/settings_store.h"
#include "unit/platform/support/temp_dir.h"

namespace app_test {

class FtpDialogTest : public ::testing::Test {
 protected:
  FtpDialogTest()
      : paths(platform::Paths::Resolve(dir.Path())),
        registry(paths.configDir),
        store(registry, paths, "/usr/bin/staylined") {
    paths.EnsureCreated();
    dialogs.SetApplication(&application);
    dialogs.OnQuestion = [this](const std::string& kind, const std::string& question,
                                const std::string& answer) {
      questions.push_back(kind + " " + question + " -> " + answer);
    };
  }

  // A user who has run the program before, with these values stored.
  void Seed(const std::map<std::string, std::string>& values) {
    store.WriteSetting("AReadFirstReg", "1");
    for (const auto& [name, value] : values) store.WriteSetting(name, value);
    store.LoadProgramSettings();
  }
  // The stored (registry) text of a value, unscrambled where the store scrambles it.
  std::string Stored(const std::string& name) { return store.ReadSetting(name); }
  std::string StoredPlain(const std::string& name) {
    return settings::SettingsStore::ScrambleText(store.ReadSetting(name));
  }
  // A user's typing into a control of an open form.
  static void Type(forms::Form& form, const std::string& control, const std::string& text) {
    ASSERT_NE(form.Find(control), nullptr) << control;
    form.Find(control)->SetProperty("Text", text, forms::Origin::User);
  }
  static void Click(forms::Form& form, const std::string& control) {
    ASSERT_NE(form.Find(control), nullptr) << control;
    form.Find(control)->UserClick();
  }

  testing_support::TempDir dir;
  platform::Paths paths;
  platform::Registry registry;
  settings::SettingsStore store;
  core::SimLoop loop;
  forms::QueuedDialogService dialogs{loop};
  forms::Application application{loop, dialogs};
  std::vector<std::string> questions;
};

}  // namespace app_test
