#pragma once
// Where a top-level window of the program first appears.

class QWidget;

namespace windows {

// At its first showing, places the window on the available area of its screen, centred over its
// parent window if it has one, else on the screen, and moved in so its top-left (title bar
// included) is on the area; one larger than the area starts at the area's top-left. A window
// already showing is placed at once.
void PlaceOnScreen(QWidget* window);

} // namespace windows
