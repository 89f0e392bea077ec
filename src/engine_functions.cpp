#include "engine_functions.h"

#include "plugin_state.h"

const char *const engine_function_names[ENGINE_FUNCTION_COUNT] = {
    // characters
    "AnimateCharacter", "AnimateCharacterEx", "AreCharactersColliding", "AreCharObjColliding",
    "ChangeCharacterView", "FaceCharacter", "FaceLocation", "FollowCharacter", "FollowCharacterEx",
    "GetCharacterAt", "GetPlayerCharacter", "MoveCharacter", "MoveCharacterBlocking", "MoveCharacterDirect",
    "MoveCharacterPath", "MoveCharacterStraight", "MoveCharacterToHotspot", "MoveCharacterToObject",
    "ReleaseCharacterView", "RunCharacterInteraction", "SetCharacterBaseline", "SetCharacterClickable",
    "SetCharacterIdle", "SetCharacterIgnoreLight", "SetCharacterIgnoreWalkbehinds", "SetCharacterProperty",
    "SetCharacterSpeechView", "SetCharacterSpeed", "SetCharacterTransparency", "SetCharacterView",
    "SetCharacterViewEx", "SetPlayerCharacter", "SetTalkingColor", "StopMoving",
    // hotspots
    "DisableHotspot", "EnableHotspot", "GetHotspotAt", "GetHotspotPointX", "GetHotspotPointY",
    "RunHotspotInteraction",
    // inventory
    "AddInventory", "GetInvAt", "GetInvName", "InventoryScreen", "IsInventoryInteractionAvailable",
    "LoseInventory", "RunInventoryInteraction", "SetActiveInventory", "SetInvDimensions", "SetInvItemPic",
    "UpdateInventory",
    // sound, music and video
    "CDAudio", "GetCurrentMusic", "GetMIDIPosition", "GetMP3PosMillis", "IsChannelPlaying", "IsMusicPlaying",
    "IsMusicVoxAvailable", "IsSoundPlaying", "IsVoxAvailable", "PlayAmbientSound", "PlayFlic", "PlayMP3File",
    "PlayMusic", "PlaySilentMIDI", "PlaySound", "PlaySoundEx", "PlayVideo", "SeekMIDIPosition",
    "SeekMODPattern", "SeekMP3PosMillis", "SetChannelVolume", "SetDigitalMasterVolume", "SetFrameSound",
    "SetMusicMasterVolume", "SetMusicRepeat", "SetMusicVolume", "SetSoundVolume", "SetSpeechVolume",
    "SetVoiceMode", "StopAmbientSound", "StopChannel", "StopMusic",
    // regions
    "DisableRegion", "EnableRegion", "GetRegionAt", "RunRegionInteraction", "SetAreaLightLevel",
    // screen, viewport, room and raw drawing
    "FadeIn", "FadeOut", "FlipScreen", "GetBackgroundFrame", "GetViewportX", "GetViewportY",
    "GetWalkableAreaAt", "MoveToWalkableArea", "NewRoom", "NewRoomEx", "RawClearScreen", "RawDrawCircle",
    "RawDrawImage", "RawDrawLine", "RawDrawTriangle", "RawPrint", "RawPrintMessageWrapped", "RawRestoreScreen",
    "RawSaveScreen", "RawSetColor", "ReleaseViewport", "RemoveWalkableArea", "ResetRoom", "RestoreWalkableArea",
    "SetBackgroundFrame", "SetScreenTransition", "SetViewport", "SetWalkBehindBase", "ShakeScreen",
    "ShakeScreenBackground", "TintScreen"};

EngineFunctions engine_functions;

namespace {

struct LookupState {
  bool success = true;
  std::string missing;
};

void lookup_engine_function(const char *name, void *&entry, LookupState &state) {
  entry = engine().GetScriptFunctionAddress(name);
  if (entry == nullptr) {
    state.success = false;
    state.missing += name;
    state.missing += ", ";
  }
}

}  // namespace

void play_engine_sound(int sound) {
  // Start-up only succeeds with PlaySound present, so the entry is set
  // whenever a credit can play; the check keeps a bare test harmless.
  void *address = engine_functions.address[PLAY_SOUND_INDEX];
  if (address != nullptr) reinterpret_cast<PlaySoundFunction>(address)(sound);
}

bool lookup_engine_functions(std::string &message) {
  LookupState state;
  for (int i = 0; i < ENGINE_FUNCTION_COUNT; ++i) {
    lookup_engine_function(engine_function_names[i], engine_functions.address[i], state);
  }
  if (!state.success) {
    state.missing.resize(state.missing.size() - 2);
    message += "Missing functions: ";
    message += state.missing;
  }
  return state.success;
}
