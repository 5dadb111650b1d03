#include "ras/notifier_thread.h"

namespace ras {

NotifierThread::~NotifierThread() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void NotifierThread::Notify(RasDialFunc notifier, RASCONNSTATE state, std::uint32_t error) {
  if (notifier == nullptr) return;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(
        Item{notifier, state, error, std::make_unique<core::EventLoop::ExternalWork>(loop_)});
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_one();
}

void NotifierThread::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    if (stop_) return;
    Item item = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    item.Notifier(WM_RASDIALEVENT, item.State, item.Error);
    item.Work.reset();  // the notifier has posted its answer to the loop by now
    lock.lock();
  }
}

}  // namespace ras
