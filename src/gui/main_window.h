#pragma once
// The main window: every control of app::MainForm as a widget made by CreateWidget, placed in
// layouts by the table of main_window_layout.cpp, bound to the model by a FormBinder. The popup
// menus of the model (the tray menu, the file list's menu) are built here too, so the binder finds
// every menu item under the window. What the minimise and close buttons do is the host's choice
// (OnMinimize, OnCloseBox). Qt's GUI thread only.

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "forms/form.h"

class QMenu;
class QBoxLayout;

namespace app {
class MainForm;
}

namespace gui {

class FormBinder;

class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(app::MainForm& form, QWidget* parent = nullptr);
  ~MainWindow() override;

  [[nodiscard]] FormBinder& Binder() { return *binder_; }
  // A popup menu of the model (a menu item without parent) by name; null when there is none.
  [[nodiscard]] QMenu* Popup(const std::string& name) const;
  // Shown below the pages: why the window is shown instead of the tray icon, say.
  void SetStatusLine(const QString& text);

  // The window was minimised; returns true when the host took it (hidden to the tray).
  std::function<bool()> OnMinimize;
  // The close box was pressed; without a handler the window just hides.
  std::function<void()> OnCloseBox;

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* Build(const std::string& name, QWidget* parent);
  void FillBox(const std::string& name, QWidget* box);
  QWidget* MakeControl(const forms::Control& control, QWidget* parent);
  void BuildPages();
  void BuildMenus();
  void BuildHidden();
  void FollowForm();
  void HintAsText(const forms::Control& control);

  app::MainForm& form_;
  std::map<std::string, QMenu*> popups_;
  std::unique_ptr<FormBinder> binder_;
  forms::Subscription formWatch_;
  bool minimizing_ = false;
};

}  // namespace gui
