#pragma once
// Where the main window sits, to and from the settings: its place and width
// (the normal ones while it is maximised) and whether it is maximised.

class QWidget;

namespace pitkad {

struct Settings;

// The stored window width counts a frame 8 pixels wider than the client area.
inline constexpr int frame_allowance = 8;

// Stores where `window` is in `s`: Left and Top where its frame goes, Width,
// and Maximized.
void capture_window_placement(const QWidget& window, Settings& s);
// Moves `window` where `s` says, back to (0, 0) when that place is on no
// screen now, and maximises it when it was stored so.
void restore_window_placement(QWidget& window, const Settings& s);
// The height of the screen `window` is on; 768 without any screen.
int screen_height_of(const QWidget& window);

} // namespace pitkad
