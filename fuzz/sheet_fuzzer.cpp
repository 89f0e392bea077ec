// Fuzzes the sheet readers and the layout: the first byte chooses CSV or
// text, the rest is the sheet. A sheet that reads is laid out as a script.
#include "credits_sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  const std::string name = data[0] & 1 ? "credits.csv" : "credits.md";
  const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
  try {
    const rollwick_preview::Sheet sheet = rollwick_preview::read_sheet(name, text);
    rollwick_preview::sheet_script(sheet);
  } catch (const rollwick_preview::ScriptError &) {
  }
  return 0;
}
