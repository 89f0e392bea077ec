// The per-frame tick that drives every player, and the scrolling player's
// control: start, stop, pause, step, end, end wait and finish.
#pragma once

#include <cstdint>

// Runs one frame of whatever plays; called once per post-screen-draw event
// and once inside every start call.
void frame_tick();

// Moves the column up one step when the sequence's speed is due.
void scroll_step(int32_t sequence);

// Script functions.
void RunCreditSequence(int sequence);
void PauseScrolling();
int IsSequenceFinished(int sequence);
