// The plug-in's only user interface: a modal box with one OK button. On
// Windows it is MessageBoxA; elsewhere the caption and text go to standard
// error, which is where a host without a window system shows them.
#pragma once

enum class MessageBoxKind { information, error };

// `owner` is the window handle the host gave (opaque here, so that this header
// does not clash with the window system's own declarations).
void show_message_box(void *owner, const char *text, const char *caption, MessageBoxKind kind);
