// The 32-bit DLL as the Windows host loads it: LoadLibraryA, the nine names
// through GetProcAddress, and a raw __stdcall engine and editor. Runs under
// wine; the last line it prints is "N passed, M failed".
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

#include "plugin_abi_checks.h"

namespace {

template <typename Function>
Function as(FARPROC address) {
  return reinterpret_cast<Function>(reinterpret_cast<void *>(address));
}

}  // namespace

int main() {
  raw_host::Checks checks;
  HMODULE library = LoadLibraryA("agsRollwick2.dll");
  checks.check(library != nullptr, "LoadLibraryA finds agsRollwick2.dll");
  if (library == nullptr) {
    std::printf("%d passed, %d failed\n", checks.passed, checks.failed);
    return 1;
  }
  FARPROC resolved[9] = {};
  bool all_resolved = true;
  for (int i = 0; i < 9; ++i) {
    resolved[i] = GetProcAddress(library, raw_host::export_names[i]);
    checks.check(resolved[i] != nullptr, std::string("GetProcAddress finds ") + raw_host::export_names[i]);
    all_resolved &= resolved[i] != nullptr;
  }
  if (all_resolved) {
    raw_host::PluginExports plugin;
    plugin.PluginV2 = as<decltype(plugin.PluginV2)>(resolved[0]);
    plugin.GetPluginName = as<decltype(plugin.GetPluginName)>(resolved[1]);
    plugin.EditorStartup = as<decltype(plugin.EditorStartup)>(resolved[2]);
    plugin.EditorShutdown = as<decltype(plugin.EditorShutdown)>(resolved[3]);
    plugin.EditorProperties = as<decltype(plugin.EditorProperties)>(resolved[4]);
    plugin.EditorSaveGame = as<decltype(plugin.EditorSaveGame)>(resolved[5]);
    plugin.EditorLoadGame = as<decltype(plugin.EditorLoadGame)>(resolved[6]);
    plugin.EngineStartup = as<decltype(plugin.EngineStartup)>(resolved[7]);
    plugin.EngineOnEvent = as<decltype(plugin.EngineOnEvent)>(resolved[8]);
    raw_host::run_abi_checks(plugin, checks);
  }
  FreeLibrary(library);
  std::printf("%d passed, %d failed\n", checks.passed, checks.failed);
  return checks.failed == 0 ? 0 : 1;
}
