#pragma once
// The notification-area icon of the main window: shows what the model's TrayIcon holds (added,
// picture, tip), reports a left double click and a right click to the model as the shell's mouse
// messages, and opens the model's popup menus. Without a tray on the desktop the model's icon is
// still taken, and the window is shown in its place with a status line that says why.

#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <string>

#include "forms/form.h"

namespace forms {
class MenuItem;
class TrayIcon;
}  // namespace forms

namespace gui {

class MainWindow;

class Tray : public QObject {
 public:
  Tray(forms::TrayIcon& model, MainWindow& window);
  ~Tray() override;

  // Whether the desktop holds tray icons; settable for tests.
  std::function<bool()> TrayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };

  // Opens `popup` (a menu of the model) at the mouse position.
  void ShowMenu(const forms::MenuItem& popup);
  [[nodiscard]] QSystemTrayIcon& Icon() { return icon_; }
  // The window stands in for the icon (no tray on the desktop).
  [[nodiscard]] bool WindowInstead() const { return windowInstead_; }

 private:
  void Sync();
  void Activated(QSystemTrayIcon::ActivationReason reason);

  forms::TrayIcon& model_;
  MainWindow& window_;
  QSystemTrayIcon icon_;
  forms::Subscription watch_;
  bool windowInstead_ = false;
  std::string shownIcon_;  // the model's picture name the icon shows
  bool iconShown_ = false;
};

}  // namespace gui
