#pragma once
// CancelSignal: Ctrl-C as qn-render's cancel button. A SIGINT handler latches a press
// until the program takes it at its next cancel poll, as the progress window's cancel
// button does. A second Ctrl-C while the first is still waiting ends the program at once
// (the default action), for a stage that polls nowhere, such as the depth sort.

#include <signal.h>

class CancelSignal {
 public:
  // Installs the handler; the previous one is restored on destruction. One at a time.
  CancelSignal();
  ~CancelSignal();
  CancelSignal(const CancelSignal&) = delete;
  CancelSignal& operator=(const CancelSignal&) = delete;

  // True once for each press since the last call; never waits.
  bool take();

 private:
  struct sigaction previous_ {};
};
