#include "map/PanelBackground.h"

namespace trakmoor {

void paintMapBackground(cairo_t* cr, int width, int height) {
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0.96, 0.97, 0.98);
    cairo_paint(cr);
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgb(cr, 0.88, 0.90, 0.92);
    for (int x = 0; x < width; x += 50) {
        cairo_move_to(cr, x, 0);
        cairo_line_to(cr, x, height);
    }
    for (int y = 0; y < height; y += 50) {
        cairo_move_to(cr, 0, y);
        cairo_line_to(cr, width, y);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

void paintGraphBackground(cairo_t* cr, int width, int height) {
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0.98, 0.98, 0.98);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.86, 0.88, 0.90);
    cairo_set_line_width(cr, 2.0);
    for (int y = 20; y < height; y += 25) {
        cairo_move_to(cr, 0, y);
        cairo_line_to(cr, width, y);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

} // namespace trakmoor
