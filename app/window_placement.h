#pragma once
// Where the main window sits, to and from the settings: its place and width
// (the normal ones while it is maximised) and whether it is maximised.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace pitkad {

struct Settings;

// The stored window width counts a frame 8 pixels wider than the client area.
inline constexpr int frame_allowance = 8;

// `frame` fitted to the screens' available areas: on the screen it overlaps
// most, moved and narrowed to lie within it; one that overlaps none goes to
// (0, 0), fitted to the screen there (or the first). A frame taller than its
// screen keeps its height (the line width sets it) and goes to the top.
QRect fit_to_screens(QRect frame, const QList<QRect>& screens);
// Where a tool window whose frame is `size` goes beside the main window's
// frame `main` on the screen area `screen`: to its right when it fits there,
// else to its left, else below, else above (beside it level with its top,
// above or below it level with its left edge). Where none fits, it goes to
// the side with more room, kept on the screen, 30 pixels below the main
// window's top: over the graph, never over the controls below it.
QPoint place_beside(const QRect& main, const QSize& size, const QRect& screen);
// The available area of the screen `frame` overlaps most (the first screen
// when it overlaps none); `frame` itself without any screen.
QRect screen_area_of(const QRect& frame, const QList<QRect>& screens);
// The available areas of the screens there are now.
QList<QRect> available_screens();

// Stores where `window` is in `s`: Left and Top where its frame goes, Width,
// and Maximized.
void capture_window_placement(const QWidget& window, Settings& s);
// Moves `window` where `s` says, fitted to the screens there are now, and
// maximises it when it was stored so. Its width is set before.
void restore_window_placement(QWidget& window, const Settings& s);
// The height of the screen `window` is on; 768 without any screen.
int screen_height_of(const QWidget& window);
// The stored width fitted to the screen the stored place is on.
int fitted_width(const Settings& s);

} // namespace pitkad
