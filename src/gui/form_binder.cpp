#include "gui/form_binder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>
#include <exception>
#include <iostream>
#include <limits>

#include "core/text.h"
#include "forms/check_box.h"
#include "forms/combo_box.h"
#include "forms/edit.h"
#include "forms/image.h"
#include "forms/list_box.h"
#include "forms/list_view.h"
#include "forms/memo.h"
#include "forms/menu_item.h"
#include "forms/page_control.h"
#include "forms/progress_bar.h"
#include "forms/radio_button.h"
#include "forms/status_bar.h"

namespace gui {

using forms::ControlKind;

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// Refresh(control, kState) after a user's act: every state, but lists and columns are not built
// anew (that would drop the row the mouse is on before its click arrives).
constexpr std::string_view kState = "\x01state";

bool Is(std::string_view prop, std::string_view name) {
  return prop.empty() || prop == kState || core::EqualsNoCase(prop, name);
}

bool IsContent(std::string_view prop, std::string_view name) {
  return prop.empty() || core::EqualsNoCase(prop, name);
}

// The classic toolkit's colour names the program uses; anything else is the default text colour.
QColor ColorOf(const std::string& name) {
  static const std::pair<const char*, const char*> kColors[] = {
      {"clBlack", "#000000"}, {"clMaroon", "#800000"},  {"clGreen", "#008000"},
      {"clOlive", "#808000"}, {"clNavy", "#000080"},    {"clPurple", "#800080"},
      {"clTeal", "#008080"},  {"clGray", "#808080"},    {"clSilver", "#c0c0c0"},
      {"clRed", "#ff0000"},   {"clLime", "#00ff00"},    {"clYellow", "#ffff00"},
      {"clBlue", "#0000ff"},  {"clFuchsia", "#ff00ff"}, {"clAqua", "#00ffff"},
      {"clWhite", "#ffffff"},
  };
  for (const auto& [n, rgb] : kColors) {
    if (core::EqualsNoCase(name, n)) return QColor(rgb);
  }
  return {};
}

// A memo's text as the model keeps it: lines joined by CR LF, a last empty line dropped.
std::string MemoText(const QString& text) {
  forms::Form scratch("scratch");
  forms::Memo memo(scratch, "m");
  memo.SetText(text.toStdString());
  return memo.Text();
}

// The control as model class M with its widget as view class V, or nulls when either differs.
template <typename M, typename V>
std::pair<const M*, V*> As(const forms::Control& c, QWidget* w) {
  const auto* model = dynamic_cast<const M*>(&c);
  auto* view = qobject_cast<V*>(w);
  if (!model || !view) return {nullptr, nullptr};
  return {model, view};
}

// A log grows line by line: new lines are appended, so the view keeps its place (or keeps
// following the end) instead of jumping to the top with every line.
void ShowLines(const forms::Memo& memo, QPlainTextEdit& view) {
  const std::string shown = MemoText(view.toPlainText());
  if (shown == memo.Text()) return;
  const QString raw = view.toPlainText();
  if (!shown.empty() && !raw.endsWith('\n') && memo.Text().starts_with(shown + "\r\n")) {
    const auto count = static_cast<std::size_t>(std::count(shown.begin(), shown.end(), '\n')) + 1;
    for (std::size_t i = count; i < memo.Lines().size(); ++i) {
      view.appendPlainText(Q(memo.Lines()[i]));
    }
    return;
  }
  view.setPlainText(Q(core::Join(memo.Lines(), "\n")));
}

// Items kept as far as they agree, the rest replaced: an appended line does not reset the list.
void ShowItems(const std::vector<std::string>& items, QListWidget& list) {
  int keep = 0;
  while (keep < list.count() && keep < static_cast<int>(items.size()) &&
         list.item(keep)->text() == Q(items[static_cast<std::size_t>(keep)])) {
    ++keep;
  }
  while (list.count() > keep) delete list.takeItem(list.count() - 1);
  for (std::size_t i = static_cast<std::size_t>(keep); i < items.size(); ++i)
    list.addItem(Q(items[i]));
}

QTabWidget* TabsOf(QWidget* page) {
  for (QWidget* w = page ? page->parentWidget() : nullptr; w; w = w->parentWidget()) {
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) return tabs;
  }
  return nullptr;
}

// Qt's progress bar counts in int; byte counts beyond that are scaled down together.
void ShowProgress(QProgressBar& bar, const forms::ProgressBar& p) {
  long long div = 1;
  const long long top = std::max({std::llabs(p.Max()), std::llabs(p.Min()), 1LL});
  while (top / div > std::numeric_limits<int>::max()) div *= 2;
  bar.setRange(static_cast<int>(p.Min() / div), static_cast<int>(p.Max() / div));
  bar.setValue(static_cast<int>(std::clamp(p.Position(), p.Min(), p.Max()) / div));
}

}  // namespace

FormBinder::FormBinder(forms::Form& form, std::vector<QObject*> roots, PictureResolver pictures)
    : form_(form), roots_(std::move(roots)), pictures_(std::move(pictures)) {
  subscription_ = form_.Observe([this](const forms::Form&, const forms::Control* control,
                                       std::string_view prop) { OnModelChanged(control, prop); });
  Rebind();
}

FormBinder::~FormBinder() = default;

void FormBinder::Rebind() {
  unbound_.clear();
  for (forms::Control* c : form_.Controls()) {
    if (RoleOf(c->Kind()) == WidgetRole::None) continue;
    if (!views_.count(c->Name())) Bind(*c);
    if (!views_.count(c->Name())) unbound_.push_back(c->Name());
  }
  OnModelChanged(nullptr, "Caption");
  for (forms::Control* c : form_.Controls()) Refresh(*c, {});
}

QObject* FormBinder::FindView(const std::string& name, bool action) const {
  const QString qname = Q(name);
  for (QObject* root : roots_) {
    if (!root) continue;
    if (action) {
      if (auto* a = root->findChild<QAction*>(qname)) return a;
    } else {
      if (root->objectName() == qname && root->isWidgetType()) return root;
      if (auto* w = root->findChild<QWidget*>(qname)) return w;
    }
  }
  return nullptr;
}

QWidget* FormBinder::WidgetOf(std::string_view controlName) const {
  auto it = views_.find(std::string(controlName));
  return it == views_.end() ? nullptr : qobject_cast<QWidget*>(it->second);
}

QAction* FormBinder::ActionOf(std::string_view controlName) const {
  auto it = views_.find(std::string(controlName));
  return it == views_.end() ? nullptr : qobject_cast<QAction*>(it->second);
}

void FormBinder::Bind(forms::Control& control) {
  QObject* view = FindView(control.Name(), RoleOf(control.Kind()) == WidgetRole::Action);
  if (!view) return;
  views_[control.Name()] = view;
  Connect(control, view);
}

template <typename F>
void FormBinder::UserAction(forms::Control& control, F&& action) {
  if (writing_ > 0) return;  // the binder's own write into the widget, not a user
  if (loop_) {
    loop_->Guarded(action);
  } else {
    try {
      action();
    } catch (const std::exception& e) {
      std::cerr << "stayline: " << e.what() << std::endl;
    }
  }
  // A refused or altered edit must not linger in the widget.
  Refresh(control, kState);
}

void FormBinder::Connect(forms::Control& c, QObject* view) {
  auto click = [this, &c] { UserAction(c, [&c] { c.UserClick(); }); };
  switch (c.Kind()) {
    case ControlKind::MenuItem:
      if (auto* a = qobject_cast<QAction*>(view)) connect(a, &QAction::triggered, this, click);
      break;
    case ControlKind::Button:
    case ControlKind::SpeedButton:
    case ControlKind::ToolButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
      if (auto* b = qobject_cast<QAbstractButton*>(view)) {
        connect(b, &QAbstractButton::clicked, this, click);
      }
      break;
    case ControlKind::Edit:
      if (auto* e = qobject_cast<QLineEdit*>(view); e && dynamic_cast<forms::Edit*>(&c)) {
        auto& edit = dynamic_cast<forms::Edit&>(c);
        connect(e, &QLineEdit::textEdited, this, [this, &edit](const QString& text) {
          UserAction(edit,
                     [&] { edit.SetProperty("Text", text.toStdString(), forms::Origin::User); });
        });
        connect(e, &QLineEdit::returnPressed, this,
                [this, &edit] { UserAction(edit, [&] { edit.UserKeyDown(13); }); });
      }
      break;
    case ControlKind::Memo:
      if (auto* m = qobject_cast<QPlainTextEdit*>(view)) {
        connect(m, &QPlainTextEdit::textChanged, this, [this, &c, m] {
          UserAction(
              c, [&] { c.SetProperty("Text", MemoText(m->toPlainText()), forms::Origin::User); });
        });
      }
      break;
    case ControlKind::ComboBox:
      if (auto* box = qobject_cast<QComboBox*>(view)) {
        connect(box, qOverload<int>(&QComboBox::activated), this, [this, &c](int index) {
          UserAction(
              c, [&] { c.SetProperty("ItemIndex", std::to_string(index), forms::Origin::User); });
        });
      }
      break;
    case ControlKind::ListBox:
      if (auto* list = qobject_cast<QListWidget*>(view)) {
        connect(list, &QListWidget::currentRowChanged, this, [this, &c](int row) {
          if (row < 0) return;
          UserAction(c,
                     [&] { c.SetProperty("ItemIndex", std::to_string(row), forms::Origin::User); });
        });
      }
      break;
    case ControlKind::ListView:
    case ControlKind::TreeView:
      if (auto* tree = qobject_cast<QTreeWidget*>(view);
          tree && dynamic_cast<forms::ListView*>(&c)) {
        auto& lv = dynamic_cast<forms::ListView&>(c);
        connect(tree, &QTreeWidget::itemSelectionChanged, this, [this, &lv, tree] {
          UserAction(lv, [&] {
            std::vector<int> rows;
            for (QTreeWidgetItem* item : tree->selectedItems()) {
              rows.push_back(tree->indexOfTopLevelItem(item));
            }
            std::sort(rows.begin(), rows.end());
            lv.UserSelect(rows);
          });
        });
        connect(tree, &QTreeWidget::itemClicked, this, [this, &lv, tree](QTreeWidgetItem* item) {
          UserAction(lv, [&] { lv.UserClickRow(tree->indexOfTopLevelItem(item)); });
        });
        connect(tree, &QTreeWidget::itemDoubleClicked, this,
                [this, &lv, tree](QTreeWidgetItem* item) {
                  UserAction(lv, [&] { lv.UserDblClickRow(tree->indexOfTopLevelItem(item)); });
                });
      }
      break;
    case ControlKind::PageControl:
      if (auto* tabs = qobject_cast<QTabWidget*>(view)) {
        connect(tabs, &QTabWidget::currentChanged, this, [this, &c, tabs](int index) {
          QWidget* page = tabs->widget(index);
          if (!page) return;
          UserAction(c, [&] {
            c.SetProperty("ActivePage", page->objectName().toStdString(), forms::Origin::User);
          });
        });
      }
      break;
    default:
      break;  // shows the model only
  }
}

void FormBinder::OnModelChanged(const forms::Control* control, std::string_view prop) {
  if (control) {
    Refresh(*control, prop);
    return;
  }
  if (!core::EqualsNoCase(prop, "Caption")) return;
  for (QObject* root : roots_) {
    if (auto* w = qobject_cast<QWidget*>(root)) {
      ++writing_;
      w->setWindowTitle(Q(form_.Caption()));
      --writing_;
      return;
    }
  }
}

void FormBinder::Refresh(const forms::Control& c, std::string_view prop) {
  auto it = views_.find(c.Name());
  if (it == views_.end()) return;
  ++writing_;
  struct Done {
    int& n;
    ~Done() { --n; }
  } done{writing_};

  if (auto* a = qobject_cast<QAction*>(it->second)) {
    const auto* item = dynamic_cast<const forms::MenuItem*>(&c);
    if (Is(prop, "Caption")) {
      a->setSeparator(c.Caption() == "-");
      a->setText(Q(c.Caption()));
    }
    if (Is(prop, "Hint")) a->setToolTip(Q(c.Hint()));
    if (Is(prop, "Enabled")) a->setEnabled(c.Enabled());
    if (Is(prop, "Visible")) a->setVisible(c.Visible());
    if (item && Is(prop, "Checked")) {
      // Only items that ever carry the mark are checkable, so plain items show no box.
      if (item->Checked()) a->setCheckable(true);
      a->setChecked(item->Checked());
    }
    return;
  }

  auto* w = qobject_cast<QWidget*>(it->second);
  if (!w) return;
  const bool isPage = c.Kind() == ControlKind::TabSheet;
  if (Is(prop, "Enabled")) {
    w->setEnabled(c.Enabled());
    if (QTabWidget* tabs = isPage ? TabsOf(w) : nullptr) {
      tabs->setTabEnabled(tabs->indexOf(w), c.Enabled());
    }
  }
  if (Is(prop, "Visible")) {
    if (isPage) {
      if (QTabWidget* tabs = TabsOf(w)) tabs->setTabVisible(tabs->indexOf(w), c.Visible());
    } else if (!w->isWindow()) {
      w->setVisible(c.Visible());
    }
  }
  if (Is(prop, "Hint")) w->setToolTip(Q(c.Hint()));
  if (Is(prop, "Font.Color")) {
    QPalette pal = QApplication::palette(w);
    const QColor color = ColorOf(c.FontColor());
    if (color.isValid()) {
      for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        pal.setColor(role, color);
      }
    }
    w->setPalette(pal);
  }
  if (Is(prop, "Caption")) {
    const QString caption = Q(c.Caption());
    if (auto* label = qobject_cast<QLabel*>(w); label && c.Kind() == ControlKind::Label) {
      label->setText(caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      button->setText(caption);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
      group->setTitle(caption);
    } else if (isPage) {
      if (QTabWidget* tabs = TabsOf(w)) tabs->setTabText(tabs->indexOf(w), caption);
    }
  }

  // The model's class, not only its kind, decides: a form may hold a plain control of a kind
  // (a picture frame of the image kind without a picture, say).
  if (auto [check, b] = As<forms::CheckBox, QAbstractButton>(c, w); check && Is(prop, "Checked")) {
    b->setCheckable(true);
    b->setChecked(check->Checked());
  }
  if (auto [radio, b] = As<forms::RadioButton, QAbstractButton>(c, w);
      radio && Is(prop, "Checked")) {
    b->setCheckable(true);
    b->setChecked(radio->Checked());
  }
  if (auto [edit, e] = As<forms::Edit, QLineEdit>(c, w); edit) {
    if (Is(prop, "Text") && e->text().toStdString() != edit->Text()) {
      e->setText(Q(edit->Text()));
      // A text wider than its field shows from its start, not cut off at the front; the place
      // of a user's cursor stays where it is.
      if (!e->hasFocus()) e->setCursorPosition(0);
    }
    if (Is(prop, "ReadOnly")) e->setReadOnly(edit->ReadOnly());
  }
  if (auto [memo, m] = As<forms::Memo, QPlainTextEdit>(c, w); memo) {
    if (Is(prop, "Text") || Is(prop, "Lines")) ShowLines(*memo, *m);
    if (Is(prop, "ReadOnly")) m->setReadOnly(memo->ReadOnly());
  }
  if (auto [combo, box] = As<forms::ComboBox, QComboBox>(c, w); combo) {
    if (IsContent(prop, "Items")) {
      box->clear();
      for (const auto& item : combo->Items()) box->addItem(Q(item));
    }
    // A text that is none of the items still shows, as the empty choice's text.
    box->setPlaceholderText(Q(combo->Text()));
    box->setCurrentIndex(combo->ItemIndex());
  }
  if (auto [lb, list] = As<forms::ListBox, QListWidget>(c, w); lb) {
    if (IsContent(prop, "Items")) ShowItems(lb->Items(), *list);
    list->setCurrentRow(lb->ItemIndex());
  }
  if (auto [lv, tree] = As<forms::ListView, QTreeWidget>(c, w); lv) ShowRows(*lv, *tree, prop);
  if (auto [sb, bar] = As<forms::StatusBar, QStatusBar>(c, w); sb) {
    for (int i = 0; i < 64; ++i) {
      const std::string name = "Panels[" + std::to_string(i) + "]";
      if (!prop.empty() && !core::EqualsNoCase(prop, name)) continue;
      const bool exists =
          bar->findChild<QLabel*>(bar->objectName() + Q("." + name), Qt::FindDirectChildrenOnly);
      // Refreshing all: the panels made so far and those with text.
      if (prop.empty() && !exists && sb->Panel(i).empty()) continue;
      StatusPanel(*bar, i)->setText(Q(sb->Panel(i)));
    }
    if (Is(prop, "SimpleText")) {
      if (sb->SimpleText().empty()) {
        bar->clearMessage();
      } else {
        bar->showMessage(Q(sb->SimpleText()));
      }
    }
  }
  if (auto [p, bar] = As<forms::ProgressBar, QProgressBar>(c, w); p) ShowProgress(*bar, *p);
  if (auto [pc, tabs] = As<forms::PageControl, QTabWidget>(c, w); pc && Is(prop, "ActivePage")) {
    const forms::TabSheet* active = pc->ActivePage();
    if (QWidget* page = active ? WidgetOf(active->Name()) : nullptr) {
      if (tabs->indexOf(page) >= 0) tabs->setCurrentWidget(page);
    }
  }
  if (auto [image, label] = As<forms::Image, QLabel>(c, w); image && Is(prop, "Picture")) {
    const QIcon icon = pictures_ ? pictures_(image->Picture()) : QIcon();
    // The window code may ask for another size with the label's "pictureSize" property.
    QSize size = label->property("pictureSize").toSize();
    if (!size.isValid()) size = QSize(32, 32);
    label->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(size));
    label->setProperty("picture", Q(image->Picture()));
  }
}

void FormBinder::ShowRows(const forms::ListView& lv, QTreeWidget& tree, std::string_view prop) {
  if (IsContent(prop, "Columns") || IsContent(prop, "Items")) {
    QStringList headers;
    for (const auto& col : lv.Columns()) headers << Q(col);
    int columns = std::max<int>(1, static_cast<int>(lv.Columns().size()));
    for (int r = 0; r < lv.Count(); ++r) {
      columns = std::max(columns, static_cast<int>(lv.Texts(r).size()));
    }
    tree.setColumnCount(columns);
    if (!headers.isEmpty()) tree.setHeaderLabels(headers);
  }
  if (IsContent(prop, "Items")) {
    tree.clear();
    QList<QTreeWidgetItem*> items;
    for (int r = 0; r < lv.Count(); ++r) {
      QStringList texts;
      for (const auto& t : lv.Texts(r)) texts << Q(t);
      items << new QTreeWidgetItem(texts);
    }
    tree.addTopLevelItems(items);
  }
  if (Is(prop, "Items") || Is(prop, "Selected")) {
    for (int r = 0; r < tree.topLevelItemCount(); ++r) {
      tree.topLevelItem(r)->setSelected(lv.IsSelected(r));
    }
    if (const int first = lv.ItemIndex(); first >= 0) {
      tree.setCurrentItem(tree.topLevelItem(first), 0, QItemSelectionModel::NoUpdate);
    }
  }
}

}  // namespace gui
