#include "host_call_replay.h"

#include <stdexcept>

#include "null_host.h"
#include "recording_host.h"

std::vector<ReplayCall> record_frame_calls(FrameCase frame_case) {
  rollwick_host::NullEngine answers;
  rollwick_host::RecordingEngine engine;
  engine.settings.screen_width = answers.screen_width;
  engine.settings.screen_height = answers.screen_height;
  engine.settings.text_extent = [&answers](int32, const char *) {
    return rollwick_host::TextExtent{answers.text_width, answers.text_height};
  };
  set_up_frame_case(frame_case, engine);
  engine.clear_calls();
  before_frame(frame_case);
  run_frame();

  std::vector<ReplayCall> calls;
  for (const rollwick_host::HostCall &call : engine.calls) {
    ReplayCall replay{};
    for (size_t i = 0; i < call.args.size() && i < 4; ++i) replay.args[i] = static_cast<int32>(call.args[i]);
    replay.text = call.text;
    using Method = ReplayCall::Method;
    if (call.method == "GetScreenDimensions") replay.method = Method::get_screen_dimensions;
    else if (call.method == "GetTextExtent") replay.method = Method::get_text_extent;
    else if (call.method == "DrawText") replay.method = Method::draw_text;
    else if (call.method == "BlitBitmap") replay.method = Method::blit_bitmap;
    else if (call.method == "GetSpriteGraphic") replay.method = Method::get_sprite_graphic;
    else if (call.method == "GetSpriteWidth") replay.method = Method::get_sprite_width;
    else if (call.method == "GetSpriteHeight") replay.method = Method::get_sprite_height;
    else if (call.method == "GetBitmapDimensions") replay.method = Method::get_bitmap_dimensions;
    else if (call.method == "PrintDebugConsole") replay.method = Method::print_debug_console;
    else if (call.method == "PlaySound") replay.method = Method::play_sound;
    else throw std::runtime_error("a frame made an unexpected host call: " + call.method);
    calls.push_back(replay);
  }
  return calls;
}

void replay_frame_calls(IAGSEngine &engine, const std::vector<ReplayCall> &calls) {
  int32 width = 0;
  int32 height = 0;
  int32 depth = 0;
  for (const ReplayCall &call : calls) {
    using Method = ReplayCall::Method;
    switch (call.method) {
      case Method::get_screen_dimensions: engine.GetScreenDimensions(&width, &height, &depth); break;
      case Method::get_text_extent: engine.GetTextExtent(call.args[0], call.text.c_str(), &width, &height); break;
      case Method::draw_text:
        engine.DrawText(call.args[0], call.args[1], call.args[2], call.args[3], const_cast<char *>(call.text.c_str()));
        break;
      case Method::blit_bitmap: engine.BlitBitmap(call.args[0], call.args[1], nullptr, call.args[3]); break;
      case Method::get_sprite_graphic: engine.GetSpriteGraphic(call.args[0]); break;
      case Method::get_sprite_width: engine.GetSpriteWidth(call.args[0]); break;
      case Method::get_sprite_height: engine.GetSpriteHeight(call.args[0]); break;
      case Method::get_bitmap_dimensions: engine.GetBitmapDimensions(nullptr, &width, &height, &depth); break;
      case Method::print_debug_console: engine.PrintDebugConsole(call.text.c_str()); break;
      case Method::play_sound: rollwick_host::NullEngine::play_sound(call.args[0]); break;
    }
  }
}
