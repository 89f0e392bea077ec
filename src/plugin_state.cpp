#include "plugin_state.h"

#include <cstdarg>
#include <cstdio>

HostLinks host_links;

void debug_console_printf(const char *format, ...) {
  if (host_links.engine_interface == nullptr) return;
  char line[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  engine().PrintDebugConsole(line);
}
