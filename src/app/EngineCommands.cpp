// Events of the main window: the commands its controls post, and what SDL events the engine
// understands itself before the rest goes on to the controls.

#include "app/TrakmoorEngine.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiWindow.h"

namespace trakmoor {

void TrakmoorEngine::handleEvent(AppWindow* window, GuiEvent* event) {
    if (window == nullptr || !window->root) {
        return;
    }
    if (event->kind == GuiEventSdl && event->sdlEvent != nullptr &&
        event->sdlEvent->type == SDL_WINDOWEVENT) {
        if (event->sdlEvent->window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            windowFocused = true;
        } else if (event->sdlEvent->window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            windowFocused = false;
        }
    }
    if (event->kind == GuiEventCommand) {
        handleCommand(window, event);
        return;
    }
    GuiEngine::handleEvent(window, event);
}

void TrakmoorEngine::handleCommand(AppWindow* window, GuiEvent* event) {
    if (auto* dialog = dynamic_cast<GuiDialog*>(window->root.get());
        dialog != nullptr && modalObject == dialog) {
        dialog->dispatchCommand(event);
        return;
    }
    if (event->code == GuiCmdComboBoxChanged) {
        if (event->id == toInt(ControlId::TrackSelector) && controls.trackCombo != nullptr) {
            selectTrack(controls.trackCombo->selectedIndex());
        }
        return;
    }
    if (event->code != GuiCmdButton) {
        return;
    }
    switch (static_cast<ControlId>(event->id)) {
    case ControlId::PreviousTrack:
        selectTrack(doc.selectedTrack - 1);
        break;
    case ControlId::NextTrack:
        selectTrack(doc.selectedTrack + 1);
        break;
    case ControlId::FitWindow:
        toggleFitWindow();
        break;
    default:
        break;
    }
}

} // namespace trakmoor
