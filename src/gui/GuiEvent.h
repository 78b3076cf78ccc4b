#ifndef TRAKMOOR_GUI_GUIEVENT_H
#define TRAKMOOR_GUI_GUIEVENT_H

// The one event record of the toolkit: either an SDL event routed to a window (kind 0) or a
// command that a control posts to the application (kind 1).

#include <SDL.h>

#include <cstdint>

class GuiObject;

enum GuiEventKind : int {
    GuiEventSdl = 0,
    GuiEventCommand = 1,
};

// Command codes that controls post; `data` carries the value named beside each.
enum GuiCommand : int {
    GuiCmdButton = 1000,              // a button was clicked or auto-repeats
    GuiCmdMenu = 1001,                // reserved
    GuiCmdImagePanel = 1002,          // press on an image panel
    GuiCmdComboBoxChanged = 1003,     // data = the chosen item's value
    GuiCmdSliderChanged = 1004,       // reserved
    GuiCmdPropertyGridChanged = 1015, // reserved
    GuiCmdTreeListSelected = 1016,    // data = the node's value
    GuiCmdTreeListExpanded = 1017,    // data = the node's value
    GuiCmdModalClosed = 9999,         // id 1 = accepted, 2 = cancelled
};

// Ids a dialog reports with GuiCmdModalClosed.
enum GuiModalResult : int {
    GuiModalAccepted = 1,
    GuiModalCancelled = 2,
};

struct GuiEvent {
    int kind = GuiEventSdl;
    std::uint32_t windowId = 0;
    int code = 0;
    int id = 0;
    int data = 0;
    GuiObject* source = nullptr;
    // Null for commands.  Routing never copies the SDL event: handlers see the caller's event.
    SDL_Event* sdlEvent = nullptr;
    // Mouse position relative to `target`, filled while the event is routed.
    int localX = 0;
    int localY = 0;
    GuiObject* target = nullptr;
    int targetId = -1;
};

#endif // TRAKMOOR_GUI_GUIEVENT_H
