// The nine entry points the host resolves by name.
//
// Error contract: nothing here reports to game scripts. A start-up that cannot
// go on says why once: in an error box (editor) or through AbortGame
// (engine). Errors thrown inside the guarded start-up step are caught and
// reported as "<error class>: <message>".
#include <cstdio>
#include <exception>
#include <string>
#include <typeinfo>

#if __has_include(<cxxabi.h>)
#include <cxxabi.h>
#include <cstdlib>
#define ROLLWICK_HAS_DEMANGLER 1
#endif

#include "host_interface.h"
#include "message_box.h"
#include "plugin_entry.h"
#include "plugin_export.h"
#include "plugin_hooks.h"
#include "plugin_state.h"
#include "script_api.h"

namespace {

std::string version_message(const char *side, int32 needed, int32 found) {
  char text[96];
  std::snprintf(text, sizeof text, "AGS %s Interface v%d needed, found: v%d", side, needed, found);
  return text;
}

// The error's class name as a reader would write it ("std::runtime_error").
std::string class_name(const std::type_info &type) {
#if defined(ROLLWICK_HAS_DEMANGLER)
  int status = 0;
  char *readable = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  if (status == 0 && readable != nullptr) {
    std::string name(readable);
    std::free(readable);
    return name;
  }
#endif
  return type.name();
}

std::string error_report(const std::string &class_text, const char *what) { return class_text + ": " + what; }

// Runs `step`; a thrown error becomes the report in `message` and a failure.
template <typename Step>
bool run_guarded(std::string &message, Step step) {
  try {
    message.clear();
    return step();
  } catch (const std::exception &error) {
    message = error_report(class_name(typeid(error)), error.what());
  } catch (...) {
    message = error_report("unknown error", "not derived from std::exception");
  }
  return false;
}

}  // namespace

ROLLWICK_EXPORT int AGS_PluginV2() { return 1; }

ROLLWICK_EXPORT const char *AGS_GetPluginName() { return plugin_name; }

ROLLWICK_EXPORT int AGS_EditorStartup(IAGSEditor *editor) {
  std::string message;
  host_links.editor_interface = editor;
  if (editor == nullptr) return -1;

  bool started = false;
  if (editor->version < REQUIRED_EDITOR_VERSION) {
    message = version_message("Editor", REQUIRED_EDITOR_VERSION, editor->version);
  } else {
    started = run_guarded(message, [] { return editor_startup(); });
  }
  if (started) {
    editor->RegisterScriptHeader(script_header);
    return 0;
  }
  show_message_box(editor->GetWindowHandle(), message.c_str(), plugin_name, MessageBoxKind::error);
  return -1;
}

ROLLWICK_EXPORT void AGS_EditorShutdown() {
  IAGSEditor *editor = host_links.editor_interface;
  if (editor == nullptr) return;
  editor->UnregisterScriptHeader(script_header);
  editor_shutdown();
  host_links.editor_interface = nullptr;
}

ROLLWICK_EXPORT void AGS_EditorProperties(HWND parent) { editor_properties(parent); }

ROLLWICK_EXPORT int AGS_EditorSaveGame(char * /*buffer*/, int /*size*/) { return editor_save_game(); }

ROLLWICK_EXPORT void AGS_EditorLoadGame(char * /*buffer*/, int /*size*/) { editor_load_game(); }

ROLLWICK_EXPORT void AGS_EngineStartup(IAGSEngine *engine) {
  std::string message;
  host_links.engine_interface = engine;
  if (engine == nullptr) return;

  bool started = false;
  if (engine->version < REQUIRED_ENGINE_VERSION) {
    message = version_message("Engine", REQUIRED_ENGINE_VERSION, engine->version);
  } else {
    started = run_guarded(message, [&message] { return engine_startup(message); });
  }
  if (!started) {
    engine->AbortGame(message.c_str());
    return;
  }
  for (const ScriptFunction &function : script_function_table) {
    engine->RegisterScriptFunction(function.name, function.handler);
  }
}

ROLLWICK_EXPORT int AGS_EngineOnEvent(int event, int /*data*/) { return engine_on_event(event); }
