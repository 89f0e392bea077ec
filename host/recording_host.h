// A host of our own: in-process implementations of both host interfaces that
// answer from settings and record every call in order.
//
// Tests drive the plug-in against it and read back what the plug-in asked and
// drew; a renderer can build on it by overriding the drawing methods. Nothing
// here draws pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host_interface.h"

namespace rollwick_host {

// One call the plug-in made, with its arguments as numbers and its text
// argument copied at the time of the call.
struct HostCall {
  std::string method;
  std::vector<int64_t> args;
  std::string text;
  bool has_text = false;
};

struct TextExtent {
  int32 width = 0;
  int32 height = 0;
};

struct SpriteSize {
  int32 width = 1;  // a missing slot is a 1x1 sprite
  int32 height = 1;
};

// What the engine answers.
struct EngineSettings {
  int32 version = 12;
  int32 screen_width = 320;
  int32 screen_height = 200;
  int32 colour_depth = 32;
  // Width and height of a text in a font; by default 6 pixels a byte, 10 high.
  std::function<TextExtent(int32 font, const char *text)> text_extent;
  std::map<int32, SpriteSize> sprites;
  std::set<std::string> missing_functions;  // script functions the engine lacks
  bool throw_on_lookup = false;             // GetScriptFunctionAddress throws std::runtime_error
};

class RecordingEngine : public IAGSEngine {
 public:
  explicit RecordingEngine(EngineSettings settings = {});
  ~RecordingEngine();
  RecordingEngine(const RecordingEngine &) = delete;
  RecordingEngine &operator=(const RecordingEngine &) = delete;

  EngineSettings settings;
  bool recording = true;  // false: answer only, keep no record (and allocate nothing)
  std::vector<HostCall> calls;
  std::vector<int> sounds_played;  // through the PlaySound address handed out

  // Calls of one method, in order.
  std::vector<HostCall> calls_of(const std::string &method) const;
  // Calls of the methods that put something on the screen (DrawText, BlitBitmap).
  std::vector<HostCall> drawing_calls() const;
  void clear_calls() {
    calls.clear();
    sounds_played.clear();
  }
  // Called when the plug-in plays a sound through the PlaySound address.
  virtual void on_play_sound(int sound);
  // The address this engine hands out for a script function name.
  static void *function_address(const std::string &name);
  // A bitmap pointer standing for a sprite slot, and back.
  static BITMAP *sprite_bitmap(int32 slot);
  static int32 bitmap_slot(BITMAP *bitmap);

  void ROLLWICK_HOSTCALL AbortGame(const char *reason) override;
  const char *ROLLWICK_HOSTCALL GetEngineVersion() override;
  void ROLLWICK_HOSTCALL RegisterScriptFunction(const char *name, void *address) override;
#if defined(_WIN32)
  HWND ROLLWICK_HOSTCALL GetWindowHandle() override;
  void *ROLLWICK_HOSTCALL GetDirectDraw2() override;
  void *ROLLWICK_HOSTCALL GetBitmapSurface(BITMAP *bmp) override;
#endif
  BITMAP *ROLLWICK_HOSTCALL GetScreen() override;
  void ROLLWICK_HOSTCALL RequestEventHook(int32 event) override;
  int ROLLWICK_HOSTCALL GetSavedData(char *buffer, int32 size) override;
  BITMAP *ROLLWICK_HOSTCALL GetVirtualScreen() override;
  void ROLLWICK_HOSTCALL DrawText(int32 x, int32 y, int32 font, int32 colour, char *text) override;
  void ROLLWICK_HOSTCALL GetScreenDimensions(int32 *width, int32 *height, int32 *colour_depth) override;
  unsigned char **ROLLWICK_HOSTCALL GetRawBitmapSurface(BITMAP *bmp) override;
  void ROLLWICK_HOSTCALL ReleaseBitmapSurface(BITMAP *bmp) override;
  void ROLLWICK_HOSTCALL GetMousePosition(int32 *x, int32 *y) override;
  int ROLLWICK_HOSTCALL GetCurrentRoom() override;
  int ROLLWICK_HOSTCALL GetNumBackgrounds() override;
  int ROLLWICK_HOSTCALL GetCurrentBackground() override;
  BITMAP *ROLLWICK_HOSTCALL GetBackgroundScene(int32 frame) override;
  void ROLLWICK_HOSTCALL GetBitmapDimensions(BITMAP *bmp, int32 *width, int32 *height, int32 *colour_depth) override;
  int ROLLWICK_HOSTCALL FWrite(void *buffer, int32 length, int32 file_handle) override;
  int ROLLWICK_HOSTCALL FRead(void *buffer, int32 length, int32 file_handle) override;
  void ROLLWICK_HOSTCALL DrawTextWrapped(int32 x, int32 y, int32 width, int32 font, int32 colour,
                                         const char *text) override;
  void ROLLWICK_HOSTCALL SetVirtualScreen(BITMAP *bmp) override;
  int ROLLWICK_HOSTCALL LookupParserWord(const char *word) override;
  void ROLLWICK_HOSTCALL BlitBitmap(int32 x, int32 y, BITMAP *bmp, int32 masked) override;
  void ROLLWICK_HOSTCALL PollSystem() override;
  int ROLLWICK_HOSTCALL GetNumCharacters() override;
  AGSCharacter *ROLLWICK_HOSTCALL GetCharacter(int32 index) override;
  AGSGameOptions *ROLLWICK_HOSTCALL GetGameOptions() override;
  AGSColor *ROLLWICK_HOSTCALL GetPalette() override;
  void ROLLWICK_HOSTCALL SetPalette(int32 start, int32 finish, AGSColor *palette) override;
  int ROLLWICK_HOSTCALL GetPlayerCharacter() override;
  void ROLLWICK_HOSTCALL RoomToViewport(int32 *x, int32 *y) override;
  void ROLLWICK_HOSTCALL ViewportToRoom(int32 *x, int32 *y) override;
  int ROLLWICK_HOSTCALL GetNumObjects() override;
  AGSObject *ROLLWICK_HOSTCALL GetObject(int32 index) override;
  BITMAP *ROLLWICK_HOSTCALL GetSpriteGraphic(int32 slot) override;
  BITMAP *ROLLWICK_HOSTCALL CreateBlankBitmap(int32 width, int32 height, int32 colour_depth) override;
  void ROLLWICK_HOSTCALL FreeBitmap(BITMAP *bmp) override;
  BITMAP *ROLLWICK_HOSTCALL GetRoomMask(int32 which) override;
  AGSViewFrame *ROLLWICK_HOSTCALL GetViewFrame(int32 view, int32 loop, int32 frame) override;
  int ROLLWICK_HOSTCALL GetWalkbehindBaseline(int32 area) override;
  void *ROLLWICK_HOSTCALL GetScriptFunctionAddress(const char *name) override;
  int ROLLWICK_HOSTCALL GetBitmapTransparentColor(BITMAP *bmp) override;
  int ROLLWICK_HOSTCALL GetAreaScaling(int32 x, int32 y) override;
  int ROLLWICK_HOSTCALL IsGamePaused() override;
  int ROLLWICK_HOSTCALL GetRawPixelColor(int32 colour) override;
  int ROLLWICK_HOSTCALL GetSpriteWidth(int32 slot) override;
  int ROLLWICK_HOSTCALL GetSpriteHeight(int32 slot) override;
  void ROLLWICK_HOSTCALL GetTextExtent(int32 font, const char *text, int32 *width, int32 *height) override;
  void ROLLWICK_HOSTCALL PrintDebugConsole(const char *text) override;
  void ROLLWICK_HOSTCALL PlaySoundChannel(int32 channel, int32 type, int32 volume, int32 loop,
                                          const char *file) override;
  int ROLLWICK_HOSTCALL IsChannelPlaying(int32 channel) override;
  void ROLLWICK_HOSTCALL MarkRegionDirty(int32 left, int32 top, int32 right, int32 bottom) override;
  AGSMouseCursor *ROLLWICK_HOSTCALL GetMouseCursor(int32 cursor) override;
  void ROLLWICK_HOSTCALL GetRawColorComponents(int32 depth, int32 colour, int32 *r, int32 *g, int32 *b,
                                               int32 *a) override;
  int ROLLWICK_HOSTCALL MakeRawColorPixel(int32 depth, int32 r, int32 g, int32 b, int32 a) override;
  int ROLLWICK_HOSTCALL GetFontType(int32 font) override;
  int ROLLWICK_HOSTCALL CreateDynamicSprite(int32 depth, int32 width, int32 height) override;
  void ROLLWICK_HOSTCALL DeleteDynamicSprite(int32 slot) override;
  int ROLLWICK_HOSTCALL IsSpriteAlphaBlended(int32 slot) override;

 private:
  void record(const char *method, std::initializer_list<int64_t> args = {}, const char *text = nullptr);
  TextExtent extent_of(int32 font, const char *text) const;
  SpriteSize sprite_of(int32 slot) const;
};

class RecordingEditor : public IAGSEditor {
 public:
  explicit RecordingEditor(int32 editor_version = 1) {
    version = editor_version;
    pluginId = 0;
  }
  std::vector<HostCall> calls;
  std::vector<const char *> registered_headers;  // pointers as registered

  HWND ROLLWICK_HOSTCALL GetEditorHandle() override;
  HWND ROLLWICK_HOSTCALL GetWindowHandle() override;
  void ROLLWICK_HOSTCALL RegisterScriptHeader(const char *header) override;
  void ROLLWICK_HOSTCALL UnregisterScriptHeader(const char *header) override;
};

}  // namespace rollwick_host
