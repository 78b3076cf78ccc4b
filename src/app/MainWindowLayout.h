#ifndef TRAKMOOR_APP_MAINWINDOWLAYOUT_H
#define TRAKMOOR_APP_MAINWINDOWLAYOUT_H

// Where each control of the main window sits at the design size of 1100 x 720, and how it follows
// a window of another size.  Building and re-layout both read these rows, so a position is written
// once.

namespace trakmoor {

enum class Resize {
    // Stays where it was built.
    Fixed,
    // Keeps its distance to the right window edge.
    RightColumn,
    // Keeps its right and bottom margins: the map panel.
    Stretch,
    // Keeps its distance to the bottom edge and its right margin: graph and status line.
    BottomStretchWidth,
    // Keeps its bottom margin: the info list.
    StretchHeight,
};

struct ControlPlace {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    Resize resize = Resize::Fixed;
};

struct PlacedRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const PlacedRect&, const PlacedRect&) = default;
};

// The control's rectangle in a window of the given size; sizes never drop below 1.
PlacedRect placeFor(const ControlPlace& place, int windowWidth, int windowHeight);

// The map and graph panels at the design size: the view a window opens with.
PlacedRect designMapPanel();
PlacedRect designGraphPanel();

} // namespace trakmoor

#endif
