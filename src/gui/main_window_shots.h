#pragma once
// Pictures of the program's own windows for the screenshot test and the README: with
// STAYLINE_SHOTS=<folder> set, the main window is written as page-<sheet>.png whenever a page has
// been shown, each dialog as dialog-<form>.png once it is up, the tray menu as
// menu-PopupMenu1.png when it opens, and the tray icon as it sits in the
// tray host as tray.png, with tray.txt saying whether the desktop has a tray and where the icon
// is. Each picture is taken a moment after the change, when the window has painted.

#include <QObject>
#include <QString>

class QDialog;
class QWidget;

namespace gui {

class MainWindow;
class QtDialogService;
class Tray;

class WindowShots : public QObject {
 public:
  WindowShots(QString folder, MainWindow& window, Tray& tray, QtDialogService& dialogs);

 private:
  void Later(QWidget* widget, const QString& file);
  void PageShown(int index);
  void TrayShot();

  QString folder_;
  MainWindow& window_;
  Tray& tray_;
};

}  // namespace gui
