// Fixture for tests of the plug-in's units: every global record back at its
// load-time value, and our recording host started as the engine.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "credit_store.h"
#include "engine_functions.h"
#include "frame_tick.h"
#include "playback_state.h"
#include "plugin_state.h"
#include "recording_host.h"
#include "scroll_control.h"
#include "single_credit.h"
#include "static_sequence.h"

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_plugin_state();
    host_links.engine_interface = &engine;
    engine_functions.address[PLAY_SOUND_INDEX] = rollwick_host::RecordingEngine::function_address("PlaySound");
  }
  void TearDown() override { host_links = HostLinks{}; }

  void use_screen(int width, int height) {
    engine.settings.screen_width = width;
    engine.settings.screen_height = height;
  }

  // Runs one frame tick and returns what it drew, as "x,y:text" for texts and
  // "blit x,y #slot" for sprites.
  std::vector<std::string> frame() {
    engine.clear_calls();
    frame_tick();
    return drawn();
  }

  std::vector<std::string> drawn() const {
    std::vector<std::string> out;
    for (const rollwick_host::HostCall &call : engine.drawing_calls()) {
      if (call.method == "DrawText") {
        out.push_back(std::to_string(call.args[0]) + "," + std::to_string(call.args[1]) + ":" + call.text);
      } else {
        out.push_back("blit " + std::to_string(call.args[0]) + "," + std::to_string(call.args[1]) + " #" +
                      std::to_string(call.args[2]));
      }
    }
    return out;
  }

  // The y of every text drawn, in order.
  std::vector<int> drawn_ys() const {
    std::vector<int> ys;
    for (const rollwick_host::HostCall &call : engine.calls_of("DrawText")) ys.push_back(int(call.args[1]));
    return ys;
  }

  std::vector<std::string> console() const {
    std::vector<std::string> lines;
    for (const rollwick_host::HostCall &call : engine.calls_of("PrintDebugConsole")) lines.push_back(call.text);
    return lines;
  }

  rollwick_host::RecordingEngine engine;
};

using Draws = std::vector<std::string>;
