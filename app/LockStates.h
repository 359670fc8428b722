#pragma once
// LockStates: the keyboard's lock states as the status bar's indicators show them ("カナ",
// "CAP", "NUM", "SCRL"). Read from the X server's keyboard extension when the program runs
// on X11; on any other platform, or when the server does not tell, a state is unknown and
// its indicator stays grey. It only reads; the main frame decides when to ask.

#include <functional>
#include <optional>

struct LockStates {
  // nullopt: the platform gives no way to read this lock (no such indicator, not X11).
  std::optional<bool> kana;
  std::optional<bool> caps;
  std::optional<bool> num;
  std::optional<bool> scroll;
};

using LockStateReader = std::function<LockStates()>;

// A reader of the running platform's lock states: the X11 keyboard extension through the
// connection the application already has, or one that knows nothing.
LockStateReader systemLockStateReader();
