// The plug-in library driven the way the engine and the editor drive it:
// dlopen, the nine entry points, the script header from editor start-up, and
// script functions called through the addresses engine start-up registered.
#pragma once

#include <map>
#include <string>

#include "credits_script.h"
#include "old_style_string.h"
#include "rendering_host.h"

namespace rollwick_preview {

class PreviewEngine final : public rollwick_host::RenderingEngine {
 public:
  using RenderingEngine::RenderingEngine;
  std::map<std::string, void *> script_functions;  // as registered
  std::string abort_text;
  bool aborted = false;

  void ROLLWICK_HOSTCALL AbortGame(const char *reason) override;
  void ROLLWICK_HOSTCALL RegisterScriptFunction(const char *name, void *address) override;
};

// The entry points the engine calls, as a library exports them.
struct PluginEntryPoints {
  int (*plugin_v2)() = nullptr;
  int (*editor_startup)(IAGSEditor *) = nullptr;
  void (*editor_shutdown)() = nullptr;
  void (*engine_startup)(IAGSEngine *) = nullptr;
  int (*engine_on_event)(int, int) = nullptr;
};

class PluginSession {
 public:
  ~PluginSession();
  // Loads the library and starts it in the editor (for its script header)
  // and in `engine`. False with `error` set when any step fails.
  bool load(const std::string &path, PreviewEngine &engine, std::string &error);
  // The same from a private copy of the library: a fresh plug-in whose
  // tables no earlier session has filled, as a new game start gives.
  bool load_fresh(const std::string &path, PreviewEngine &engine, std::string &error);
  // The same through entry points linked into this program (the page, which
  // cannot load libraries): the caller gives the plug-in its fresh tables.
  bool start(const PluginEntryPoints &plugin, PreviewEngine &engine, std::string &error);

  const std::map<std::string, FunctionSignature> &functions() const { return functions_; }
  // Calls a script function with the call's arguments; the int result, or 0.
  int32_t call(const Call &call);
  // The same, passing each text argument in its buffer from `buffers` (null:
  // copied into the session's own old-style string); the raw result.
  intptr_t call_raw(const Call &call, const std::vector<char *> &buffers);
  // One post-screen-draw event.
  void screen_drawn();

 private:
  void *library_ = nullptr;
  PreviewEngine *engine_ = nullptr;
  int (*on_event_)(int, int) = nullptr;
  std::map<std::string, FunctionSignature> functions_;
  // The one old-style script `string` every text call passes, filled as
  // StrCopy fills it: at most 199 bytes and a terminator.
  char text_buffer_[OLD_STYLE_STRING_SIZE];
};

// The library next to the running program, as the build lays it out.
std::string default_plugin_path();

}  // namespace rollwick_preview
