#include "app/t_stayline.h"

#include "app/life_cycle.h"
#include "app/online_time.h"
#include "app/time_log_writer.h"
#include "platform/program_info.h"

namespace app {

TStayline::TStayline(StaylineEnvironment env)
    : env_(std::move(env)),
      form_(std::make_unique<MainForm>(*env_.Loop)),
      wallBase_(std::chrono::system_clock::now()),
      loopBase_(env_.Loop->NowMs()) {
  life_ = std::make_unique<LifeCycle>(*this);
  timeLog_ = std::make_unique<TimeLogWriter>(*this);
  online_ = std::make_unique<OnlineTime>(*this);
  env_.Application->OpenForm(*form_);
}

TStayline::~TStayline() { env_.Application->CloseForm(*form_); }

bool TStayline::German() const { return env_.Store->Data().Language == "1"; }

std::string TStayline::BaseCaption() const {
  return " Stayline " + platform::ProgramInfo::VersionText();
}

std::string TStayline::ProgramDirFile(std::string_view name) const {
  std::string path = ProgramDir();
  if (!path.empty() && path.back() != '/') path += '/';
  return path.append(name);
}

std::chrono::system_clock::time_point TStayline::WallNow() const {
  return wallBase_ + std::chrono::milliseconds(env_.Loop->NowMs() - loopBase_);
}

}  // namespace app
