// The lock states on X11: the XKB named indicators "Caps Lock", "Num Lock", "Scroll Lock"
// and "Kana" asked of the server through Qt's own xcb connection, one round trip each.

#include "app/LockStates.h"

#include <QGuiApplication>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#if defined(QN_HAVE_XCB_XKB) && QT_CONFIG(xcb)
#define QN_READ_XKB 1
#include <xcb/xcb.h>
// xkb.h names a struct member "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#endif

namespace {

#if defined(QN_READ_XKB)

class X11LockStates {
 public:
  explicit X11LockStates(xcb_connection_t* connection) : connection_(connection) {
    xcb_xkb_use_extension_reply_t* use = xcb_xkb_use_extension_reply(
        connection_,
        xcb_xkb_use_extension(connection_, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr);
    usable_ = use != nullptr && use->supported;
    std::free(use);
    const std::array<const char*, 4> names{"Kana", "Caps Lock", "Num Lock", "Scroll Lock"};
    for (std::size_t i = 0; i < names.size(); ++i) atoms_[i] = internAtom(names[i]);
  }

  LockStates read() const {
    LockStates states;
    if (!usable_) return states;
    states.kana = indicator(atoms_[0]);
    states.caps = indicator(atoms_[1]);
    states.num = indicator(atoms_[2]);
    states.scroll = indicator(atoms_[3]);
    return states;
  }

 private:
  xcb_atom_t internAtom(const char* name) const {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
  }

  std::optional<bool> indicator(xcb_atom_t atom) const {
    if (atom == xcb_atom_t{XCB_ATOM_NONE}) return std::nullopt;
    xcb_xkb_get_named_indicator_reply_t* reply = xcb_xkb_get_named_indicator_reply(
        connection_,
        xcb_xkb_get_named_indicator(connection_, XCB_XKB_ID_USE_CORE_KBD,
                                    XCB_XKB_LED_CLASS_DFLT_XI_CLASS, XCB_XKB_ID_DFLT_XI_ID, atom),
        nullptr);
    std::optional<bool> on;
    if (reply != nullptr && reply->found) on = reply->on != 0;
    std::free(reply);
    return on;
  }

  xcb_connection_t* connection_;
  bool usable_ = false;
  std::array<xcb_atom_t, 4> atoms_{};
};

#endif

}  // namespace

LockStateReader systemLockStateReader() {
#if defined(QN_READ_XKB)
  if (auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                     : nullptr) {
    if (xcb_connection_t* connection = x11->connection()) {
      auto reader = std::make_shared<X11LockStates>(connection);
      return [reader] { return reader->read(); };
    }
  }
#endif
  return [] { return LockStates{}; };
}
