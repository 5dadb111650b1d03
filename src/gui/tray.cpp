#include "gui/tray.h"

#include <QCursor>
#include <QMenu>
#include <QTimer>

#include "forms/menu_item.h"
#include "forms/tray_icon.h"
#include "gui/main_window.h"
#include "gui/tray_pictures.h"

namespace gui {

Tray::Tray(forms::TrayIcon& model, MainWindow& window)
    : QObject(&window), model_(model), window_(window) {
  icon_.setObjectName("TrayIcon");
  connect(&icon_, &QSystemTrayIcon::activated, this, &Tray::Activated);
  watch_ = model_.Owner().Observe(
      [this](const forms::Form&, const forms::Control* control, std::string_view) {
        if (control == &model_) Sync();
      });
  Sync();
}

Tray::~Tray() = default;

void Tray::Sync() {
  // Every setting goes to the tray host over the display connection: only what changed is sent.
  if (!iconShown_ || shownIcon_ != model_.Icon()) {
    icon_.setIcon(PictureIcon(model_.Icon()));
    shownIcon_ = model_.Icon();
    iconShown_ = true;
  }
  if (const QString tip = QString::fromStdString(model_.Tip()); tip != icon_.toolTip()) {
    icon_.setToolTip(tip);
  }
  if (!model_.Added()) {
    icon_.hide();
    return;
  }
  if (TrayAvailable()) {
    icon_.show();
    if (windowInstead_) window_.SetStatusLine({});
    windowInstead_ = false;
    return;
  }
  if (windowInstead_) return;
  windowInstead_ = true;
  // The model hid the window to put the icon up; with nowhere to put it, the window stays.
  // Shown after the model's own step has ended, as its show handler may ask questions.
  QTimer::singleShot(0, &window_, [this] {
    window_.SetStatusLine(
        tr("No system tray on this desktop: the window stays open instead of a tray icon."));
    model_.Owner().Show();
  });
}

void Tray::Activated(QSystemTrayIcon::ActivationReason reason) {
  if (reason == QSystemTrayIcon::DoubleClick) {
    model_.Callback(forms::kTrayLeftDoubleClick);
  } else if (reason == QSystemTrayIcon::Context) {
    model_.Callback(forms::kTrayRightDown);
  }
}

void Tray::ShowMenu(const forms::MenuItem& popup) {
  if (QMenu* menu = window_.Popup(popup.Name())) menu->popup(QCursor::pos());
}

}  // namespace gui
