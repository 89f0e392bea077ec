// Steady-state frames allocate nothing. The unit-test binary counts every
// call of the global operator new; the host answers without recording.
#include <cstdlib>
#include <new>

#include "plugin_test.h"

namespace {
long long allocations = 0;
}

void *operator new(std::size_t size) {
  ++allocations;
  if (void *memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void *memory) noexcept { std::free(memory); }
void operator delete(void *memory, std::size_t) noexcept { std::free(memory); }

class AllocationTest : public PluginTest {
 protected:
  long long allocations_in_frames(int frames) {
    engine.recording = false;
    frame_tick();  // warm-up
    const long long before = allocations;
    for (int i = 0; i < frames; ++i) frame_tick();
    const long long made = allocations - before;
    engine.recording = true;
    return made;
  }
};

TEST_F(AllocationTest, ScrollingFramesOfPlainAndMarkupLines) {
  engine.settings.sprites[2] = {30, 20};
  for (int line = 1; line <= 40; ++line) {
    const std::string text = "Line " + std::to_string(line);
    switch (line % 5) {
      case 0: SetCredit(1, line, (text + "<>right").c_str(), 10, 0, 15); break;
      case 1: SetCredit(1, line, (text + "<.>right").c_str(), -1, 0, 15); break;
      case 2: SetCredit(1, line, (text + "<#>right").c_str(), 8, 0, 15); break;
      case 3: SetCreditImage(1, line, -1, 2, -1); break;
      default: SetCredit(1, line, text.c_str(), -1, 0, 15); break;
    }
  }
  SequenceSettings(1, 0, -100000, 0, 0, 0);
  RunCreditSequence(1);
  EXPECT_EQ(allocations_in_frames(100), 0);
}

TEST_F(AllocationTest, StaticMultiLineCredit) {
  SetStaticCredit(1, 1, "Ada[[Bea[[Cy[[Dee[[Eve", -1, -1, 0, 15);
  SetStaticCreditTitle(1, 1, "Cast", -1, 10, 0, 15);
  RunStaticCreditSequence(1, 100);
  EXPECT_EQ(allocations_in_frames(100), 0);
}

TEST_F(AllocationTest, TypewriterCredit) {
  SetStaticCredit(1, 1, std::string(200, 'x').c_str(), -1, -1, 0, 15);
  ShowStaticCredit(1, 1, 1000, 1, 0, -1);
  EXPECT_EQ(allocations_in_frames(300), 0);
}
