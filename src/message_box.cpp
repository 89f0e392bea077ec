#include "message_box.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <cstdio>
#endif

void show_message_box(void *owner, const char *text, const char *caption, MessageBoxKind kind) {
#if defined(_WIN32)
  const UINT style = kind == MessageBoxKind::error ? (MB_TASKMODAL | MB_ICONERROR) : MB_ICONINFORMATION;
  MessageBoxA(static_cast<HWND>(owner), text, caption, style);
#else
  (void)owner;
  (void)kind;
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
#endif
}
