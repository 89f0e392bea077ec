// The plug-in's own work behind each export. The exports keep the interface
// pointers, check versions and report failures; these do the rest.
#pragma once

#include <string>

#include "host_interface.h"

extern const char plugin_name[];
extern const char plugin_version[];

bool editor_startup();
void editor_properties(HWND parent);
int editor_save_game();
void editor_load_game();
void editor_shutdown();

// Looks up PlaySound and the engine's other script functions and requests the
// post-screen-draw event. Returns false, with `message` saying why, when the
// engine lacks any of them.
bool engine_startup(std::string &message);

// Runs one frame tick when `event` has the post-screen-draw bit.
int engine_on_event(int32 event);
