// A host whose methods do nothing but answer: fixed screen, text and sprite
// sizes, every script function present (or those a predicate names missing).
// It measures the plug-in's own cost, and lets fuzzers choose the answers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host_interface.h"

namespace rollwick_host {

class NullEngine : public IAGSEngine {
 public:
  NullEngine() {
    version = 12;
    pluginId = 0;
  }

  int32 screen_width = 320;
  int32 screen_height = 200;
  int32 colour_depth = 32;
  int32 text_width = 60;
  int32 text_height = 10;
  int32 sprite_width = 32;
  int32 sprite_height = 32;
  std::function<bool(const char *name)> is_missing;  // script functions the engine lacks
  int sounds = 0;                                     // PlaySound calls through the handed-out address

  // The PlaySound this engine hands out: a C function that counts.
  static void play_sound(int sound);

  void ROLLWICK_HOSTCALL AbortGame(const char *) override {}
  const char *ROLLWICK_HOSTCALL GetEngineVersion() override { return "3.6.0"; }
  void ROLLWICK_HOSTCALL RegisterScriptFunction(const char *, void *) override {}
#if defined(_WIN32)
  HWND ROLLWICK_HOSTCALL GetWindowHandle() override { return nullptr; }
  void *ROLLWICK_HOSTCALL GetDirectDraw2() override { return nullptr; }
  void *ROLLWICK_HOSTCALL GetBitmapSurface(BITMAP *) override { return nullptr; }
#endif
  BITMAP *ROLLWICK_HOSTCALL GetScreen() override { return nullptr; }
  void ROLLWICK_HOSTCALL RequestEventHook(int32) override {}
  int ROLLWICK_HOSTCALL GetSavedData(char *, int32) override { return 0; }
  BITMAP *ROLLWICK_HOSTCALL GetVirtualScreen() override { return nullptr; }
  void ROLLWICK_HOSTCALL DrawText(int32, int32, int32, int32, char *) override {}
  void ROLLWICK_HOSTCALL GetScreenDimensions(int32 *width, int32 *height, int32 *depth) override {
    if (width != nullptr) *width = screen_width;
    if (height != nullptr) *height = screen_height;
    if (depth != nullptr) *depth = colour_depth;
  }
  unsigned char **ROLLWICK_HOSTCALL GetRawBitmapSurface(BITMAP *) override { return nullptr; }
  void ROLLWICK_HOSTCALL ReleaseBitmapSurface(BITMAP *) override {}
  void ROLLWICK_HOSTCALL GetMousePosition(int32 *, int32 *) override {}
  int ROLLWICK_HOSTCALL GetCurrentRoom() override { return 0; }
  int ROLLWICK_HOSTCALL GetNumBackgrounds() override { return 0; }
  int ROLLWICK_HOSTCALL GetCurrentBackground() override { return 0; }
  BITMAP *ROLLWICK_HOSTCALL GetBackgroundScene(int32) override { return nullptr; }
  void ROLLWICK_HOSTCALL GetBitmapDimensions(BITMAP *, int32 *width, int32 *height, int32 *depth) override {
    if (width != nullptr) *width = sprite_width;
    if (height != nullptr) *height = sprite_height;
    if (depth != nullptr) *depth = colour_depth;
  }
  int ROLLWICK_HOSTCALL FWrite(void *, int32, int32) override { return 0; }
  int ROLLWICK_HOSTCALL FRead(void *, int32, int32) override { return 0; }
  void ROLLWICK_HOSTCALL DrawTextWrapped(int32, int32, int32, int32, int32, const char *) override {}
  void ROLLWICK_HOSTCALL SetVirtualScreen(BITMAP *) override {}
  int ROLLWICK_HOSTCALL LookupParserWord(const char *) override { return 0; }
  void ROLLWICK_HOSTCALL BlitBitmap(int32, int32, BITMAP *, int32) override {}
  void ROLLWICK_HOSTCALL PollSystem() override {}
  int ROLLWICK_HOSTCALL GetNumCharacters() override { return 0; }
  AGSCharacter *ROLLWICK_HOSTCALL GetCharacter(int32) override { return nullptr; }
  AGSGameOptions *ROLLWICK_HOSTCALL GetGameOptions() override { return nullptr; }
  AGSColor *ROLLWICK_HOSTCALL GetPalette() override { return nullptr; }
  void ROLLWICK_HOSTCALL SetPalette(int32, int32, AGSColor *) override {}
  int ROLLWICK_HOSTCALL GetPlayerCharacter() override { return 0; }
  void ROLLWICK_HOSTCALL RoomToViewport(int32 *, int32 *) override {}
  void ROLLWICK_HOSTCALL ViewportToRoom(int32 *, int32 *) override {}
  int ROLLWICK_HOSTCALL GetNumObjects() override { return 0; }
  AGSObject *ROLLWICK_HOSTCALL GetObject(int32) override { return nullptr; }
  BITMAP *ROLLWICK_HOSTCALL GetSpriteGraphic(int32) override { return nullptr; }
  BITMAP *ROLLWICK_HOSTCALL CreateBlankBitmap(int32, int32, int32) override { return nullptr; }
  void ROLLWICK_HOSTCALL FreeBitmap(BITMAP *) override {}
  BITMAP *ROLLWICK_HOSTCALL GetRoomMask(int32) override { return nullptr; }
  AGSViewFrame *ROLLWICK_HOSTCALL GetViewFrame(int32, int32, int32) override { return nullptr; }
  int ROLLWICK_HOSTCALL GetWalkbehindBaseline(int32) override { return 0; }
  void *ROLLWICK_HOSTCALL GetScriptFunctionAddress(const char *name) override;
  int ROLLWICK_HOSTCALL GetBitmapTransparentColor(BITMAP *) override { return 0; }
  int ROLLWICK_HOSTCALL GetAreaScaling(int32, int32) override { return 100; }
  int ROLLWICK_HOSTCALL IsGamePaused() override { return 0; }
  int ROLLWICK_HOSTCALL GetRawPixelColor(int32 colour) override { return colour; }
  int ROLLWICK_HOSTCALL GetSpriteWidth(int32) override { return sprite_width; }
  int ROLLWICK_HOSTCALL GetSpriteHeight(int32) override { return sprite_height; }
  void ROLLWICK_HOSTCALL GetTextExtent(int32, const char *, int32 *width, int32 *height) override {
    if (width != nullptr) *width = text_width;
    if (height != nullptr) *height = text_height;
  }
  void ROLLWICK_HOSTCALL PrintDebugConsole(const char *) override {}
  void ROLLWICK_HOSTCALL PlaySoundChannel(int32, int32, int32, int32, const char *) override {}
  int ROLLWICK_HOSTCALL IsChannelPlaying(int32) override { return 0; }
  void ROLLWICK_HOSTCALL MarkRegionDirty(int32, int32, int32, int32) override {}
  AGSMouseCursor *ROLLWICK_HOSTCALL GetMouseCursor(int32) override { return nullptr; }
  void ROLLWICK_HOSTCALL GetRawColorComponents(int32, int32, int32 *, int32 *, int32 *, int32 *) override {}
  int ROLLWICK_HOSTCALL MakeRawColorPixel(int32, int32, int32, int32, int32) override { return 0; }
  int ROLLWICK_HOSTCALL GetFontType(int32) override { return 0; }
  int ROLLWICK_HOSTCALL CreateDynamicSprite(int32, int32, int32) override { return 0; }
  void ROLLWICK_HOSTCALL DeleteDynamicSprite(int32) override {}
  int ROLLWICK_HOSTCALL IsSpriteAlphaBlended(int32) override { return 0; }
};

}  // namespace rollwick_host
