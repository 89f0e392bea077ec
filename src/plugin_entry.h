// The nine entry points the host resolves by name, with what each promises.
// They are the only symbols the library exports.
#pragma once

#include "host_interface.h"
#include "plugin_export.h"

// Always 1: the plug-in speaks the second version of the entry-point protocol.
ROLLWICK_EXPORT int AGS_PluginV2();
// The plug-in's name; constant, never freed.
ROLLWICK_EXPORT const char *AGS_GetPluginName();
// Keeps `editor`, checks its version (1 or later) and registers the script
// header. 0 when started; -1 for a null editor (silently) or after showing an
// error box.
ROLLWICK_EXPORT int AGS_EditorStartup(IAGSEditor *editor);
// Unregisters the header and forgets the editor; nothing without a start-up.
ROLLWICK_EXPORT void AGS_EditorShutdown();
// Shows the about box, owned by `parent`.
ROLLWICK_EXPORT void AGS_EditorProperties(HWND parent);
// Writes nothing into the editor's game data; always 0.
ROLLWICK_EXPORT int AGS_EditorSaveGame(char *buffer, int size);
// Ignores the editor's game data.
ROLLWICK_EXPORT void AGS_EditorLoadGame(char *buffer, int size);
// Keeps `engine`, checks its version (12 or later), looks up the engine's
// script functions, requests the post-screen-draw event and registers the 16
// script functions; on any failure ends the game through AbortGame instead.
ROLLWICK_EXPORT void AGS_EngineStartup(IAGSEngine *engine);
// Runs one frame of the credits when `event` has the post-screen-draw bit.
// Always 0: the plug-in never claims an event.
ROLLWICK_EXPORT int AGS_EngineOnEvent(int event, int data);
