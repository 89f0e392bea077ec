// Fuzzes the reading of Game.agf: the input is the project file; the game
// is then set up as the previewer sets it up (its fonts and sprite file are
// missing, which must be named, not crash).
#include "fuzz_file.h"
#include "game_project.h"
#include "game_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzFile agf(data, size, "Game.agf");
  rollwick_preview::GameProject game;
  std::string error;
  if (!rollwick_preview::read_game_project(agf.folder(), game, error)) return 0;
  if (game.width < 1 || game.height < 1 || game.width > 8192 || game.height > 8192) __builtin_trap();
  rollwick_preview::PreviewEngine engine(std::min(game.width, 64), std::min(game.height, 64), game.depth);
  rollwick_preview::GameFileProblems problems;
  rollwick_preview::set_up_game(game, game.antialias_fonts, engine, problems);
  problems.unmet({0, 1}, {0, 1});
  return 0;
}
