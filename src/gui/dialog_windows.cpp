#include "gui/dialog_windows.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <algorithm>
#include <utility>
#include <vector>

#include "gui/tray_pictures.h"
#include "gui/widget_factory.h"

namespace gui {

namespace {

using forms::ControlKind;

bool IsField(ControlKind kind) {
  return kind == ControlKind::Edit || kind == ControlKind::ComboBox ||
         kind == ControlKind::SpeedButton || kind == ControlKind::ToolButton;
}

// Fields a form adds after its base form's rows, placed beside the label that names them.
constexpr std::pair<const char*, const char*> kFieldOfLabel[] = {
    {"ProfilNameLabel", "ProfilName"},
    {"ProfilNameLabel", "ProfilNameBox"},
};

std::vector<forms::Control*> ChildrenOf(const forms::Form& form, const std::string& parent) {
  std::vector<forms::Control*> out;
  for (forms::Control* c : form.Controls()) {
    if (c->Parent() == parent && c->Kind() != ControlKind::TabSheet &&
        c->Kind() != ControlKind::PageControl && RoleOf(c->Kind()) == WidgetRole::Widget) {
      out.push_back(c);
    }
  }
  for (const auto& [label, field] : kFieldOfLabel) {
    auto at = [&](const char* name) {
      return std::find_if(out.begin(), out.end(),
                          [&](forms::Control* c) { return c->Name() == name; });
    };
    auto f = at(field);
    if (at(label) == out.end() || f == out.end()) continue;
    forms::Control* moved = *f;
    out.erase(f);
    out.insert(at(label) + 1, moved);
  }
  return out;
}

// A small button without a caption picks a folder.
QWidget* MakeControl(const forms::Control& c, QWidget* owner) {
  QWidget* widget = CreateWidget(c, owner);
  if (c.Kind() == ControlKind::SpeedButton && c.Caption().empty()) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      button->setIcon(button->style()->standardIcon(QStyle::SP_DirOpenIcon));
    }
  }
  return widget;
}

// Places the non-button controls in `controls` row by row under `owner`.
void FillRows(const std::vector<forms::Control*>& controls, QWidget* owner, QFormLayout* rows,
              std::vector<forms::Control*>& buttons) {
  for (std::size_t i = 0; i < controls.size(); ++i) {
    forms::Control& c = *controls[i];
    if (c.Kind() == ControlKind::Button) {
      buttons.push_back(&c);
      continue;
    }
    QWidget* widget = CreateWidget(c, owner);
    if (c.Kind() == ControlKind::Image) {
      auto* line = new QHBoxLayout;
      // The question's picture is the dialog's own; the model names none.
      if (auto* picture = qobject_cast<QLabel*>(widget))
        picture->setPixmap(PicturePixmap("Question", 32));
      line->addWidget(widget, 0, Qt::AlignTop);
      if (i + 1 < controls.size() && controls[i + 1]->Kind() == ControlKind::Label) {
        auto* text = CreateWidget(*controls[++i], owner);
        if (auto* label = qobject_cast<QLabel*>(text)) label->setWordWrap(true);
        line->addWidget(text, 1);
      }
      rows->addRow(line);
      continue;
    }
    if (c.Kind() == ControlKind::Label && i + 1 < controls.size() &&
        IsField(controls[i + 1]->Kind())) {
      auto* line = new QHBoxLayout;
      while (i + 1 < controls.size() && IsField(controls[i + 1]->Kind())) {
        forms::Control& field = *controls[++i];
        // A port beside its server stays narrow.
        const bool narrow = field.Kind() != ControlKind::Edit || line->count() > 0;
        QWidget* w = MakeControl(field, owner);
        if (narrow && field.Kind() == ControlKind::Edit) w->setMaximumWidth(80);
        line->addWidget(w, narrow ? 0 : 1);
      }
      rows->addRow(widget, line);
      continue;
    }
    rows->addRow(widget);
  }
}

QWidget* Page(const forms::Form& form, const std::string& name, QWidget* parent,
              std::vector<forms::Control*>& buttons) {
  auto* page = new QWidget(parent);
  page->setObjectName(QString::fromStdString(name));
  auto* rows = new QFormLayout(page);
  rows->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  FillRows(ChildrenOf(form, name), page, rows, buttons);
  return page;
}

}  // namespace

std::unique_ptr<QDialog> MakeDialogWindow(forms::Form& form) {
  auto dialog = std::make_unique<QDialog>();
  dialog->setObjectName(QString::fromStdString(form.Name()));
  dialog->setWindowTitle(QString::fromStdString(form.Caption()));
  dialog->setMinimumWidth(480);
  auto* column = new QVBoxLayout(dialog.get());
  std::vector<forms::Control*> buttons;

  // Top level: the page control's tabs, plain sheets and the controls without parent.
  for (forms::Control* c : form.Controls()) {
    if (c->Kind() == ControlKind::PageControl && c->Parent().empty()) {
      auto* tabs = qobject_cast<QTabWidget*>(CreateWidget(*c, dialog.get()));
      for (forms::Control* sheet : form.Controls()) {
        if (sheet->Kind() != ControlKind::TabSheet || sheet->Parent() != c->Name()) continue;
        QWidget* page = Page(form, sheet->Name(), tabs, buttons);
        if (tabs) tabs->addTab(page, QString::fromStdString(sheet->Caption()));
      }
      column->addWidget(tabs);
    } else if (c->Kind() == ControlKind::TabSheet && c->Parent().empty()) {
      column->addWidget(Page(form, c->Name(), dialog.get(), buttons));
    }
  }
  auto* loose = new QFormLayout;
  FillRows(ChildrenOf(form, ""), dialog.get(), loose, buttons);
  column->addLayout(loose);
  column->addStretch(1);

  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch(1);
  for (forms::Control* b : buttons) {
    QWidget* button = CreateWidget(*b, dialog.get());
    if (auto* push = qobject_cast<QPushButton*>(button)) push->setAutoDefault(false);
    buttonRow->addWidget(button);
  }
  column->addLayout(buttonRow);
  return dialog;
}

}  // namespace gui
