// A single static credit shown on its own for a set time, plainly or letter
// by letter with a typing sound.
#pragma once

#include <cstdint>

// One frame of the single credit.
void single_credit_step();

// Draws the revealed part of the credit text and plays the sound of a newly
// revealed letter.
void draw_typewriter(int32_t sequence, int32_t id);

// Script function.
void ShowStaticCredit(int sequence, int id, int time, int style, int style_settings1, int style_settings2);
