#include "gui/qt_event_loop.h"

#include <time.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <limits>

namespace gui {

QtEventLoop::QtEventLoop() {
  due_.setSingleShot(true);
  due_.setTimerType(Qt::PreciseTimer);
  soon_.setSingleShot(true);
  soon_.setInterval(0);
  QObject::connect(&due_, &QTimer::timeout, this, [this] { Pass(); });
  QObject::connect(&soon_, &QTimer::timeout, this, [this] { Pass(); });
  // Other threads write the wake-up descriptor; its notifier brings their tasks in.
  wake_ = std::make_unique<QSocketNotifier>(WakeFd(), QSocketNotifier::Read);
  QObject::connect(wake_.get(), &QSocketNotifier::activated, this, [this] { Pass(); });
}

QtEventLoop::~QtEventLoop() = default;

std::int64_t QtEventLoop::NowMs() const {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

int QtEventLoop::Run() {
  // A quit asked for during start-up ends the run before it begins.
  if (QuitRequested()) return ConsumeQuit();
  Sync();
  soon_.start();
  inExec_ = true;
  const int code = QCoreApplication::exec();
  inExec_ = false;
  // Qt may end on its own (the last window closed): its code counts then.
  return QuitRequested() ? ConsumeQuit() : code;
}

void QtEventLoop::Quit(int code) {
  EventLoop::Quit(code);
  if (inExec_) QCoreApplication::exit(code);
}

void QtEventLoop::Pass() {
  skipPump_ = true;  // Qt is dispatching already; only nested waits pump it
  ProcessMessages();
  skipPump_ = false;
  Sync();
}

bool QtEventLoop::PumpExternal() {
  if (skipPump_) {
    skipPump_ = false;
    return false;
  }
  if (pumping_) return false;
  pumping_ = true;
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  pumping_ = false;
  return false;  // Qt's events say nothing about the core having work
}

void QtEventLoop::Idle() {
  // Wait inside Qt until something arrives: a window event, a due timer, a descriptor, a post.
  Sync();
  if (QuitRequested()) return;
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtEventLoop::ScheduleChanged() {
  SyncNotifiers();
  // The pass runs the posted tasks and re-arms the timer for the new earliest one.
  if (!soon_.isActive()) soon_.start();
}

void QtEventLoop::Sync() {
  SyncNotifiers();
  ArmTimer();
}

void QtEventLoop::SyncNotifiers() {
  std::map<std::pair<int, unsigned>, bool> wanted;
  for (const auto& w : WatchedFds()) {
    if (w.events & core::kIoRead) wanted[{w.fd, core::kIoRead}] = true;
    if (w.events & core::kIoWrite) wanted[{w.fd, core::kIoWrite}] = true;
  }
  for (auto it = notifiers_.begin(); it != notifiers_.end();) {
    if (wanted.count(it->first)) {
      ++it;
      continue;
    }
    // It may be the notifier whose signal runs right now: Qt deletes it once that returns.
    it->second->setEnabled(false);
    it->second.release()->deleteLater();
    it = notifiers_.erase(it);
  }
  for (const auto& [key, unused] : wanted) {
    if (notifiers_.count(key)) continue;
    const auto type = key.second == core::kIoRead ? QSocketNotifier::Read : QSocketNotifier::Write;
    auto n = std::make_unique<QSocketNotifier>(key.first, type);
    QObject::connect(n.get(), &QSocketNotifier::activated, this, [this] { Pass(); });
    notifiers_.emplace(key, std::move(n));
  }
}

void QtEventLoop::ArmTimer() {
  const std::int64_t due = NextTimerDue();
  if (due < 0) {
    due_.stop();
    return;
  }
  std::int64_t wait = due - NowMs();
  if (wait < 0) wait = 0;
  if (wait > std::numeric_limits<int>::max()) wait = std::numeric_limits<int>::max();
  due_.start(static_cast<int>(wait));
}

}  // namespace gui
