// Fuzzes the previewer's credits-script reader and interpreter with the
// plug-in's own header: any input must parse and run, or give a ScriptError,
// never crash or hang. What parses is also turned back into AGS code and
// read again. The plug-in is stood in for by answers that let loops end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "credits_script.h"
#include "emit_ags.h"
#include "script_api.h"
#include "script_interpreter.h"

namespace {

struct Stop {};

class Environment : public rollwick_preview::ScriptEnvironment {
 public:
  intptr_t call_plugin(const rollwick_preview::Call &call, const std::vector<char *> &buffers) override {
    for (char *buffer : buffers) {
      if (buffer != nullptr) text_bytes_ += std::string(buffer).size();  // every buffer is terminated
    }
    if (call.name == "GetCredit") return reinterpret_cast<intptr_t>(stored_);  // room for an old-style string
    return frames_ > 3 ? 1 : 0;
  }
  // A run stops at the previewer's frame cap (runner.h's FRAME_CAP); the
  // interpreter's own limits bound the work between frames.
  void show_frames(int64_t frames) override {
    frames_ += frames;
    if (frames_ > 100000) throw Stop{};
  }
  void warn(int, const std::string &) override {}

 private:
  char stored_[200] = "stored";
  int64_t frames_ = 0;
  size_t text_bytes_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const auto functions = rollwick_preview::parse_script_header(script_header);
  // An input whose first byte is odd is a game script; a byte 1 in it ends
  // a header that comes first.
  std::string source(reinterpret_cast<const char *>(data), size);
  rollwick_preview::ParseOptions options;
  options.game_script = size > 0 && (data[0] & 1) != 0;
  options.audio_clips = {"aMusic1"};
  const size_t split = source.find('\x01');
  if (split != std::string::npos) {
    options.headers.push_back({"fuzz.ash", source.substr(0, split)});
    source = source.substr(split + 1);
  }
  try {
    const rollwick_preview::Script script =
        rollwick_preview::parse_credits_script(options.game_script ? "fuzz.asc" : "fuzz.credits", source, functions,
                                               options);
    const std::string code = rollwick_preview::emit_ags(script);
    try {
      rollwick_preview::ParseOptions again;
      again.entry = script.entry;
      rollwick_preview::parse_credits_script("emitted.ags", code, functions, again);
    } catch (const rollwick_preview::ScriptError &error) {
      // With no function chosen, the code leaves out those that cannot run,
      // so the previewer's own choice may fall on another one: one that
      // takes parameters is refused with the hint to choose, which is right.
      const bool chosen_anew = !script.entry_problem.empty() && error.hint == rollwick_preview::Hint::choose_function;
      if (chosen_anew) return 0;
      std::fprintf(stderr, "the emitted code does not read back: %s\n%s", error.what(), code.c_str());
      std::abort();
    }
    Environment environment;
    try {
      rollwick_preview::run_credits_script(script, functions, rollwick_preview::entry_function(script, ""),
                                           environment);
    } catch (const Stop &) {
    }
  } catch (const rollwick_preview::ScriptError &) {
  }
  return 0;
}
