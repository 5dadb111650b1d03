#include "app/control_commands.h"

#include <algorithm>
#include <stdexcept>

#include "app/t_stayline.h"
#include "core/text.h"
#include "forms/queued_dialog_service.h"
#include "ras/ras_backend.h"
#include "settings/settings_store.h"

namespace app {

namespace {
std::pair<std::string, std::string> SplitVerb(const std::string& line) {
  const std::size_t sp = line.find(' ');
  if (sp == std::string::npos) return {line, ""};
  return {line.substr(0, sp), line.substr(sp + 1)};
}
}  // namespace

bool ControlCommands::Resolve(const std::string& path, Target& target, std::string& error) const {
  forms::Application& app = main_.Application();
  const std::size_t dot = path.find('.');
  if (dot == std::string::npos) {
    error = "expected <Control>.<Property>: " + path;
    return false;
  }
  const std::string first = path.substr(0, dot);
  const std::string rest = path.substr(dot + 1);
  if (forms::Form* form = app.FindForm(first)) {
    const std::size_t dot2 = rest.find('.');
    if (dot2 != std::string::npos) {
      if (forms::Control* c = form->Find(rest.substr(0, dot2))) {
        target = {form, c, rest.substr(dot2 + 1)};
        return true;
      }
    }
    target = {form, nullptr, rest};
    return true;
  }
  forms::Form& mainForm = main_.Form();
  if (forms::Control* c = mainForm.Find(first)) {
    target = {&mainForm, c, rest};
    return true;
  }
  // A control of the open modal form may be named without its form.
  if (forms::Form* modal = app.TopModal()) {
    if (forms::Control* c = modal->Find(first)) {
      target = {modal, c, rest};
      return true;
    }
  }
  error = "no such control: " + first;
  return false;
}

bool ControlCommands::StillOpen(const forms::Form* form) const {
  const auto& open = main_.Application().OpenForms();
  return std::find(open.begin(), open.end(), form) != open.end();
}

platform::ControlReply ControlCommands::Get(const std::string& path) const {
  Target t;
  std::string error;
  if (!Resolve(path, t, error)) return {false, error};
  auto value = t.control ? t.control->GetProperty(t.property) : t.form->GetProperty(t.property);
  if (!value) return {false, "no such property: " + path};
  return {true, *value};
}

platform::ControlReply ControlCommands::Set(const std::string& args) {
  // "<path> <value>": one blank separates them; everything after it is the value.
  const std::size_t begin = std::min(args.find_first_not_of(' '), args.size());
  const std::size_t sp = args.find(' ', begin);
  const std::string path = args.substr(begin, sp - begin);
  const std::string value =
      sp == std::string::npos ? "" : platform::ControlServer::Unescape(args.substr(sp + 1));
  Target t;
  std::string error;
  if (!Resolve(path, t, error)) return {false, error};
  const bool known = t.control ? t.control->GetProperty(t.property).has_value()
                               : t.form->GetProperty(t.property).has_value();
  if (!known) return {false, "no such property: " + path};
  const bool userEdit =
      t.control ? t.control->UserSettable(t.property) : forms::Form::UserSettable(t.property);
  if (!userEdit) return {false, "not something a user can set: " + path};
  // A value a user could not give is refused here, not dropped later when its turn comes.
  const auto refusal = t.control ? t.control->RejectUserValue(t.property, value)
                                 : forms::Form::RejectUserValue(t.property, value);
  if (refusal) return {false, path + ": " + *refusal};
  main_.Loop().Post([this, t, value] {
    if (!StillOpen(t.form)) return;  // the form closed before its turn came
    if (t.control) {
      t.control->SetProperty(t.property, value, forms::Origin::User);
    } else {
      t.form->SetProperty(t.property, value, forms::Origin::User);
    }
  });
  return {true, ""};
}

platform::ControlReply ControlCommands::Click(const std::string& name) {
  forms::Form* form = &main_.Form();
  std::string controlName = name;
  if (const std::size_t dot = name.find('.'); dot != std::string::npos) {
    form = main_.Application().FindForm(name.substr(0, dot));
    controlName = name.substr(dot + 1);
    if (!form) return {false, "no such form: " + name.substr(0, dot)};
  }
  forms::Control* c = form->Find(controlName);
  if (!c && form == &main_.Form() && main_.Application().TopModal()) {
    c = main_.Application().TopModal()->Find(controlName);
  }
  if (!c) return {false, "no such control: " + name};
  main_.Loop().Post([this, form = &c->Owner(), c] {
    if (StillOpen(form)) c->UserClick();
  });
  return {true, ""};
}

// "sim drop [ENTRY]", "sim break [ENTRY]", "sim ip ENTRY A.B.C.D". Entry names may hold blanks:
// everything after the verb (before the address) is the name.
platform::ControlReply ControlCommands::Sim(const std::string& args) {
  if (!sim_) return {false, "sim: only with the simulated line (--ras sim)"};
  const std::size_t sp = args.find(' ');
  const std::string what = args.substr(0, sp);
  const std::string rest = sp == std::string::npos ? "" : core::Trim(args.substr(sp + 1));
  if (what == "drop" || what == "break") {
    const bool breaking = what == "break";
    if (std::string why = sim_->NoLineToDisturb(rest, breaking); !why.empty()) {
      return {false, why};
    }
    // Posted like user input, so the line changes between two handlers of the program.
    main_.Loop().Post([sim = sim_, breaking, rest] {
      if (breaking) {
        sim->Break(rest);
      } else {
        sim->Drop(rest);
      }
    });
    return {true, ""};
  }
  if (what == "ip") {
    const std::size_t last = rest.rfind(' ');
    if (last == std::string::npos) return {false, "sim ip ENTRY A.B.C.D"};
    const std::string entry = core::Trim(rest.substr(0, last));
    const std::string ip = rest.substr(last + 1);
    if (!sim_->SetNextClientIp(entry, ip))
      return {false, "unknown entry or no dotted quad: " + rest};
    return {true, ""};
  }
  return {false, "sim drop [ENTRY] | sim break [ENTRY] | sim ip ENTRY A.B.C.D"};
}

platform::ControlReply ControlCommands::Handle(const std::string& request) {
  const std::size_t start = request.find_first_not_of(" \t");
  const auto [verb, rawArgs] =
      SplitVerb(start == std::string::npos ? std::string() : request.substr(start));
  // A value set into a control keeps its blanks (the program's texts often start or end with
  // one); every other argument is a name or a word.
  if (verb == "set") return Set(rawArgs);
  const std::string args = core::Trim(rawArgs);
  if (verb == "get") return Get(args);
  if (verb == "click") return Click(args);
  if (verb == "forms") {
    std::vector<std::string> names;
    for (forms::Form* f : main_.Application().OpenForms()) names.push_back(f->Name());
    return {true, core::Join(names, " ")};
  }
  if (verb == "answer") {
    if (!dialogs_) return {false, "this instance asks its questions on screen"};
    dialogs_->QueueAnswer(platform::ControlServer::Unescape(args));
    return {true, ""};
  }
  if (verb == "state") {
    if (core::EqualsNoCase(args, "BeepCount")) {
      return {true, std::to_string(dialogs_ ? dialogs_->BeepCount() : 0)};
    }
    if (auto v = main_.State().Field(args)) return {true, *v};
    return {false, "no such state field: " + args};
  }
  if (verb == "setting") {
    try {
      return {true, main_.Regs().Field(args)};
    } catch (const std::out_of_range&) {
      return {false, "no such setting: " + args};
    }
  }
  if (verb == "activate") {
    main_.Loop().Post([this] {
      if (OnActivate) OnActivate();
    });
    return {true, ""};
  }
  if (verb == "quit") {
    main_.Loop().Post([this] {
      if (OnQuit) OnQuit();
    });
    return {true, ""};
  }
  if (verb == "tray") {
    long long message = 0;
    if (!core::TryParseInt(args, message)) return {false, "tray <mouse message number>"};
    main_.Loop().Post(
        [this, message] { main_.Form().TrayIcon.Callback(static_cast<int>(message)); });
    return {true, ""};
  }
  if (verb == "sim") return Sim(args);
  if (verb.empty()) return {false, "empty request"};
  return {false, "unknown request: " + verb};
}

}  // namespace app
