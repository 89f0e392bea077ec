// The scrolling player's control: start, stop, pause, step, end, end wait
// and finish.
#pragma once

#include <cstdint>

// One frame of the scrolling player: pass and step while the column has not
// passed its end, then the end wait, then the finish.
void scrolling_frame();

// Moves the column up one step when the sequence's speed is due.
void scroll_step(int32_t sequence);

// Script functions.
void RunCreditSequence(int sequence);
void PauseScrolling();
int IsSequenceFinished(int sequence);
