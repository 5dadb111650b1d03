#pragma once
// Binds every control of a form model to the widget (or, for menu items, the QAction) of the same
// objectName found under the given roots, by control kind, both ways:
//  - model changes (Caption, Hint, Enabled, Visible, Text, ReadOnly, Checked, Items, ItemIndex,
//    Font.Color, Position/Min/Max, Panels[i], SimpleText, ActivePage, list-view columns, rows and
//    selection, Picture; the form's Caption) show in the widget at once;
//  - a user's action on the widget reaches the model as a user's action (Origin::User, UserClick,
//    the list view's row clicks, Enter in an edit), so handlers fire exactly as headless.
// A change the binder itself writes into a widget never comes back as a user's action. After a
// user's action the widget is set back to the model's state, so a refused edit does not linger.
// Controls added to the form later (dialogs that grow rows) are bound by Rebind. Qt GUI thread.

#include <QObject>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/event_loop.h"
#include "forms/form.h"
#include "gui/widget_factory.h"

class QAction;
class QTreeWidget;
class QWidget;

namespace forms {
class ListView;
}

namespace gui {

class FormBinder : public QObject {
 public:
  // The first root that is a QWidget shows the form's caption as its window title.
  FormBinder(forms::Form& form, std::vector<QObject*> roots, PictureResolver pictures = {});
  FormBinder(forms::Form& form, QObject* root, PictureResolver pictures = {})
      : FormBinder(form, std::vector<QObject*>{root}, std::move(pictures)) {}
  ~FormBinder() override;

  // A handler's exception must not unwind through Qt: user acts run under this loop's guard
  // (its error display). Without a loop the exception is written to stderr.
  void GuardWith(core::EventLoop& loop) { loop_ = &loop; }
  // Binds controls not bound yet (new controls, new widgets) and refreshes every widget.
  void Rebind();
  // Names of the controls that need a widget or an action but found none under the roots.
  [[nodiscard]] const std::vector<std::string>& Unbound() const { return unbound_; }
  [[nodiscard]] QWidget* WidgetOf(std::string_view controlName) const;
  [[nodiscard]] QAction* ActionOf(std::string_view controlName) const;
  [[nodiscard]] forms::Form& Form() const { return form_; }

 private:
  void Bind(forms::Control& control);
  void Connect(forms::Control& control, QObject* view);
  void Refresh(const forms::Control& control, std::string_view prop);
  void ShowRows(const forms::ListView& view, QTreeWidget& tree, std::string_view prop);
  void OnModelChanged(const forms::Control* control, std::string_view prop);
  // Runs a user's action on the model unless the binder itself is writing into a widget.
  template <typename F>
  void UserAction(forms::Control& control, F&& action);
  [[nodiscard]] QObject* FindView(const std::string& name, bool action) const;

  forms::Form& form_;
  core::EventLoop* loop_ = nullptr;
  std::vector<QObject*> roots_;
  PictureResolver pictures_;
  std::map<std::string, QObject*> views_;  // control name -> widget or action
  std::vector<std::string> unbound_;
  int writing_ = 0;  // > 0 while the binder writes model state into widgets
  forms::Subscription subscription_;
};

}  // namespace gui
