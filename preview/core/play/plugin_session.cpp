#include "plugin_session.h"

#include <dlfcn.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace rollwick_preview {

namespace {

// Script functions receive their arguments as pointer-sized integers, the way
// a 64-bit engine passes them. Each is called with exactly the arguments its
// header declares and, for void, no result: WebAssembly checks a call's
// signature, which native code does not.
template <typename Result, size_t... I>
Result call_with(void *address, const intptr_t *a, std::index_sequence<I...>) {
  using Function = Result (*)(decltype(I, intptr_t{})...);
  return reinterpret_cast<Function>(address)(a[I]...);
}

template <size_t N>
intptr_t call_n(void *address, const intptr_t *a, bool returns_void) {
  if (returns_void) {
    call_with<void>(address, a, std::make_index_sequence<N>{});
    return 0;
  }
  return call_with<intptr_t>(address, a, std::make_index_sequence<N>{});
}

intptr_t invoke(void *address, const intptr_t *a, size_t count, bool returns_void) {
  switch (count) {
    case 0: return call_n<0>(address, a, returns_void);
    case 1: return call_n<1>(address, a, returns_void);
    case 2: return call_n<2>(address, a, returns_void);
    case 3: return call_n<3>(address, a, returns_void);
    case 4: return call_n<4>(address, a, returns_void);
    case 5: return call_n<5>(address, a, returns_void);
    case 6: return call_n<6>(address, a, returns_void);
    case 7: return call_n<7>(address, a, returns_void);
    default: return call_n<8>(address, a, returns_void);
  }
}

class RecordingHeaderEditor : public IAGSEditor {
 public:
  RecordingHeaderEditor() {
    version = 1;
    pluginId = 0;
  }
  std::string header;
  HWND ROLLWICK_HOSTCALL GetEditorHandle() override { return nullptr; }
  HWND ROLLWICK_HOSTCALL GetWindowHandle() override { return nullptr; }
  void ROLLWICK_HOSTCALL RegisterScriptHeader(const char *text) override { header = text != nullptr ? text : ""; }
  void ROLLWICK_HOSTCALL UnregisterScriptHeader(const char *) override {}
};

template <typename Function>
Function symbol(void *library, const char *name) {
  return reinterpret_cast<Function>(dlsym(library, name));
}

}  // namespace

void PreviewEngine::AbortGame(const char *reason) {
  RenderingEngine::AbortGame(reason);
  aborted = true;
  abort_text = reason != nullptr ? reason : "";
}

void PreviewEngine::RegisterScriptFunction(const char *name, void *address) {
  RenderingEngine::RegisterScriptFunction(name, address);
  script_functions[name] = address;
}

PluginSession::~PluginSession() {
  // The library stays loaded: the engine keeps it until the process ends.
}

bool PluginSession::load(const std::string &path, PreviewEngine &engine, std::string &error) {
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) {
    error = std::string("cannot load the plug-in: ") + dlerror();
    return false;
  }
  const char *const names[] = {"AGS_PluginV2",       "AGS_GetPluginName",  "AGS_EditorStartup",
                               "AGS_EditorShutdown", "AGS_EditorProperties", "AGS_EditorSaveGame",
                               "AGS_EditorLoadGame", "AGS_EngineStartup",  "AGS_EngineOnEvent"};
  for (const char *name : names) {
    if (dlsym(library_, name) == nullptr) {
      error = path + " lacks the entry point " + name;
      return false;
    }
  }
  PluginEntryPoints plugin;
  plugin.plugin_v2 = symbol<int (*)()>(library_, "AGS_PluginV2");
  plugin.editor_startup = symbol<int (*)(IAGSEditor *)>(library_, "AGS_EditorStartup");
  plugin.editor_shutdown = symbol<void (*)()>(library_, "AGS_EditorShutdown");
  plugin.engine_startup = symbol<void (*)(IAGSEngine *)>(library_, "AGS_EngineStartup");
  plugin.engine_on_event = symbol<int (*)(int, int)>(library_, "AGS_EngineOnEvent");
  if (!start(plugin, engine, error)) {
    if (error.rfind("does not speak", 0) == 0) error = path + " " + error;
    return false;
  }
  return true;
}

bool PluginSession::start(const PluginEntryPoints &plugin, PreviewEngine &engine, std::string &error) {
  if (plugin.plugin_v2() != 1) {
    error = "does not speak the plug-in protocol version 2";
    return false;
  }
  RecordingHeaderEditor editor;
  if (plugin.editor_startup(&editor) != 0) {
    error = "the plug-in's editor start-up failed";
    return false;
  }
  plugin.editor_shutdown();
  functions_ = parse_script_header(editor.header);

  engine_ = &engine;
  plugin.engine_startup(&engine);
  if (engine.aborted) {
    error = "the plug-in ended the game at start-up: " + engine.abort_text;
    return false;
  }
  for (const auto &function : functions_) {
    if (engine.script_functions.count(function.first) == 0) {
      error = "the plug-in declares " + function.first + " but did not register it";
      return false;
    }
  }
  on_event_ = plugin.engine_on_event;
  return true;
}

bool PluginSession::load_fresh(const std::string &path, PreviewEngine &engine, std::string &error) {
  const char *folder = std::getenv("TMPDIR");
  std::string copy = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/rollwick-plugin-XXXXXX";
  const int out = mkstemp(&copy[0]);
  if (out < 0) {
    error = "cannot copy the plug-in into " + copy.substr(0, copy.rfind('/')) + ": " + std::strerror(errno);
    return false;
  }
  const int in = open(path.c_str(), O_RDONLY);
  bool copied = in >= 0;
  char block[65536];
  for (ssize_t got = 0; copied && (got = read(in, block, sizeof block)) != 0;) {
    copied = got > 0 && write(out, block, static_cast<size_t>(got)) == got;
  }
  if (in >= 0) close(in);
  copied = close(out) == 0 && copied;
  if (!copied) {
    unlink(copy.c_str());
    error = "cannot load the plug-in: cannot read " + path;
    return false;
  }
  const bool loaded = load(copy, engine, error);
  unlink(copy.c_str());  // the loaded library stays mapped
  return loaded;
}

int32_t PluginSession::call(const Call &call) {
  const intptr_t result = call_raw(call, {});
  return functions_.at(call.name).result == "int" ? static_cast<int32_t>(result & 0xFFFFFFFF) : 0;
}

intptr_t PluginSession::call_raw(const Call &call, const std::vector<char *> &buffers) {
  intptr_t arguments[8] = {};
  for (size_t i = 0; i < call.arguments.size() && i < 8; ++i) {
    const Value &value = call.arguments[i];
    if (value.type == ValueType::text) {
      char *buffer = i < buffers.size() ? buffers[i] : nullptr;
      if (buffer == nullptr) {
        old_style_copy(text_buffer_, value.text);
        buffer = text_buffer_;
      }
      arguments[i] = reinterpret_cast<intptr_t>(buffer);
    } else {
      arguments[i] = static_cast<intptr_t>(value.number);
    }
  }
  const FunctionSignature &signature = functions_.at(call.name);
  return invoke(engine_->script_functions.at(call.name), arguments, signature.parameters.size(),
                signature.result == "void");
}

void PluginSession::screen_drawn() { on_event_(AGSE_POSTSCREENDRAW, 0); }

std::string default_plugin_path() {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return "libagsRollwick2.so";
  self[length] = '\0';
  std::string directory(self);
  directory = directory.substr(0, directory.rfind('/'));
  return directory + "/libagsRollwick2.so";
}

}  // namespace rollwick_preview
