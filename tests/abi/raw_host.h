// A host built from bare tables of function pointers in the slot order the
// real engine and editor use, written independently of the plug-in's own
// declarations. A plug-in that declares a slot wrongly calls the wrong entry
// here, which records it as a failure.
//
// Each entry is a free function whose first parameter is the object, which is
// how the host's member calls arrive (__stdcall on Windows, the default
// convention elsewhere).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#if defined(_WIN32)
#define RAW_HOSTCALL __stdcall
#else
#define RAW_HOSTCALL
#endif

namespace raw_host {

// Slot numbers as the Windows host lays them out; elsewhere the three
// Windows-only slots (3 to 5) are absent and every later slot is 3 lower.
constexpr int engine_slot(int windows_slot) {
#if defined(_WIN32)
  return windows_slot;
#else
  return windows_slot >= 6 ? windows_slot - 3 : windows_slot;
#endif
}
constexpr int ENGINE_SLOTS = engine_slot(61) + 1;
constexpr int EDITOR_SLOTS = 4;

struct RawObject {
  void **vtable;
  int32_t version;
  int32_t pluginId;
};

struct Event {
  std::string method;
  std::string text;
  std::vector<long long> args;
};

struct Log {
  std::vector<Event> events;
  std::set<std::string> missing_functions;
  std::vector<std::pair<std::string, void *>> registered;  // script functions, in order
  std::vector<int> sounds;

  std::vector<Event> of(const std::string &method) const {
    std::vector<Event> found;
    for (const Event &event : events) {
      if (event.method == method) found.push_back(event);
    }
    return found;
  }
  void *function(const std::string &name) const {
    for (const auto &entry : registered) {
      if (entry.first == name) return entry.second;
    }
    return nullptr;
  }
};

inline Log &log() {
  static Log instance;
  return instance;
}

inline void add(const char *method, const char *text, std::vector<long long> args = {}) {
  log().events.push_back({method, text != nullptr ? text : "", std::move(args)});
}

// The engine's PlaySound: a plain C function taking the sound number.
extern "C" inline void raw_play_sound(int sound) {
  log().sounds.push_back(sound);
  add("PlaySound", "", {sound});
}

inline char *stand_in_address() {
  static char stand_in;
  return &stand_in;
}

// Engine slots the plug-in uses.
inline void RAW_HOSTCALL AbortGame(RawObject *, const char *reason) { add("AbortGame", reason); }
inline void RAW_HOSTCALL RegisterScriptFunction(RawObject *, const char *name, void *address) {
  add("RegisterScriptFunction", name);
  log().registered.emplace_back(name, address);
}
inline void RAW_HOSTCALL RequestEventHook(RawObject *, int32_t event) { add("RequestEventHook", "", {event}); }
inline void RAW_HOSTCALL DrawText(RawObject *, int32_t x, int32_t y, int32_t font, int32_t colour, char *text) {
  add("DrawText", text, {x, y, font, colour});
}
inline void RAW_HOSTCALL GetScreenDimensions(RawObject *, int32_t *width, int32_t *height, int32_t *depth) {
  add("GetScreenDimensions", "");
  if (width != nullptr) *width = 320;
  if (height != nullptr) *height = 200;
  if (depth != nullptr) *depth = 32;
}
inline void RAW_HOSTCALL GetBitmapDimensions(RawObject *, void *bitmap, int32_t *width, int32_t *height,
                                             int32_t *depth) {
  add("GetBitmapDimensions", "", {static_cast<long long>(reinterpret_cast<intptr_t>(bitmap))});
  if (width != nullptr) *width = 20;
  if (height != nullptr) *height = 30;
  if (depth != nullptr) *depth = 32;
}
inline void RAW_HOSTCALL BlitBitmap(RawObject *, int32_t x, int32_t y, void *bitmap, int32_t masked) {
  add("BlitBitmap", "", {x, y, static_cast<long long>(reinterpret_cast<intptr_t>(bitmap)), masked});
}
inline void *RAW_HOSTCALL GetSpriteGraphic(RawObject *, int32_t slot) {
  add("GetSpriteGraphic", "", {slot});
  return reinterpret_cast<void *>(static_cast<intptr_t>(0x1000 + slot));
}
inline void *RAW_HOSTCALL GetScriptFunctionAddress(RawObject *, const char *name) {
  add("GetScriptFunctionAddress", name);
  if (log().missing_functions.count(name) != 0) return nullptr;
  if (std::strcmp(name, "PlaySound") == 0) return reinterpret_cast<void *>(&raw_play_sound);
  return stand_in_address();
}
inline int RAW_HOSTCALL GetSpriteWidth(RawObject *, int32_t slot) {
  add("GetSpriteWidth", "", {slot});
  return 20;
}
inline int RAW_HOSTCALL GetSpriteHeight(RawObject *, int32_t slot) {
  add("GetSpriteHeight", "", {slot});
  return 30;
}
inline void RAW_HOSTCALL GetTextExtent(RawObject *, int32_t font, const char *text, int32_t *width,
                                       int32_t *height) {
  add("GetTextExtent", text, {font});
  if (width != nullptr) *width = static_cast<int32_t>(6 * std::strlen(text));
  if (height != nullptr) *height = 10;
}
inline void RAW_HOSTCALL PrintDebugConsole(RawObject *, const char *text) { add("PrintDebugConsole", text); }

// Editor slots.
inline void *RAW_HOSTCALL GetEditorHandle(RawObject *) {
  add("GetEditorHandle", "");
  return nullptr;
}
inline void *RAW_HOSTCALL EditorWindowHandle(RawObject *) {
  add("GetWindowHandle", "");
  return nullptr;
}
inline void RAW_HOSTCALL RegisterScriptHeader(RawObject *, const char *header) {
  add("RegisterScriptHeader", header, {static_cast<long long>(reinterpret_cast<intptr_t>(header))});
}
inline void RAW_HOSTCALL UnregisterScriptHeader(RawObject *, const char *header) {
  add("UnregisterScriptHeader", header, {static_cast<long long>(reinterpret_cast<intptr_t>(header))});
}

// Any other slot: the plug-in has no business calling it. Its arguments are
// unknown, so it cannot return safely under a callee-pops convention; it ends
// the run with a failing summary line.
template <int Slot>
void RAW_HOSTCALL unexpected_slot(RawObject *) {
  std::printf("FAIL: the plug-in called engine slot %d, which it never uses\n0 passed, 1 failed\n", Slot);
  std::fflush(stdout);
  std::_Exit(1);
}

template <int... Slots>
void fill_unexpected(void **table, std::integer_sequence<int, Slots...>) {
  ((table[Slots] = reinterpret_cast<void *>(&unexpected_slot<Slots>)), ...);
}

template <typename Function>
void *entry(Function *function) {
  return reinterpret_cast<void *>(function);
}

// The engine object lives on, as the host's does: the plug-in keeps its pointer.
inline RawObject &make_engine(int32_t version) {
  static void *table[ENGINE_SLOTS];
  static RawObject engine;
  fill_unexpected(table, std::make_integer_sequence<int, ENGINE_SLOTS>{});
  table[engine_slot(0)] = entry(&AbortGame);
  table[engine_slot(2)] = entry(&RegisterScriptFunction);
  table[engine_slot(7)] = entry(&RequestEventHook);
  table[engine_slot(10)] = entry(&DrawText);
  table[engine_slot(11)] = entry(&GetScreenDimensions);
  table[engine_slot(19)] = entry(&GetBitmapDimensions);
  table[engine_slot(25)] = entry(&BlitBitmap);
  table[engine_slot(37)] = entry(&GetSpriteGraphic);
  table[engine_slot(43)] = entry(&GetScriptFunctionAddress);
  table[engine_slot(48)] = entry(&GetSpriteWidth);
  table[engine_slot(49)] = entry(&GetSpriteHeight);
  table[engine_slot(50)] = entry(&GetTextExtent);
  table[engine_slot(51)] = entry(&PrintDebugConsole);
  engine = RawObject{table, version, 0};
  return engine;
}

inline RawObject &make_editor(int32_t version) {
  static void *table[EDITOR_SLOTS] = {entry(&GetEditorHandle), entry(&EditorWindowHandle),
                                      entry(&RegisterScriptHeader), entry(&UnregisterScriptHeader)};
  static RawObject editor;
  editor = RawObject{table, version, 0};
  return editor;
}

}  // namespace raw_host
