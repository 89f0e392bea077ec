// Fuzzes the plug-in: the input is read as a run of operations, each a script
// call with arbitrary numbers and texts, a change of what the host answers, a
// restart of the engine, or frames. Any crash, sanitizer report or hang is a
// finding.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "credit_store.h"
#include "engine_functions.h"
#include "null_host.h"
#include "playback_state.h"
#include "plugin_entry.h"
#include "plugin_state.h"
#include "scroll_control.h"
#include "single_credit.h"
#include "static_sequence.h"

namespace {

class Input {
 public:
  Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }

  // Mostly the numbers that matter at the edges, sometimes any 32 bits.
  int32_t number() {
    static const int32_t edges[] = {0, 1, 2, 3, -1, -2, 99, 100, 101, 640, 320, 200,
                                    std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                                    std::numeric_limits<int32_t>::min() + 1, std::numeric_limits<int32_t>::max() - 1};
    const uint8_t choice = byte();
    if (choice < 128) return edges[choice % (sizeof edges / sizeof edges[0])];
    if (choice < 192) return static_cast<int8_t>(byte());
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | byte();
    return static_cast<int32_t>(value);
  }

  // Texts built from pieces that mean something to the plug-in, and raw bytes.
  std::string text() {
    static const char *const pieces[] = {"<", ">", "<>", "<.>", "<#>", "[[", "[", " ", "\t", "A", "name", "\xe9\x81"};
    std::string text;
    const uint8_t parts = byte() % 24;
    for (uint8_t i = 0; i < parts; ++i) {
      const uint8_t choice = byte();
      if (choice < 200) {
        text += pieces[choice % (sizeof pieces / sizeof pieces[0])];
      } else if (choice < 250) {
        const char c = static_cast<char>(byte());
        if (c != '\0') text += c;
      } else {
        text.append(static_cast<size_t>(byte()) * 16, choice == 255 ? '.' : 'W');  // long texts
      }
    }
    return text;
  }

 private:
  const uint8_t *data_;
  size_t size_;
  size_t at_ = 0;
};

void start_engine(rollwick_host::NullEngine &engine, Input &input) {
  const uint8_t how = input.byte();
  engine.version = how % 16 == 0 ? 11 : 12;
  const int missing = how % 7 == 0 ? input.byte() % 119 : -1;
  engine.is_missing = [missing](const char *name) {
    return missing >= 0 && std::string(name) == engine_function_names[missing];
  };
  AGS_EngineStartup(how % 31 == 0 ? nullptr : &engine);
}

void call_script_function(uint8_t which, Input &input) {
  switch (which % 16) {
    case 0: RunCreditSequence(input.number()); break;
    case 1: {
      const int32_t sequence = input.number();
      const int32_t line = input.number();
      const std::string text = input.text();
      SetCredit(sequence, line, input.byte() % 8 == 0 ? nullptr : text.c_str(), input.number(), input.number(),
                input.number());
      break;
    }
    case 2: GetCredit(input.number(), input.number()); break;
    case 3: CreditsSettings(input.number()); break;
    case 4: {
      const int32_t sequence = input.number();
      const int32_t start = input.number();
      const int32_t end = input.number();
      const int32_t speed = input.number();
      const int32_t automatic = input.byte() % 2;
      SequenceSettings(sequence, start, end, speed, automatic, input.number());
      break;
    }
    case 5: IsSequenceFinished(input.number()); break;
    case 6: PauseScrolling(); break;
    case 7: SetCreditImage(input.number(), input.number(), input.number(), input.number(), input.number()); break;
    case 8: {
      const int32_t sequence = input.number();
      const int32_t id = input.number();
      const std::string text = input.text();
      SetStaticCredit(sequence, id, text.c_str(), input.number(), input.number(), input.number(), input.number());
      break;
    }
    case 9: {
      const int32_t sequence = input.number();
      const int32_t id = input.number();
      const std::string text = input.text();
      SetStaticCreditTitle(sequence, id, text.c_str(), input.number(), input.number(), input.number(),
                           input.number());
      break;
    }
    case 10: SetStaticPause(input.number(), input.number(), input.number()); break;
    case 11: RunStaticCreditSequence(input.number(), input.number()); break;
    case 12: IsStaticSequenceFinished(input.number()); break;
    case 13: {
      const int32_t sequence = input.number();
      const int32_t id = input.number();
      const int32_t time = input.number();
      const int32_t style = input.byte() % 3;
      ShowStaticCredit(sequence, id, time, style, input.number(), input.number());
      break;
    }
    case 14: SetStaticImage(input.number(), input.number(), input.number(), input.number(), input.number(),
                            input.number());
      break;
    case 15: GetCurrentStaticCredit(input.number()); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  reset_plugin_state();

  Input input(data, size);
  rollwick_host::NullEngine engine;
  start_engine(engine, input);
  while (!input.empty()) {
    const uint8_t operation = input.byte();
    if (operation < 160) {
      call_script_function(operation, input);
    } else if (operation < 200) {
      const uint8_t count = input.byte();
      const int frames = count >= 250 ? 120 : count % 8 + 1;  // now and then long enough to finish a roll
      for (int i = 0; i < frames; ++i) AGS_EngineOnEvent(input.byte() % 2 == 0 ? 4 : 12, 0);
    } else if (operation < 215) {
      engine.screen_width = input.number();
      engine.screen_height = input.number();
    } else if (operation < 230) {
      engine.text_width = input.number();
      engine.text_height = input.number();
    } else if (operation < 245) {
      engine.sprite_width = input.number();
      engine.sprite_height = input.number();
    } else {
      start_engine(engine, input);
    }
  }
  host_links = HostLinks{};
  return 0;
}
