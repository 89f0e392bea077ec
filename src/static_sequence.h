// The static sequence player: credits shown one after another, each for a
// time set by its length, its own image time or its pause time.
#pragma once

// One frame of the playing static sequence.
void static_sequence_step();

// Script functions.
void RunStaticCreditSequence(int sequence, int speed);
int IsStaticSequenceFinished(int sequence);
int GetCurrentStaticCredit(int sequence);
