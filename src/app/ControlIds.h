#ifndef TRAKMOOR_APP_CONTROLIDS_H
#define TRAKMOOR_APP_CONTROLIDS_H

// The ids of the main window's controls: buttons post them with their clicks, combo boxes with
// their changes.  The zoom buttons exist twice (text and icon) and share their ids.  Controls that
// post nothing (labels, panels, the info list) carry the toolkit's -1.

namespace trakmoor {

enum class ControlId : int {
    None = -1,
    OpenGpx = 100,
    PreviousTrack = 101,
    NextTrack = 102,
    ZoomIn = 103,
    ZoomOut = 104,
    ResetView = 105,
    TrackSelector = 106,
    CursorBackward = 107,
    CursorForward = 108,
    CursorToStart = 109,
    CursorToEnd = 110,
    CursorMode = 111,
    CenterOnCursor = 112,
    CenterCursorOption = 113,
    FollowDirectionOption = 114,
    WaypointsOption = 115,
    HeightOption = 116,
    DirectLineOption = 117,
    StatisticsSelector = 118,
    SetMarkerA = 119,
    SetMarkerB = 120,
    RotateXLeft = 121,
    RotateXRight = 122,
    RotateYLeft = 123,
    RotateYRight = 124,
    RotateZLeft = 125,
    RotateZRight = 126,
    OpenOsm = 127,
    AngleXField = 128,
    AngleYField = 129,
    AngleZField = 130,
    OsmBackgroundOption = 131,
    PerspectiveSelector = 132,
    FitWindow = 133,
};

// Entries of the cursor selector and of the perspective selector that the engine picks itself.
constexpr int waypointCursorMode = 0;
constexpr int freeCursorMode = 1;
constexpr int resetPerspective = 0;
constexpr int customPerspective = 5;

constexpr int toInt(ControlId id) {
    return static_cast<int>(id);
}

} // namespace trakmoor

#endif
