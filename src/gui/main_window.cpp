#include "gui/main_window.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>

#include "app/main_form.h"
#include "gui/form_binder.h"
#include "gui/main_window_layout.h"
#include "gui/tray_pictures.h"
#include "gui/widget_factory.h"

namespace gui {

namespace {

using forms::ControlKind;

// The buttons that carry a picture rather than a text.
struct Glyph {
  const char* Control;
  QStyle::StandardPixmap Pixmap;
};
constexpr Glyph kGlyphs[] = {
    {"OpenDFUE", QStyle::SP_DialogYesButton},
    {"CloseDFUE", QStyle::SP_DialogNoButton},
    {"CreateEntry", QStyle::SP_FileDialogNewFolder},
    {"EditEntry", QStyle::SP_FileDialogDetailedView},
    {"RenameEntry", QStyle::SP_FileDialogListView},
    {"DeleteEntry", QStyle::SP_TrashIcon},
    {"SaveUserName", QStyle::SP_DialogSaveButton},
    {"SavePassWord", QStyle::SP_DialogSaveButton},
    {"OpenLogFile", QStyle::SP_FileIcon},
    {"OpenLogFileFTP", QStyle::SP_FileIcon},
    {"InstallEditor", QStyle::SP_FileDialogContentsView},
    {"ResetOnlineTime", QStyle::SP_BrowserReload},
    {"ResetLogFile", QStyle::SP_DialogResetButton},
    {"StartAutoPing", QStyle::SP_MediaPlay},
    {"StopAutoPing", QStyle::SP_MediaStop},
    {"MailSetup", QStyle::SP_FileDialogDetailedView},
    {"FTPSetup", QStyle::SP_FileDialogDetailedView},
    {"ConnectButton", QStyle::SP_DriveNetIcon},
    {"CreateDirButton", QStyle::SP_FileDialogNewFolder},
    {"DownloadButton", QStyle::SP_ArrowDown},
    {"UploadButton", QStyle::SP_ArrowUp},
    {"BackButton", QStyle::SP_FileDialogToParent},
    {"FTPRefresh", QStyle::SP_BrowserReload},
    {"AbortButton", QStyle::SP_BrowserStop},
    {"DeleteButton", QStyle::SP_TrashIcon},
    {"ProfileSetup", QStyle::SP_FileDialogDetailedView},
};

void SetGlyph(QWidget* widget, const std::string& name) {
  auto* button = qobject_cast<QAbstractButton*>(widget);
  if (!button) return;
  for (const Glyph& g : kGlyphs) {
    if (name == g.Control) button->setIcon(button->style()->standardIcon(g.Pixmap));
  }
}

// Buttons whose picture alone says little: they show the model's hint beside it.
constexpr const char* kHintBeside[] = {"MailSetup"};

// Edits that hold a password the model shows as plain text: the page does not show it in clear.
constexpr const char* kSecrets[] = {"txtPassword2"};

template <std::size_t N>
bool Listed(const std::string& name, const char* const (&names)[N]) {
  for (const char* n : names) {
    if (name == n) return true;
  }
  return false;
}

// Set on a box that holds a list or a memo: its row takes the height left over.
constexpr const char* kGrows = "staylineGrows";

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

MainWindow::MainWindow(app::MainForm& form, QWidget* parent) : QMainWindow(parent), form_(form) {
  setObjectName(Q(form.Name()));
  setWindowTitle(Q(form.Caption().empty() ? std::string("Stayline") : form.Caption()));
  BuildPages();
  BuildMenus();
  BuildHidden();
  binder_ = std::make_unique<FormBinder>(form_, this, &PictureIcon);
  resize(sizeHint().expandedTo(QSize(680, 600)));
  FollowForm();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildPages() {
  QWidget* pages = MakeControl(form_.PageControl1, this);
  auto* tabs = qobject_cast<QTabWidget*>(pages);
  for (forms::TabSheet* sheet : form_.PageControl1.Pages()) {
    QWidget* page = Build(sheet->Name(), tabs ? nullptr : pages);
    if (tabs) tabs->addTab(page, Q(sheet->Caption()));
  }
  setCentralWidget(pages);
  statusBar()->setObjectName("WindowStatusLine");
  statusBar()->hide();
}

QWidget* MainWindow::MakeControl(const forms::Control& control, QWidget* parent) {
  QWidget* widget = CreateWidget(control, parent);
  if (!widget) return nullptr;
  SetGlyph(widget, control.Name());
  if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && Listed(control.Name(), kSecrets)) {
    edit->setEchoMode(QLineEdit::Password);
  }
  return widget;
}

// A control of the model, or a group of the table that the model does not know.
QWidget* MainWindow::Build(const std::string& name, QWidget* parent) {
  QWidget* widget = nullptr;
  if (const forms::Control* control = form_.Find(name)) {
    widget = MakeControl(*control, parent);
  } else if (const LayoutBox* box = FindLayoutBox(name); box && box->Title) {
    widget = new QGroupBox(QString::fromUtf8(box->Title), parent);
    widget->setObjectName(Q(name));
  }
  if (widget && FindLayoutBox(name)) FillBox(name, widget);
  if (name == "DebugListBox") {
    // The protocol is a few lines; the folder tree and the file list take the height.
    widget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    widget->setFixedHeight(90);
  }
  if (name == "StatusBar1") {
    // The transfer progress sits inside the status bar.
    QWidget* progress = MakeControl(form_.ProgressBar1, widget);
    if (auto* bar = qobject_cast<QStatusBar*>(widget)) {
      bar->addPermanentWidget(progress);
    } else if (widget->layout()) {
      widget->layout()->addWidget(progress);
    }
    progress->setMaximumWidth(200);
  }
  return widget;
}

void MainWindow::FillBox(const std::string& name, QWidget* box) {
  const LayoutBox& spec = *FindLayoutBox(name);
  auto* column = new QVBoxLayout(box);
  if (spec.Horizontal) {
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
  }
  bool anyGrows = false;
  for (const auto& row : spec.Rows) {
    auto* line = new QHBoxLayout;
    if (spec.Horizontal) line->setSpacing(2);
    bool grows = false;
    for (const char* entry : row) {
      const std::string item = entry;
      if (item.empty()) {
        line->addStretch(1);
      } else if (item[0] == '~') {
        line->addWidget(new QLabel(QString::fromUtf8(entry + 1), box));
      } else if (QWidget* child = Build(item, box)) {
        // Lists, memos and groups take the room left; single-line controls keep their height.
        const QSizePolicy::Policy v = child->sizePolicy().verticalPolicy();
        const bool tall = v == QSizePolicy::Expanding || v == QSizePolicy::MinimumExpanding ||
                          child->property(kGrows).toBool();
        grows = grows || tall;
        line->addWidget(child, tall ? 1 : 0);
      }
    }
    column->addLayout(line, grows ? 1 : 0);
    anyGrows = anyGrows || grows;
  }
  // A box without anything to grow keeps its height; the room goes to the lists below.
  if (anyGrows) {
    box->setProperty(kGrows, true);
  } else {
    column->addStretch(1);
  }
}

void MainWindow::BuildMenus() {
  // Menu items hang under the form (the menu bar), a menu item, or nothing (a popup menu).
  std::map<std::string, QMenu*> menus;
  auto menuFor = [&](const std::string& parent) -> QMenu* {
    auto it = menus.find(parent);
    return it == menus.end() ? nullptr : it->second;
  };
  for (forms::Control* c : form_.Controls()) {
    if (c->Kind() != ControlKind::MenuItem) continue;
    const std::string& parent = c->Parent();
    const bool hasItems = [&] {
      for (forms::Control* o : form_.Controls())
        if (o->Kind() == ControlKind::MenuItem && o->Parent() == c->Name()) return true;
      return false;
    }();
    if (parent.empty()) {
      auto* popup = new QMenu(this);
      popup->setObjectName(Q(c->Name()) + "Menu");
      popup->menuAction()->setObjectName(Q(c->Name()));
      menus[c->Name()] = popup;
      popups_[c->Name()] = popup;
    } else if (hasItems) {
      QMenu* sub = parent == form_.Name() ? menuBar()->addMenu(Q(c->Caption()))
                                          : menuFor(parent)->addMenu(Q(c->Caption()));
      sub->setObjectName(Q(c->Name()) + "Menu");
      sub->menuAction()->setObjectName(Q(c->Name()));
      menus[c->Name()] = sub;
    } else {
      QWidget* menu = parent == form_.Name() ? static_cast<QWidget*>(menuBar()) : menuFor(parent);
      menu->addAction(CreateAction(*c, menu));
    }
  }
  // The file list's popup: opening it is an event of the model, then the menu shows.
  if (QWidget* list = findChild<QWidget*>("MFtpListView1File")) {
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& at) {
      if (form_.MonsterPopupMenu1.OnClick) form_.MonsterPopupMenu1.OnClick();
      if (QMenu* menu = Popup("MonsterPopupMenu1")) menu->popup(list->mapToGlobal(at));
    });
  }
}

// The tray pictures: images the window never shows, kept as widgets so the model stays whole.
void MainWindow::BuildHidden() {
  auto* holder = new QWidget(this);
  holder->setObjectName("HiddenPictures");
  holder->hide();
  for (forms::Control* c : form_.Controls()) {
    if (c->Parent().empty() && RoleOf(c->Kind()) == WidgetRole::Widget &&
        c->Kind() != ControlKind::PageControl) {
      MakeControl(*c, holder);
    }
  }
}

QMenu* MainWindow::Popup(const std::string& name) const {
  auto it = popups_.find(name);
  return it == popups_.end() ? nullptr : it->second;
}

void MainWindow::SetStatusLine(const QString& text) {
  statusBar()->showMessage(text);
  statusBar()->setVisible(!text.isEmpty());
}

// Check boxes the model gives only a hint would stand there without a word: they show the hint,
// as do the buttons listed to show it beside their picture.
void MainWindow::HintAsText(const forms::Control& control) {
  if (!control.Caption().empty()) return;
  if (control.Kind() != ControlKind::CheckBox && !Listed(control.Name(), kHintBeside)) return;
  if (auto* box = qobject_cast<QAbstractButton*>(binder_->WidgetOf(control.Name()))) {
    box->setText(Q(control.Hint()));
  }
}

void MainWindow::FollowForm() {
  for (forms::Control* c : form_.Controls()) HintAsText(*c);
  formWatch_ = form_.Observe(
      [this](const forms::Form& f, const forms::Control* control, std::string_view prop) {
        if (control) {
          if (prop == "Hint" || prop == "Caption") HintAsText(*control);
          return;
        }
        if (prop == "Visible") {
          if (f.Visible()) {
            showNormal();
            raise();
            activateWindow();
          } else {
            hide();
          }
        } else if (prop == "Caption") {
          setWindowTitle(Q(f.Caption()));
        }
      });
  if (form_.Visible()) show();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isMinimized() || minimizing_) return;
  // Taken after the state change has settled: hiding inside it leaves some window managers
  // with an icon on the task bar. One minimising is one message, however many events it makes.
  minimizing_ = true;
  QTimer::singleShot(0, this, [this] {
    minimizing_ = false;
    if (!isMinimized()) return;
    if (OnMinimize && OnMinimize()) setWindowState(windowState() & ~Qt::WindowMinimized);
  });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!OnCloseBox) {
    QMainWindow::closeEvent(event);
    return;
  }
  event->ignore();
  OnCloseBox();
}

}  // namespace gui
