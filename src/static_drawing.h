// Drawing one static credit for one frame: an image, or a title and a text
// whose "[[" tokens break it into lines.
#pragma once

#include <cstdint>

void draw_static_credit(int32_t sequence, int32_t id);
