// Fuzzes the previewer's credits-script parser with the plug-in's own header:
// any input must either parse or give a ScriptError, never crash or hang.
// What parses is also turned back into AGS code.
#include <cstddef>
#include <cstdint>
#include <string>

#include "credits_script.h"
#include "emit_ags.h"
#include "script_api.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const auto functions = rollwick_preview::parse_script_header(script_header);
  const std::string source(reinterpret_cast<const char *>(data), size);
  try {
    const rollwick_preview::Script script = rollwick_preview::parse_credits_script("fuzz.credits", source, functions);
    rollwick_preview::emit_ags(script);
  } catch (const rollwick_preview::ScriptError &) {
  }
  return 0;
}
