#pragma once
// The session bus, as the first window text finds it.
//
// The first text a window shows brings up the accessibility bridge, which
// asks for the session bus and waits for the answer. Where the environment
// names no bus and the per-user bus socket is absent, the D-Bus library tries
// to start one with dbus-launch: it forks the whole process and looks for the
// program along the path. Where dbus-launch is nowhere to be found (a session
// over ssh, a bare X server, a container) that attempt cannot succeed, yet it
// costs the start several milliseconds, and every page the process writes
// afterwards takes a fault of its own (the fork shared them all).
namespace SessionBus {

// True when nothing could ever give this process a session bus: busAddress
// (DBUS_SESSION_BUS_ADDRESS) is not set, there is no "bus" in runtimeDir
// (XDG_RUNTIME_DIR, may be null), and no executable dbus-launch lies in
// binDir (where the D-Bus library looks first) or in a folder of searchPath
// (PATH, may be null).
bool autolaunchIsFutile(const char *busAddress, const char *runtimeDir, const char *searchPath, const char *binDir);

// Where autolaunchIsFutile() holds for this process, names the session bus
// "disabled:", an address the library refuses at once: the answer (no bus)
// is the one the attempt would have given, without the fork. Child processes
// inherit the setting, and for them it holds as well. Call it before the
// process starts its first thread: it changes the environment.
void avoidFutileAutolaunch();

} // namespace SessionBus
