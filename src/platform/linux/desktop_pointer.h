#pragma once

// The pointer settings of the Linux desktops.
//
// GNOME: the GSettings schema org.gnome.desktop.peripherals.mouse, keys "speed" (-1..1),
// "accel-profile" ('flat' is precision off; 'default' and 'adaptive' are on; turning precision
// on from 'flat' writes 'default') and "double-click" (ms). The session watches these keys, so
// every change is Applied. GNOME has no wheel-lines setting. A schema or key that is not
// installed, or has another type, makes that setting unsupported.
//
// KDE Plasma: the user's configuration files in $XDG_CONFIG_HOME (default ~/.config), edited in
// place so that every other group, key and comment stays as it was, and replaced atomically (a
// linked file is replaced where it lies, with its permissions):
//   kdeglobals [KDE] WheelScrollLines (default 3; read within 1..20) and DoubleClickInterval
//     (ms, default 400): Applied once the "mouse settings changed" signal is broadcast on the
//     session bus, AppliesLater when that bus cannot be reached;
//   kcminputrc [Mouse] XLbInptPointerAcceleration (-1..1, default 0) and XLbInptAccelProfileFlat
//     (default false): read by the session only when it starts, so always AppliesLater; absent
//     from Wayland sessions, where the compositor keeps acceleration per device.
// Plasma has no one-screen scrolling. A locked ($i) key or group, a file that is not UTF-8 text
// or cannot be read, and a write that fails give Failed with the file left as it was.
//
// Both backends take double-click times of 100..2000 ms.
//
// Threads: each backend serialises its calls with a mutex of its own.

#include <memory>

#include "shell/pointer_settings.h"

namespace veltra {

// The backend of `desktop`. The KDE backend takes its folder from XDG_CONFIG_HOME and the session
// type from XDG_SESSION_TYPE as they are now; the GNOME backend uses GSettings' default backend
// (GSETTINGS_BACKEND) and installed schemas.
std::unique_ptr<PointerSettings> OpenPointerSettings(PointerDesktop desktop);

}  // namespace veltra
