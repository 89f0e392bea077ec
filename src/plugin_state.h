// The shell's state: the host objects handed to the plug-in at start-up.
//
// `engine_interface` is written on entry to AGS_EngineStartup and kept for
// the life of the process; every engine call goes through it.
// `editor_interface` is written by AGS_EditorStartup and forgotten by
// AGS_EditorShutdown. A test puts both back with `host_links = HostLinks{}`.
#pragma once

#include "host_interface.h"

struct HostLinks {
  IAGSEngine *engine_interface = nullptr;
  IAGSEditor *editor_interface = nullptr;
};

extern HostLinks host_links;

inline IAGSEngine &engine() { return *host_links.engine_interface; }

// Puts every record of the plug-in's state back as a new process has it (the
// credits, what plays, the engine's functions, the host links): what a host
// that starts the plug-in afresh in one process, or a test, calls first.
void reset_plugin_state();

// Writes one formatted line to the engine's debug console; does nothing when
// no engine has started the plug-in. The line is formatted on the stack.
void debug_console_printf(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
