#include "app/headless_printer.h"

#include <ctime>
#include <vector>

#include "app/t_stayline.h"
#include "forms/list_view.h"
#include "forms/queued_dialog_service.h"

namespace app {

HeadlessPrinter::HeadlessPrinter(TStayline& main, std::FILE* out) : main_(main), out_(out) {
  subscription_ = main_.Form().Observe([this](const forms::Form& f, const forms::Control* c,
                                              std::string_view p) { OnChange(f, c, p); });
}

void HeadlessPrinter::Attach(forms::QueuedDialogService& dialogs) {
  dialogs.OnBeep = [this, &dialogs] { Print("Beep", std::to_string(dialogs.BeepCount())); };
  dialogs.OnQuestion = [this](const std::string& kind, const std::string& q, const std::string& a) {
    Print("Dialog." + kind, q + " -> " + a);
  };
}

void HeadlessPrinter::Print(const std::string& what, const std::string& value) {
  using namespace std::chrono;
  const auto now = main_.WallNow();
  const std::time_t secs = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm tm{};
  ::localtime_r(&secs, &tm);
  std::string shown;
  for (char c : value)
    shown += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
  std::fprintf(out_, "%02d:%02d:%02d.%03d %s: %s\n", tm.tm_hour, tm.tm_min, tm.tm_sec,
               static_cast<int>(ms), what.c_str(), shown.c_str());
  std::fflush(out_);
}

void HeadlessPrinter::OnChange(const forms::Form& form, const forms::Control* c,
                               std::string_view prop) {
  const MainForm& f = main_.Form();
  if (!c) {
    if (prop == "Caption" || prop == "Visible") {
      Print(form.Name() + "." + std::string(prop), *form.GetProperty(prop));
    }
    return;
  }
  const std::string name = c->Name() + "." + std::string(prop);
  if ((c == &f.Status2 || c == &f.ErrorMessage || c == &f.WEBServerInfo) && prop == "Caption") {
    Print(name, c->Caption());
  } else if (c == &f.TrayIcon && (prop == "Icon" || prop == "Tip" || prop == "Added")) {
    Print(name, *c->GetProperty(prop));
  } else if (c == &f.StatusBar1 && prop == "Panels[1]") {
    Print(name, f.StatusBar1.Panel(1));
  } else if (c == &f.lstReplies && prop == "Items") {
    const auto& items = f.lstReplies.Items();
    if (items.size() < repliesSeen_) repliesSeen_ = 0;
    for (std::size_t i = repliesSeen_; i < items.size(); ++i) Print("lstReplies.Items", items[i]);
    repliesSeen_ = items.size();
  } else if (c == &f.MFtpListView1File || c == &f.MFtpTreeView1Dir) {
    PrintViewChange(static_cast<const forms::ListView&>(*c), prop);
  }
}

namespace {

// The captions of `rows`, at most `most` of them, then how many more there are.
std::string Captions(const forms::ListView& view, const std::vector<int>& rows, std::size_t most) {
  if (rows.empty()) return "(none)";
  std::string text;
  for (std::size_t i = 0; i < rows.size() && i < most; ++i) {
    text += (i ? ", " : "") + view.Caption(rows[i]);
  }
  if (rows.size() > most) text += ", ... " + std::to_string(rows.size() - most) + " more";
  return text;
}

}  // namespace

void HeadlessPrinter::PrintViewChange(const forms::ListView& view, std::string_view prop) {
  const std::string name = view.Name() + "." + std::string(prop);
  const bool tree = &view == &main_.Form().MFtpTreeView1Dir;
  if (prop == "Items" && !tree) {
    std::vector<int> all(static_cast<std::size_t>(view.Count()));
    for (int i = 0; i < view.Count(); ++i) all[static_cast<std::size_t>(i)] = i;
    const std::string text = std::to_string(view.Count()) + " rows: " + Captions(view, all, 8);
    // New rows come unselected; that needs no line of its own.
    listSelection_ = Captions(view, {}, 1);
    if (text == listRows_) return;
    listRows_ = text;
    Print(name, text);
  } else if (prop == "Selected") {
    std::string& last = tree ? treeSelection_ : listSelection_;
    const std::string text = Captions(view, view.Selection(), 8);
    if (text == last) return;
    last = text;
    Print(name, text);
  }
}

}  // namespace app
