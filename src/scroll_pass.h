// Laying out and drawing one frame of a scrolling sequence.
#pragma once

#include <cstdint>

// Stacks the lines of the playing sequence from `scroll_y` down, draws those
// that reach into the screen, then steps the column unless paused.
void scroll_pass();

// Adds up the layout heights of the sequence's lines into `sequence_height`
// and writes "Sequence #<n> height: <h> pixels" to the debug console.
void measure_sequence_height(int32_t sequence);
