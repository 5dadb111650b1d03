#pragma once
// The backend thread that calls dial notifiers, as the platform does: one notification at a time,
// in the order they were queued, never on the user-interface thread (the dial-up component's
// notifier blocks while its mailbox is full, which would deadlock the loop).
//
// While a notification is queued or being delivered the thread holds an ExternalWork token, so a
// simulated-time loop does not jump its clock past the answer it is about to get.
//
// Threading: Notify from the loop's thread; the destructor drops what was not delivered yet and
// joins (destroy the dial-up component first, so no notifier is left waiting on it).

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "core/event_loop.h"
#include "ras/ras_api.h"

namespace ras {

class NotifierThread {
 public:
  explicit NotifierThread(core::EventLoop& loop) : loop_(loop) {}
  ~NotifierThread();
  NotifierThread(const NotifierThread&) = delete;
  NotifierThread& operator=(const NotifierThread&) = delete;

  void Notify(RasDialFunc notifier, RASCONNSTATE state, std::uint32_t error);

 private:
  struct Item {
    RasDialFunc Notifier;
    RASCONNSTATE State;
    std::uint32_t Error;
    std::unique_ptr<core::EventLoop::ExternalWork> Work;
  };
  void Run();

  core::EventLoop& loop_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Item> queue_;
  bool stop_ = false;
  std::thread thread_;  // started with the first notification
};

}  // namespace ras
