#include "plugin_hooks.h"

#include <string>

#include "engine_functions.h"
#include "frame_tick.h"
#include "message_box.h"
#include "plugin_state.h"

const char plugin_name[] = "agsRollwick 2.0 (by Vornhal Software: QLM)";
const char plugin_version[] = "2.0.0.28";

bool editor_startup() { return true; }

void editor_properties(HWND parent) {
  const std::string text = std::string("agsRollwick 2.0 - ") + plugin_version;
  show_message_box(parent, text.c_str(), plugin_name, MessageBoxKind::information);
}

int editor_save_game() { return 0; }

void editor_load_game() {}

void editor_shutdown() {}

bool engine_startup(std::string &message) {
  engine_functions.address[PLAY_SOUND_INDEX] = engine().GetScriptFunctionAddress("PlaySound");
  if (engine_functions.address[PLAY_SOUND_INDEX] == nullptr) message = "PlaySound-address not found!";
  if (!lookup_engine_functions(message)) return false;
  engine().RequestEventHook(AGSE_POSTSCREENDRAW);
  return true;
}

int engine_on_event(int32 event) {
  if ((event & AGSE_POSTSCREENDRAW) != 0) frame_tick();
  return 0;
}
