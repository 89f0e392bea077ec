#include "recording_host.h"

#include <cstring>
#include <stdexcept>

namespace rollwick_host {

namespace {

RecordingEngine *active_engine = nullptr;  // receives the PlaySound calls

// The engine's PlaySound as scripts reach it: a plain C function.
extern "C" void recording_play_sound(int sound) {
  if (active_engine != nullptr) active_engine->on_play_sound(sound);
}

int64_t pointer_number(const void *pointer) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(pointer)); }

}  // namespace

RecordingEngine::RecordingEngine(EngineSettings engine_settings) : settings(std::move(engine_settings)) {
  version = settings.version;
  pluginId = 0;
  active_engine = this;
}

RecordingEngine::~RecordingEngine() {
  if (active_engine == this) active_engine = nullptr;
}

void RecordingEngine::on_play_sound(int sound) {
  if (!recording) return;
  sounds_played.push_back(sound);
  calls.push_back({"PlaySound", {sound}, "", false});
}

void RecordingEngine::record(const char *method, std::initializer_list<int64_t> args, const char *text) {
  if (!recording) return;
  HostCall call;
  call.method = method;
  call.args.assign(args);
  if (text != nullptr) {
    call.text = text;
    call.has_text = true;
  }
  calls.push_back(std::move(call));
}

std::vector<HostCall> RecordingEngine::calls_of(const std::string &method) const {
  std::vector<HostCall> found;
  for (const HostCall &call : calls) {
    if (call.method == method) found.push_back(call);
  }
  return found;
}

std::vector<HostCall> RecordingEngine::drawing_calls() const {
  std::vector<HostCall> found;
  for (const HostCall &call : calls) {
    if (call.method == "DrawText" || call.method == "BlitBitmap") found.push_back(call);
  }
  return found;
}

void *RecordingEngine::function_address(const std::string &name) {
  if (name == "PlaySound") return reinterpret_cast<void *>(&recording_play_sound);
  static std::map<std::string, char> stand_ins;  // a distinct, stable address per name
  return &stand_ins[name];
}

BITMAP *RecordingEngine::sprite_bitmap(int32 slot) {
  // Slot numbers map to fake, never-dereferenced addresses one apart.
  return reinterpret_cast<BITMAP *>(static_cast<intptr_t>(0x10000) + static_cast<intptr_t>(slot) * 16);
}

int32 RecordingEngine::bitmap_slot(BITMAP *bitmap) {
  return static_cast<int32>((reinterpret_cast<intptr_t>(bitmap) - 0x10000) / 16);
}

TextExtent RecordingEngine::extent_of(int32 font, const char *text) const {
  if (settings.text_extent) return settings.text_extent(font, text);
  return {static_cast<int32>(6 * std::strlen(text)), 10};
}

SpriteSize RecordingEngine::sprite_of(int32 slot) const {
  auto found = settings.sprites.find(slot);
  return found == settings.sprites.end() ? SpriteSize{} : found->second;
}

void RecordingEngine::AbortGame(const char *reason) { record("AbortGame", {}, reason); }
const char *RecordingEngine::GetEngineVersion() {
  record("GetEngineVersion");
  return "3.6.0";
}
void RecordingEngine::RegisterScriptFunction(const char *name, void *address) {
  record("RegisterScriptFunction", {pointer_number(address)}, name);
}
#if defined(_WIN32)
HWND RecordingEngine::GetWindowHandle() {
  record("GetWindowHandle");
  return nullptr;
}
void *RecordingEngine::GetDirectDraw2() {
  record("GetDirectDraw2");
  return nullptr;
}
void *RecordingEngine::GetBitmapSurface(BITMAP *bmp) {
  record("GetBitmapSurface", {pointer_number(bmp)});
  return nullptr;
}
#endif
BITMAP *RecordingEngine::GetScreen() {
  record("GetScreen");
  return nullptr;
}
void RecordingEngine::RequestEventHook(int32 event) { record("RequestEventHook", {event}); }
int RecordingEngine::GetSavedData(char *buffer, int32 size) {
  record("GetSavedData", {pointer_number(buffer), size});
  return 0;
}
BITMAP *RecordingEngine::GetVirtualScreen() {
  record("GetVirtualScreen");
  return nullptr;
}
void RecordingEngine::DrawText(int32 x, int32 y, int32 font, int32 colour, char *text) {
  record("DrawText", {x, y, font, colour}, text);
}
void RecordingEngine::GetScreenDimensions(int32 *width, int32 *height, int32 *colour_depth) {
  record("GetScreenDimensions");
  if (width != nullptr) *width = settings.screen_width;
  if (height != nullptr) *height = settings.screen_height;
  if (colour_depth != nullptr) *colour_depth = settings.colour_depth;
}
unsigned char **RecordingEngine::GetRawBitmapSurface(BITMAP *bmp) {
  record("GetRawBitmapSurface", {pointer_number(bmp)});
  return nullptr;
}
void RecordingEngine::ReleaseBitmapSurface(BITMAP *bmp) { record("ReleaseBitmapSurface", {pointer_number(bmp)}); }
void RecordingEngine::GetMousePosition(int32 *x, int32 *y) {
  record("GetMousePosition");
  if (x != nullptr) *x = 0;
  if (y != nullptr) *y = 0;
}
int RecordingEngine::GetCurrentRoom() {
  record("GetCurrentRoom");
  return 0;
}
int RecordingEngine::GetNumBackgrounds() {
  record("GetNumBackgrounds");
  return 1;
}
int RecordingEngine::GetCurrentBackground() {
  record("GetCurrentBackground");
  return 0;
}
BITMAP *RecordingEngine::GetBackgroundScene(int32 frame) {
  record("GetBackgroundScene", {frame});
  return nullptr;
}
void RecordingEngine::GetBitmapDimensions(BITMAP *bmp, int32 *width, int32 *height, int32 *colour_depth) {
  record("GetBitmapDimensions", {pointer_number(bmp)});
  const SpriteSize size = sprite_of(bitmap_slot(bmp));
  if (width != nullptr) *width = size.width;
  if (height != nullptr) *height = size.height;
  if (colour_depth != nullptr) *colour_depth = settings.colour_depth;
}
int RecordingEngine::FWrite(void *buffer, int32 length, int32 file_handle) {
  record("FWrite", {pointer_number(buffer), length, file_handle});
  return 0;
}
int RecordingEngine::FRead(void *buffer, int32 length, int32 file_handle) {
  record("FRead", {pointer_number(buffer), length, file_handle});
  return 0;
}
void RecordingEngine::DrawTextWrapped(int32 x, int32 y, int32 width, int32 font, int32 colour, const char *text) {
  record("DrawTextWrapped", {x, y, width, font, colour}, text);
}
void RecordingEngine::SetVirtualScreen(BITMAP *bmp) { record("SetVirtualScreen", {pointer_number(bmp)}); }
int RecordingEngine::LookupParserWord(const char *word) {
  record("LookupParserWord", {}, word);
  return 0;
}
void RecordingEngine::BlitBitmap(int32 x, int32 y, BITMAP *bmp, int32 masked) {
  record("BlitBitmap", {x, y, bitmap_slot(bmp), masked});
}
void RecordingEngine::PollSystem() { record("PollSystem"); }
int RecordingEngine::GetNumCharacters() {
  record("GetNumCharacters");
  return 0;
}
AGSCharacter *RecordingEngine::GetCharacter(int32 index) {
  record("GetCharacter", {index});
  return nullptr;
}
AGSGameOptions *RecordingEngine::GetGameOptions() {
  record("GetGameOptions");
  return nullptr;
}
AGSColor *RecordingEngine::GetPalette() {
  record("GetPalette");
  return nullptr;
}
void RecordingEngine::SetPalette(int32 start, int32 finish, AGSColor *palette) {
  record("SetPalette", {start, finish, pointer_number(palette)});
}
int RecordingEngine::GetPlayerCharacter() {
  record("GetPlayerCharacter");
  return 0;
}
void RecordingEngine::RoomToViewport(int32 *x, int32 *y) {
  record("RoomToViewport", {x != nullptr ? *x : 0, y != nullptr ? *y : 0});
}
void RecordingEngine::ViewportToRoom(int32 *x, int32 *y) {
  record("ViewportToRoom", {x != nullptr ? *x : 0, y != nullptr ? *y : 0});
}
int RecordingEngine::GetNumObjects() {
  record("GetNumObjects");
  return 0;
}
AGSObject *RecordingEngine::GetObject(int32 index) {
  record("GetObject", {index});
  return nullptr;
}
BITMAP *RecordingEngine::GetSpriteGraphic(int32 slot) {
  record("GetSpriteGraphic", {slot});
  return sprite_bitmap(slot);
}
BITMAP *RecordingEngine::CreateBlankBitmap(int32 width, int32 height, int32 colour_depth) {
  record("CreateBlankBitmap", {width, height, colour_depth});
  return nullptr;
}
void RecordingEngine::FreeBitmap(BITMAP *bmp) { record("FreeBitmap", {pointer_number(bmp)}); }
BITMAP *RecordingEngine::GetRoomMask(int32 which) {
  record("GetRoomMask", {which});
  return nullptr;
}
AGSViewFrame *RecordingEngine::GetViewFrame(int32 view, int32 loop, int32 frame) {
  record("GetViewFrame", {view, loop, frame});
  return nullptr;
}
int RecordingEngine::GetWalkbehindBaseline(int32 area) {
  record("GetWalkbehindBaseline", {area});
  return 0;
}
void *RecordingEngine::GetScriptFunctionAddress(const char *name) {
  record("GetScriptFunctionAddress", {}, name);
  if (settings.throw_on_lookup) throw std::runtime_error("script function table is locked");
  if (settings.missing_functions.count(name) != 0) return nullptr;
  return function_address(name);
}
int RecordingEngine::GetBitmapTransparentColor(BITMAP *bmp) {
  record("GetBitmapTransparentColor", {pointer_number(bmp)});
  return 0;
}
int RecordingEngine::GetAreaScaling(int32 x, int32 y) {
  record("GetAreaScaling", {x, y});
  return 100;
}
int RecordingEngine::IsGamePaused() {
  record("IsGamePaused");
  return 0;
}
int RecordingEngine::GetRawPixelColor(int32 colour) {
  record("GetRawPixelColor", {colour});
  return colour;
}
int RecordingEngine::GetSpriteWidth(int32 slot) {
  record("GetSpriteWidth", {slot});
  return sprite_of(slot).width;
}
int RecordingEngine::GetSpriteHeight(int32 slot) {
  record("GetSpriteHeight", {slot});
  return sprite_of(slot).height;
}
void RecordingEngine::GetTextExtent(int32 font, const char *text, int32 *width, int32 *height) {
  record("GetTextExtent", {font}, text);
  const TextExtent extent = extent_of(font, text != nullptr ? text : "");
  if (width != nullptr) *width = extent.width;
  if (height != nullptr) *height = extent.height;
}
void RecordingEngine::PrintDebugConsole(const char *text) { record("PrintDebugConsole", {}, text); }
void RecordingEngine::PlaySoundChannel(int32 channel, int32 type, int32 volume, int32 loop, const char *file) {
  record("PlaySoundChannel", {channel, type, volume, loop}, file);
}
int RecordingEngine::IsChannelPlaying(int32 channel) {
  record("IsChannelPlaying", {channel});
  return 0;
}
void RecordingEngine::MarkRegionDirty(int32 left, int32 top, int32 right, int32 bottom) {
  record("MarkRegionDirty", {left, top, right, bottom});
}
AGSMouseCursor *RecordingEngine::GetMouseCursor(int32 cursor) {
  record("GetMouseCursor", {cursor});
  return nullptr;
}
void RecordingEngine::GetRawColorComponents(int32 depth, int32 colour, int32 *r, int32 *g, int32 *b, int32 *a) {
  record("GetRawColorComponents", {depth, colour});
  for (int32 *component : {r, g, b, a}) {
    if (component != nullptr) *component = 0;
  }
}
int RecordingEngine::MakeRawColorPixel(int32 depth, int32 r, int32 g, int32 b, int32 a) {
  record("MakeRawColorPixel", {depth, r, g, b, a});
  return 0;
}
int RecordingEngine::GetFontType(int32 font) {
  record("GetFontType", {font});
  return 0;
}
int RecordingEngine::CreateDynamicSprite(int32 depth, int32 width, int32 height) {
  record("CreateDynamicSprite", {depth, width, height});
  return 0;
}
void RecordingEngine::DeleteDynamicSprite(int32 slot) { record("DeleteDynamicSprite", {slot}); }
int RecordingEngine::IsSpriteAlphaBlended(int32 slot) {
  record("IsSpriteAlphaBlended", {slot});
  return 0;
}

HWND RecordingEditor::GetEditorHandle() {
  calls.push_back({"GetEditorHandle", {}, "", false});
  return nullptr;
}
HWND RecordingEditor::GetWindowHandle() {
  calls.push_back({"GetWindowHandle", {}, "", false});
  return nullptr;
}
void RecordingEditor::RegisterScriptHeader(const char *header) {
  calls.push_back({"RegisterScriptHeader", {}, header, true});
  registered_headers.push_back(header);
}
void RecordingEditor::UnregisterScriptHeader(const char *header) {
  calls.push_back({"UnregisterScriptHeader", {}, header, true});
  registered_headers.push_back(header);
}

}  // namespace rollwick_host
