#pragma once
// The core event loop running inside Qt's: the core's timers, posted tasks (also from other
// threads, through the wake-up descriptor) and descriptor watches become a Qt timer and socket
// notifiers, so the program's logic runs unchanged under a QApplication. Run and Quit are Qt's
// exec and exit; a ProcessMessages inside a handler (a long wait) also handles Qt's pending
// events, so the windows keep painting and answering. Program time is the monotonic clock.
// Qt's GUI thread only (PostFromAnyThread excepted).

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>
#include <utility>

#include "core/event_loop.h"

class QSocketNotifier;

namespace gui {

class QtEventLoop final : public QObject, public core::EventLoop {
 public:
  // Needs a QCoreApplication (or QApplication) that outlives the loop.
  QtEventLoop();
  ~QtEventLoop() override;

  [[nodiscard]] std::int64_t NowMs() const override;
  int Run() override;
  void Quit(int code = 0) override;

 protected:
  void Idle() override;
  bool PumpExternal() override;
  void ScheduleChanged() override;

 private:
  // One core pass started by Qt (a due timer, a ready descriptor, the wake-up, a posted task).
  void Pass();
  // Brings the notifiers and the timer in line with the core's watches and next due timer.
  void Sync();
  void SyncNotifiers();
  void ArmTimer();

  QTimer due_;   // the next core timer
  QTimer soon_;  // a pass for posted tasks and new timers
  std::unique_ptr<QSocketNotifier> wake_;
  // (fd, kIoRead or kIoWrite) -> notifier
  std::map<std::pair<int, unsigned>, std::unique_ptr<QSocketNotifier>> notifiers_;
  bool skipPump_ = false;  // the pass Qt started pumps no Qt events itself
  bool pumping_ = false;
  bool inExec_ = false;
};

}  // namespace gui
