// The host's plug-in interface objects, laid out exactly as the engine and
// the editor lay them out in memory.
//
// Each object is a single vtable pointer followed by two 32-bit members,
// `version` and `pluginId`. Method order is the slot order; a missing, extra
// or reordered virtual (a destructor included) shifts every later slot and
// makes the plug-in call the wrong host method. Three engine slots exist only
// in Windows builds of the host. Every method uses ROLLWICK_HOSTCALL.
//
// The plug-in calls only a handful of these; the rest are declared so that the
// slots after them sit where the host puts them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin_export.h"

using int32 = int;  // 32-bit everywhere; `long` would be 64-bit on LP64 hosts
static_assert(sizeof(int32) == 4, "int32 must be 32 bits");

struct BITMAP;  // host bitmap, only passed back to the host

#if defined(_WIN32)
#if !defined(_WINDEF_)
struct HWND__;
typedef HWND__ *HWND;  // same type as <windows.h> declares
#endif
#else
typedef void *HWND;  // opaque window handle outside Windows
#endif

// Opaque records the host hands out by pointer; the plug-in never reads them.
struct AGSCharacter;
struct AGSGameOptions;
struct AGSColor;
struct AGSObject;
struct AGSViewFrame;
struct AGSMouseCursor;

// Event bit sent to AGS_EngineOnEvent once per frame after the screen is drawn.
constexpr int32 AGSE_POSTSCREENDRAW = 4;

// Interface versions the plug-in requires.
constexpr int32 REQUIRED_ENGINE_VERSION = 12;
constexpr int32 REQUIRED_EDITOR_VERSION = 1;

class IAGSEditor {
 public:
  int32 version;
  int32 pluginId;  // the host's; never written by the plug-in

  // 0: the editor's main window.
  virtual HWND ROLLWICK_HOSTCALL GetEditorHandle() = 0;
  // 1: the window that owns the plug-in's dialogs.
  virtual HWND ROLLWICK_HOSTCALL GetWindowHandle() = 0;
  // 2: makes the header's declarations visible to game scripts; the pointer is kept.
  virtual void ROLLWICK_HOSTCALL RegisterScriptHeader(const char *header) = 0;
  // 3: withdraws a header registered before, identified by the same pointer.
  virtual void ROLLWICK_HOSTCALL UnregisterScriptHeader(const char *header) = 0;
};

class IAGSEngine {
 public:
  int32 version;
  int32 pluginId;  // the host's; never written by the plug-in

  // 0: ends the game at once, showing the text; does not return.
  virtual void ROLLWICK_HOSTCALL AbortGame(const char *reason) = 0;
  // 1: the engine's version text.
  virtual const char *ROLLWICK_HOSTCALL GetEngineVersion() = 0;
  // 2: scripts can call `address` under `name` from now on.
  virtual void ROLLWICK_HOSTCALL RegisterScriptFunction(const char *name, void *address) = 0;
#if defined(_WIN32)
  // 3-5: Windows builds of the host only.
  virtual HWND ROLLWICK_HOSTCALL GetWindowHandle() = 0;
  virtual void *ROLLWICK_HOSTCALL GetDirectDraw2() = 0;
  virtual void *ROLLWICK_HOSTCALL GetBitmapSurface(BITMAP *bmp) = 0;
#endif
  // 6: the screen bitmap.
  virtual BITMAP *ROLLWICK_HOSTCALL GetScreen() = 0;
  // 7: AGS_EngineOnEvent receives `event` from now on.
  virtual void ROLLWICK_HOSTCALL RequestEventHook(int32 event) = 0;
  // 8: reads the plug-in's saved-game data.
  virtual int ROLLWICK_HOSTCALL GetSavedData(char *buffer, int32 size) = 0;
  // 9: the bitmap drawing calls currently go to.
  virtual BITMAP *ROLLWICK_HOSTCALL GetVirtualScreen() = 0;
  // 10: draws `text` with its top-left corner at (x, y).
  virtual void ROLLWICK_HOSTCALL DrawText(int32 x, int32 y, int32 font, int32 colour, char *text) = 0;
  // 11: fills the game's resolution and colour depth (any pointer may be null).
  virtual void ROLLWICK_HOSTCALL GetScreenDimensions(int32 *width, int32 *height, int32 *colour_depth) = 0;
  // 12-13: direct pixel access to a bitmap, released again by slot 13.
  virtual unsigned char **ROLLWICK_HOSTCALL GetRawBitmapSurface(BITMAP *bmp) = 0;
  virtual void ROLLWICK_HOSTCALL ReleaseBitmapSurface(BITMAP *bmp) = 0;
  // 14: the mouse position.
  virtual void ROLLWICK_HOSTCALL GetMousePosition(int32 *x, int32 *y) = 0;
  // 15-18: the current room and its backgrounds.
  virtual int ROLLWICK_HOSTCALL GetCurrentRoom() = 0;
  virtual int ROLLWICK_HOSTCALL GetNumBackgrounds() = 0;
  virtual int ROLLWICK_HOSTCALL GetCurrentBackground() = 0;
  virtual BITMAP *ROLLWICK_HOSTCALL GetBackgroundScene(int32 frame) = 0;
  // 19: fills a bitmap's size and colour depth (any pointer may be null).
  virtual void ROLLWICK_HOSTCALL GetBitmapDimensions(BITMAP *bmp, int32 *width, int32 *height,
                                                     int32 *colour_depth) = 0;
  // 20-21: saved-game file access.
  virtual int ROLLWICK_HOSTCALL FWrite(void *buffer, int32 length, int32 file_handle) = 0;
  virtual int ROLLWICK_HOSTCALL FRead(void *buffer, int32 length, int32 file_handle) = 0;
  // 22: draws `text` wrapped to `width`.
  virtual void ROLLWICK_HOSTCALL DrawTextWrapped(int32 x, int32 y, int32 width, int32 font, int32 colour,
                                                 const char *text) = 0;
  // 23: redirects drawing to a bitmap.
  virtual void ROLLWICK_HOSTCALL SetVirtualScreen(BITMAP *bmp) = 0;
  // 24: the parser's word number.
  virtual int ROLLWICK_HOSTCALL LookupParserWord(const char *word) = 0;
  // 25: draws `bmp` with its top-left corner at (x, y); masked skips transparent pixels.
  virtual void ROLLWICK_HOSTCALL BlitBitmap(int32 x, int32 y, BITMAP *bmp, int32 masked) = 0;
  // 26: lets the engine process events.
  virtual void ROLLWICK_HOSTCALL PollSystem() = 0;
  // 27-32: game data.
  virtual int ROLLWICK_HOSTCALL GetNumCharacters() = 0;
  virtual AGSCharacter *ROLLWICK_HOSTCALL GetCharacter(int32 index) = 0;
  virtual AGSGameOptions *ROLLWICK_HOSTCALL GetGameOptions() = 0;
  virtual AGSColor *ROLLWICK_HOSTCALL GetPalette() = 0;
  virtual void ROLLWICK_HOSTCALL SetPalette(int32 start, int32 finish, AGSColor *palette) = 0;
  virtual int ROLLWICK_HOSTCALL GetPlayerCharacter() = 0;
  // 33-34: coordinate conversion.
  virtual void ROLLWICK_HOSTCALL RoomToViewport(int32 *x, int32 *y) = 0;
  virtual void ROLLWICK_HOSTCALL ViewportToRoom(int32 *x, int32 *y) = 0;
  // 35-36: room objects.
  virtual int ROLLWICK_HOSTCALL GetNumObjects() = 0;
  virtual AGSObject *ROLLWICK_HOSTCALL GetObject(int32 index) = 0;
  // 37: the bitmap of a sprite slot (1x1 transparent for a missing slot).
  virtual BITMAP *ROLLWICK_HOSTCALL GetSpriteGraphic(int32 slot) = 0;
  // 38-39: bitmaps of the plug-in's own.
  virtual BITMAP *ROLLWICK_HOSTCALL CreateBlankBitmap(int32 width, int32 height, int32 colour_depth) = 0;
  virtual void ROLLWICK_HOSTCALL FreeBitmap(BITMAP *bmp) = 0;
  // 40-42: room data.
  virtual BITMAP *ROLLWICK_HOSTCALL GetRoomMask(int32 which) = 0;
  virtual AGSViewFrame *ROLLWICK_HOSTCALL GetViewFrame(int32 view, int32 loop, int32 frame) = 0;
  virtual int ROLLWICK_HOSTCALL GetWalkbehindBaseline(int32 area) = 0;
  // 43: address of the engine's script function `name`, null when there is none.
  virtual void *ROLLWICK_HOSTCALL GetScriptFunctionAddress(const char *name) = 0;
  // 44-47: bitmap and game state queries.
  virtual int ROLLWICK_HOSTCALL GetBitmapTransparentColor(BITMAP *bmp) = 0;
  virtual int ROLLWICK_HOSTCALL GetAreaScaling(int32 x, int32 y) = 0;
  virtual int ROLLWICK_HOSTCALL IsGamePaused() = 0;
  virtual int ROLLWICK_HOSTCALL GetRawPixelColor(int32 colour) = 0;
  // 48-49: a sprite slot's size in pixels.
  virtual int ROLLWICK_HOSTCALL GetSpriteWidth(int32 slot) = 0;
  virtual int ROLLWICK_HOSTCALL GetSpriteHeight(int32 slot) = 0;
  // 50: fills the drawn width and the font height of `text` (any pointer may be null).
  virtual void ROLLWICK_HOSTCALL GetTextExtent(int32 font, const char *text, int32 *width, int32 *height) = 0;
  // 51: writes a line to the engine's debug console.
  virtual void ROLLWICK_HOSTCALL PrintDebugConsole(const char *text) = 0;
  // 52-53: sound channels.
  virtual void ROLLWICK_HOSTCALL PlaySoundChannel(int32 channel, int32 type, int32 volume, int32 loop,
                                                  const char *file) = 0;
  virtual int ROLLWICK_HOSTCALL IsChannelPlaying(int32 channel) = 0;
  // 54: marks a screen region for redrawing.
  virtual void ROLLWICK_HOSTCALL MarkRegionDirty(int32 left, int32 top, int32 right, int32 bottom) = 0;
  // 55: a mouse cursor record.
  virtual AGSMouseCursor *ROLLWICK_HOSTCALL GetMouseCursor(int32 cursor) = 0;
  // 56-57: raw colour conversion.
  virtual void ROLLWICK_HOSTCALL GetRawColorComponents(int32 depth, int32 colour, int32 *r, int32 *g, int32 *b,
                                                       int32 *a) = 0;
  virtual int ROLLWICK_HOSTCALL MakeRawColorPixel(int32 depth, int32 r, int32 g, int32 b, int32 a) = 0;
  // 58: a font's type.
  virtual int ROLLWICK_HOSTCALL GetFontType(int32 font) = 0;
  // 59-61: dynamic sprites.
  virtual int ROLLWICK_HOSTCALL CreateDynamicSprite(int32 depth, int32 width, int32 height) = 0;
  virtual void ROLLWICK_HOSTCALL DeleteDynamicSprite(int32 slot) = 0;
  virtual int ROLLWICK_HOSTCALL IsSpriteAlphaBlended(int32 slot) = 0;
  // Slots after 61 belong to later interface versions and are not declared.
};

// The members follow the vtable pointer directly, in this order. offsetof on
// a class with virtual methods is conditionally supported; every compiler that
// builds for these hosts supports it, and the check is the point.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#endif
static_assert(offsetof(IAGSEditor, version) == sizeof(void *), "IAGSEditor::version must follow the vtable");
static_assert(offsetof(IAGSEditor, pluginId) == sizeof(void *) + 4, "IAGSEditor::pluginId must follow version");
static_assert(offsetof(IAGSEngine, version) == sizeof(void *), "IAGSEngine::version must follow the vtable");
static_assert(offsetof(IAGSEngine, pluginId) == sizeof(void *) + 4, "IAGSEngine::pluginId must follow version");
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
