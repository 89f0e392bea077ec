// The one per-frame entry: runs one frame of whichever player owns the
// playback. The engine's post-screen-draw event calls it once per frame, and
// every start call once at its end, so that the first frame is drawn before
// the call returns to the script.
#pragma once

void frame_tick();
