#include "gui/widget_factory.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "forms/edit.h"

namespace gui {

using forms::ControlKind;

WidgetRole RoleOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::MenuItem:
      return WidgetRole::Action;
    case ControlKind::TrayIcon:
    case ControlKind::Timer:
    case ControlKind::OpenDialog:
    case ControlKind::SaveDialog:
    case ControlKind::Other:
      return WidgetRole::None;
    default:
      return WidgetRole::Widget;
  }
}

namespace {
QWidget* Make(const forms::Control& c, QWidget* parent) {
  switch (c.Kind()) {
    case ControlKind::Label:
    case ControlKind::Image:
      return new QLabel(parent);
    case ControlKind::Button:
    case ControlKind::SpeedButton:
      return new QPushButton(parent);
    case ControlKind::ToolButton: {
      auto* b = new QToolButton(parent);
      b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      b->setAutoRaise(true);
      return b;
    }
    case ControlKind::CheckBox:
      return new QCheckBox(parent);
    case ControlKind::RadioButton: {
      // The model unchecks a radio button's group (the same parent control), not Qt.
      auto* r = new QRadioButton(parent);
      r->setAutoExclusive(false);
      return r;
    }
    case ControlKind::Edit: {
      auto* e = new QLineEdit(parent);
      const auto* edit = dynamic_cast<const forms::Edit*>(&c);
      if (edit && edit->PasswordChar) e->setEchoMode(QLineEdit::Password);
      return e;
    }
    case ControlKind::Memo:
      return new QPlainTextEdit(parent);
    case ControlKind::ComboBox:
      // The model has no free-text style: a user chooses one of the items.
      return new QComboBox(parent);
    case ControlKind::ListBox:
      return new QListWidget(parent);
    case ControlKind::ListView:
    case ControlKind::TreeView: {
      auto* t = new QTreeWidget(parent);
      t->setRootIsDecorated(false);
      t->setSelectionMode(QAbstractItemView::ExtendedSelection);
      t->setAllColumnsShowFocus(true);
      if (c.Kind() == ControlKind::TreeView) t->header()->hide();
      return t;
    }
    case ControlKind::StatusBar: {
      auto* bar = new QStatusBar(parent);
      bar->setSizeGripEnabled(false);
      return bar;
    }
    case ControlKind::ProgressBar: {
      auto* p = new QProgressBar(parent);
      p->setTextVisible(false);
      return p;
    }
    case ControlKind::PageControl:
      return new QTabWidget(parent);
    case ControlKind::TabSheet:
      return new QWidget(parent);
    case ControlKind::GroupBox:
      return new QGroupBox(parent);
    case ControlKind::Panel: {
      auto* f = new QFrame(parent);
      f->setFrameShape(QFrame::StyledPanel);
      return f;
    }
    default:
      return nullptr;
  }
}
}  // namespace

QWidget* CreateWidget(const forms::Control& control, QWidget* parent) {
  if (RoleOf(control.Kind()) != WidgetRole::Widget) return nullptr;
  QWidget* w = Make(control, parent);
  if (w) w->setObjectName(QString::fromStdString(control.Name()));
  return w;
}

QAction* CreateAction(const forms::Control& control, QObject* parent) {
  if (control.Kind() != ControlKind::MenuItem) return nullptr;
  auto* a = new QAction(parent);
  a->setObjectName(QString::fromStdString(control.Name()));
  a->setSeparator(control.Caption() == "-");
  return a;
}

QLabel* StatusPanel(QStatusBar& bar, int index) {
  const QString name = bar.objectName() + QStringLiteral(".Panels[%1]").arg(index);
  if (auto* label = bar.findChild<QLabel*>(name, Qt::FindDirectChildrenOnly)) return label;
  // Panels come in order: the ones before are made first, so index i is the i-th label.
  for (int i = 0; i < index; ++i) StatusPanel(bar, i);
  auto* label = new QLabel(&bar);
  label->setObjectName(name);
  bar.addWidget(label, index == 0 ? 1 : 0);
  return label;
}

}  // namespace gui
