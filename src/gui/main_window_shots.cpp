#include "gui/main_window_shots.h"

#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

#include "gui/main_window.h"
#include "gui/qt_dialog_service.h"
#include "gui/tray.h"

namespace gui {

namespace {
constexpr int kSettleMs = 400;
}

WindowShots::WindowShots(QString folder, MainWindow& window, Tray& tray, QtDialogService& dialogs)
    : QObject(&window), folder_(std::move(folder)), window_(window), tray_(tray) {
  if (auto* tabs = window_.findChild<QTabWidget*>("PageControl1")) {
    connect(tabs, &QTabWidget::currentChanged, this, &WindowShots::PageShown);
  }
  if (QMenu* menu = window_.Popup("PopupMenu1")) {
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { Later(menu, "menu-PopupMenu1.png"); });
  }
  dialogs.OnDialogShown = [this](QDialog& dialog) {
    Later(&dialog, "dialog-" + dialog.objectName() + ".png");
  };
  // The tray host needs a moment to take the icon in.
  QTimer::singleShot(1500, this, &WindowShots::TrayShot);
}

void WindowShots::Later(QWidget* widget, const QString& file) {
  QPointer<QWidget> target(widget);
  QTimer::singleShot(kSettleMs, this, [this, target, file] {
    if (target) target->grab().save(folder_ + "/" + file);
  });
}

void WindowShots::PageShown(int index) {
  auto* tabs = window_.findChild<QTabWidget*>("PageControl1");
  QWidget* page = tabs ? tabs->widget(index) : nullptr;
  if (page) Later(&window_, "page-" + page->objectName() + ".png");
}

void WindowShots::TrayShot() {
  const QRect where = tray_.Icon().geometry();
  QFile info(folder_ + "/tray.txt");
  if (info.open(QIODevice::WriteOnly)) {
    QTextStream out(&info);
    out << "available=" << (tray_.TrayAvailable() ? 1 : 0) << "\n"
        << "visible=" << (tray_.Icon().isVisible() ? 1 : 0) << "\n"
        << "geometry=" << where.x() << "," << where.y() << "," << where.width() << ","
        << where.height() << "\n";
  }
  if (where.isEmpty()) return;
  // The icon as the tray host shows it, with a margin of the host around it.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = where.adjusted(-24, -4, 24, 4);
    screen->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .scaled(area.size() * 4)
        .save(folder_ + "/tray.png");
  }
}

}  // namespace gui
