// The flag lives in static storage because a signal handler can reach nothing else; a
// lock-free atomic is safe to use inside the handler.

#include "cli/CancelSignal.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> cancelPressed{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int) {
  if (cancelPressed.exchange(true)) {
    // Pressed again before anyone polled: the program is stuck in a stage without a
    // cancel point, so end it the ordinary way.
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
  }
}

}  // namespace

CancelSignal::CancelSignal() {
  cancelPressed = false;
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // a press must not make reads or writes fail with EINTR
  sigaction(SIGINT, &action, &previous_);
}

CancelSignal::~CancelSignal() { sigaction(SIGINT, &previous_, nullptr); }

bool CancelSignal::take() {
  // A plain load first: the poll runs once per triangle and is nearly always false.
  return cancelPressed.load(std::memory_order_relaxed) && cancelPressed.exchange(false);
}
