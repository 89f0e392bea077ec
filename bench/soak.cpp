// Plays scrolling, static and typewriter credits one after another for a
// given number of frames (200,000 by default), re-filling the tables on every
// round as a game re-entering its credits would. Fails when the heap in use
// grows after the first two rounds. Run it under valgrind memcheck for leaks and
// memory errors.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "credit_store.h"
#include "null_host.h"
#include "plugin_entry.h"
#include "scroll_control.h"
#include "single_credit.h"
#include "static_sequence.h"

namespace {

long long frames_shown = 0;

void fill_tables(int round) {
  for (int line = 1; line <= 100; ++line) {
    const std::string name = "Name " + std::to_string(line) + " of round " + std::to_string(round % 7);
    switch (line % 6) {
      case 0: SetCreditImage(1, line, -1, line, line % 3 == 0 ? -1 : 20); break;
      case 1: SetCredit(1, line, ("Role<.>" + name).c_str(), 10, 0, 15); break;
      case 2: SetCredit(1, line, ("Role<>" + name).c_str(), -1, 0, 15); break;
      case 3: SetCredit(1, line, ("Role<#>" + name).c_str(), 12, 0, 15); break;
      case 4: break;  // an empty line
      default: SetCredit(1, line, name.c_str(), -1, 0, 15); break;
    }
  }
  SequenceSettings(1, 0, 0, 0, 1, 20);
  for (int id = 1; id <= 12; ++id) {
    SetStaticCreditTitle(1, id, ("Title " + std::to_string(id)).c_str(), -1, 20, 0, 14);
    if (id % 4 == 0) {
      SetStaticPause(1, id, 5);
    } else if (id % 5 == 0) {
      SetStaticImage(1, id, id, -1, -1, 10);
    } else {
      SetStaticCredit(1, id, ("First [[ Second [[ " + std::to_string(round % 7)).c_str(), -1, -1, 0, 15);
    }
  }
  SetStaticCredit(2, 1, "The end of the credits", -1, -1, 0, 15);
}

// Runs frames until `finished` reports; false when the frame budget ran out.
bool play_until(int (*finished)(int), int sequence, long long budget) {
  while (frames_shown < budget) {
    AGS_EngineOnEvent(4, 0);
    ++frames_shown;
    if (finished(sequence) == 1) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char **argv) {
  const long long budget = argc > 1 ? std::atoll(argv[1]) : 200000;
  rollwick_host::NullEngine engine;
  engine.text_width = 40;
  AGS_EngineStartup(&engine);
  size_t heap_after_warm_up = 0;  // after two rounds, when every text has its room
  int round = 0;
  while (frames_shown < budget) {
    fill_tables(round);
    RunCreditSequence(1);
    if (!play_until(IsSequenceFinished, 1, budget)) break;
    RunStaticCreditSequence(1, 2);
    if (!play_until(IsStaticSequenceFinished, 1, budget)) break;
    ShowStaticCredit(2, 1, 300, 1, 1, 4);
    if (!play_until(IsStaticSequenceFinished, 2, budget)) break;
    if (round == 1) heap_after_warm_up = mallinfo2().uordblks;
    ++round;
  }
  const size_t heap_now = mallinfo2().uordblks;
  std::printf("soak: %lld frames in %d rounds, %d sounds; heap in use %zu bytes after two rounds, %zu now\n",
              frames_shown, round, engine.sounds, heap_after_warm_up, heap_now);
  if (round > 2 && heap_now > heap_after_warm_up) {
    std::printf("FAILED: the heap grew by %zu bytes\n", heap_now - heap_after_warm_up);
    return 1;
  }
  return 0;
}
