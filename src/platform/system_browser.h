#pragma once
// The browser the program drives on this system: the Chromium-family browser named by
// STAYLINE_BROWSER or found in PATH, else the desktop's opener.
//
// Threading: loop thread only.

#include <memory>
#include <string>

#include "core/event_loop.h"
#include "platform/browser.h"

namespace platform {

// `profileDir`: the browser's own profile folder (the data folder's "browser" subfolder).
std::unique_ptr<Browser> MakeSystemBrowser(core::EventLoop& loop, const std::string& profileDir);

}  // namespace platform
