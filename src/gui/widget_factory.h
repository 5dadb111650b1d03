#pragma once
// The one mapping from a control kind to its Qt widget: the window code builds every control's
// widget here (objectName = the control's name) and places it; FormBinder finds it by that name.

#include <QIcon>
#include <functional>
#include <string>

#include "forms/control.h"

class QAction;
class QLabel;
class QObject;
class QStatusBar;
class QWidget;

namespace gui {

// Artwork for a picture name of the model (tray and lamp pictures); a null icon when unknown.
using PictureResolver = std::function<QIcon(const std::string& picture)>;

enum class WidgetRole {
  Widget,  // a QWidget of its own
  Action,  // a QAction in a menu (menu items)
  None,    // no view: timers, the tray icon (the tray code's), file dialogs (the dialog service)
};
[[nodiscard]] WidgetRole RoleOf(forms::ControlKind kind);

// A new widget for `control`, not yet bound: Label→QLabel, Button/SpeedButton→QPushButton,
// ToolButton→QToolButton, CheckBox→QCheckBox, RadioButton→QRadioButton (not auto-exclusive: the
// model groups), Edit→QLineEdit (password echo with PasswordChar), Memo→QPlainTextEdit,
// ComboBox→QComboBox (not editable), ListBox→QListWidget, ListView/TreeView→QTreeWidget,
// StatusBar→QStatusBar with one QLabel per panel, ProgressBar→QProgressBar,
// PageControl→QTabWidget, TabSheet→QWidget (add it to its QTabWidget), GroupBox→QGroupBox,
// Panel→QFrame, Image→QLabel. Null for controls whose role is not Widget.
QWidget* CreateWidget(const forms::Control& control, QWidget* parent);
// A new QAction for a menu item (objectName = its name); a caption "-" makes a separator.
QAction* CreateAction(const forms::Control& control, QObject* parent);

// The label of a status bar's panel `index` (objectName "<bar>.Panels[<index>]"), made and added
// to the bar when missing. Put a progress bar into the bar with addPermanentWidget.
QLabel* StatusPanel(QStatusBar& bar, int index);

}  // namespace gui
