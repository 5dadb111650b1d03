#pragma once
// A window as a model: its named controls, caption, visibility and modal result. Observers
// subscribe to the form and hear of every property change of the form and its controls; the
// returned Subscription unsubscribes when it goes out of scope. Loop thread only.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "forms/control.h"

namespace forms {

enum class ModalResult { None, OK, Cancel, Yes, No, Abort, Retry, Ignore };
std::string_view ModalResultName(ModalResult r);

class Form;
using FormObserver =
    std::function<void(const Form&, const Control* control, std::string_view prop)>;

class Subscription {
 public:
  Subscription() = default;
  Subscription(std::shared_ptr<std::map<int, FormObserver>> list, int id) : list_(list), id_(id) {}
  ~Subscription() { Reset(); }
  Subscription(Subscription&& o) noexcept : list_(std::move(o.list_)), id_(o.id_) {}
  Subscription& operator=(Subscription&& o) noexcept;
  Subscription(const Subscription&) = delete;
  Subscription& operator=(const Subscription&) = delete;
  void Reset();

 private:
  std::weak_ptr<std::map<int, FormObserver>> list_;
  int id_ = 0;
};

class Form {
 public:
  explicit Form(std::string name);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  [[nodiscard]] const std::string& Name() const { return name_; }
  [[nodiscard]] const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  [[nodiscard]] bool Visible() const { return visible_; }
  void SetVisible(bool on);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  [[nodiscard]] ModalResult Result() const { return modalResult_; }
  void SetModalResult(ModalResult r);

  // Creates a control owned by the form.
  template <typename T, typename... Args>
  T& Add(Args&&... args) {
    auto control = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& ref = *control;
    index_[ref.Name()] = control.get();
    order_.push_back(control.get());
    owned_.push_back(std::move(control));
    return ref;
  }
  [[nodiscard]] Control* Find(std::string_view name) const;
  template <typename T>
  [[nodiscard]] T& Get(std::string_view name) const {
    return dynamic_cast<T&>(*Find(name));
  }
  [[nodiscard]] const std::vector<Control*>& Controls() const { return order_; }

  // Form-level properties for generic access ("Caption", "Visible", "ModalResult").
  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin);
  // A user can show or close a window, nothing else of it.
  [[nodiscard]] static bool UserSettable(std::string_view prop);
  [[nodiscard]] static std::optional<std::string> RejectUserValue(std::string_view prop,
                                                                  std::string_view value);

  // A queued answer offered to this form while it is shown modally without a screen ("OK", a
  // button's caption). A form that takes it acts as a user would (clicks that button) and returns
  // true; by default forms take none and the answer is read as a modal result, if it is one.
  virtual bool TakeAnswer(std::string_view /*answer*/) { return false; }

  [[nodiscard]] Subscription Observe(FormObserver observer);
  void NotifyChanged(const Control& control, std::string_view prop);

  std::function<void()> OnShow;
  std::function<void()> OnHide;

 protected:
  void NotifyForm(std::string_view prop);

 private:
  std::string name_;
  std::string caption_;
  bool visible_ = false;
  ModalResult modalResult_ = ModalResult::None;
  std::vector<std::unique_ptr<Control>> owned_;
  std::vector<Control*> order_;
  std::map<std::string, Control*, core::LessNoCase> index_;
  std::shared_ptr<std::map<int, FormObserver>> observers_;
  int nextObserver_ = 1;
};

}  // namespace forms
