#include "platform/system_browser.h"

#include "platform/chromium_browser.h"
#include "platform/xdg_browser.h"

namespace platform {

std::unique_ptr<Browser> MakeSystemBrowser(core::EventLoop& loop, const std::string& profileDir) {
  std::vector<std::string> command = ChromiumBrowser::FindCommand();
  if (command.empty()) return std::make_unique<XdgBrowser>();
  return std::make_unique<ChromiumBrowser>(loop, std::move(command), profileDir);
}

}  // namespace platform
