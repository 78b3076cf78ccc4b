#ifndef TRAKMOOR_GUI_GUIMESSAGEBOX_H
#define TRAKMOOR_GUI_GUIMESSAGEBOX_H

// A modal message with an OK button, drawn by the toolkit.  Unlike the system's message box it
// leaves the main loop running, so the program still ends on a close request or SIGTERM while
// the message is open.  OK (button id 1) closes it with GuiCmdModalClosed, as any dialog.

#include "gui/GuiEngine.h"

#include <string>
#include <vector>

class GuiDialog;

// The text broken into lines at most `width` pixels wide in `font`: at its own line breaks, and
// between words where a line would be too wide.  A word wider than the line stands alone.
std::vector<std::string> wrapText(TTF_Font* font, const std::string& text, int width);

// Opens the message over the main window and makes it modal; null when no window could be made.
GuiDialog* showMessageBox(GuiEngine& engine, const std::string& title, const std::string& text);

#endif // TRAKMOOR_GUI_GUIMESSAGEBOX_H
