#ifndef TRAKMOOR_MAP_PANELBACKGROUND_H
#define TRAKMOOR_MAP_PANELBACKGROUND_H

// The first layer of the two cairo panels: a light background with a grid.  Both panels are
// painted with it on every redraw, track or not, so no panel ever shows pixels nobody drew.

#include <cairo.h>

namespace trakmoor {

// The map panel: background and a 50-pixel grid in both directions.
void paintMapBackground(cairo_t* cr, int width, int height);
// The statistics graph: background and horizontal lines every 25 pixels from y = 20.
void paintGraphBackground(cairo_t* cr, int width, int height);

} // namespace trakmoor

#endif
