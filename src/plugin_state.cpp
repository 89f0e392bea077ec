#include "plugin_state.h"

#include <cstdarg>
#include <cstdio>

#include "credit_store.h"
#include "engine_functions.h"
#include "playback_state.h"

HostLinks host_links;

void reset_plugin_state() {
  credit_store = CreditStore{};
  playback = PlaybackState{};
  engine_functions = EngineFunctions{};
  host_links = HostLinks{};
}

void debug_console_printf(const char *format, ...) {
  if (host_links.engine_interface == nullptr) return;
  char line[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  engine().PrintDebugConsole(line);
}
