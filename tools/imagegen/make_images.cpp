// Draws the program's pictures (logo, button icons, map flags) with cairo and writes them as PNG.
//
//   make_images OUTPUT_DIR FONT.ttf [--icons ICON_DIR] [--sheet SHEET.png]
//
// Every picture is drawn at the size it is shown, so the toolkit copies it 1:1 and never rescales
// it by an odd factor: 24 x 22 for the 32 x 30 buttons, 24 x 16 for the 32 x 24 rotate buttons,
// 24 x 32 for the start and finish flags, 40 x 32 for the marker flags (the 68 x 24 marker
// buttons show those at exactly half size, 20 x 16), and 190 x 47 for the logo. Straight edges lie
// on whole pixels; the marker flags draw their cloth and letter in 2 x 2 blocks on even pixels, so
// that the half-size copy, which picks every second pixel, shows the same letter whichever pixel
// of each block it takes.
//
// The font is read only here: the lettering ends up as pixels in the PNG files.
//
// With --icons, the program's icon (the logo's emblem) is also written into ICON_DIR as a
// freedesktop hicolor theme: PNG at 48, 128 and 256 pixels and an SVG.
//
// Sections: RAII handles - palette and drawing helpers - the pictures - icons - contact sheet -
// main.

#include <cairo-ft.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// RAII handles

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const noexcept { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
    void operator()(cairo_t* cr) const noexcept { cairo_destroy(cr); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;

SurfacePtr makeSurface(int width, int height) {
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot create a " + std::to_string(width) + " x " +
                                 std::to_string(height) + " surface");
    }
    return surface;
}

ContextPtr makeContext(cairo_surface_t* surface) {
    ContextPtr cr(cairo_create(surface));
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot create a cairo context");
    }
    return cr;
}

// A font file opened through FreeType for cairo. cairo may keep the face in its caches after
// the last user lets go, so the FreeType library is closed only after those caches are reset.
class OutlineFont {
public:
    explicit OutlineFont(const std::string& path) {
        if (FT_Init_FreeType(&library) != 0) {
            throw std::runtime_error("cannot start FreeType");
        }
        if (FT_New_Face(library, path.c_str(), 0, &ftFace) != 0) {
            FT_Done_FreeType(library);
            throw std::runtime_error("cannot open the font " + path);
        }
        face = cairo_ft_font_face_create_for_ft_face(ftFace, 0);
    }
    ~OutlineFont() {
        cairo_font_face_destroy(face);
        cairo_debug_reset_static_data();
        FT_Done_FreeType(library);
    }
    OutlineFont(const OutlineFont&) = delete;
    OutlineFont& operator=(const OutlineFont&) = delete;

    cairo_font_face_t* cairoFace() const { return face; }

private:
    FT_Library library = nullptr;
    FT_Face ftFace = nullptr;
    cairo_font_face_t* face = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Palette and drawing helpers

struct Rgb {
    double r, g, b;
};

// Dark slate for strokes and outlines, the map's track blue as the accent, the map cursor's amber,
// and one colour each for the markers and the start flag. The axis letters reuse three of them.
constexpr Rgb slate{0.17, 0.22, 0.27};
constexpr Rgb trackBlue{0.08, 0.38, 0.70};
constexpr Rgb cursorAmber{0.96, 0.62, 0.04};
constexpr Rgb markerRed{0.80, 0.14, 0.12};
constexpr Rgb markerPurple{0.44, 0.22, 0.70};
constexpr Rgb startGreen{0.13, 0.58, 0.24};
constexpr Rgb white{1.0, 1.0, 1.0};
constexpr Rgb axisX = markerRed;
constexpr Rgb axisY = startGreen;
constexpr Rgb axisZ = trackBlue;

void setColour(cairo_t* cr, Rgb c, double alpha = 1.0) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void fillRect(cairo_t* cr, double x, double y, double w, double h, Rgb c) {
    cairo_rectangle(cr, x, y, w, h);
    setColour(cr, c);
    cairo_fill(cr);
}

void polygon(cairo_t* cr, std::initializer_list<std::pair<double, double>> points) {
    bool first = true;
    for (auto [x, y] : points) {
        if (first) {
            cairo_move_to(cr, x, y);
            first = false;
        } else {
            cairo_line_to(cr, x, y);
        }
    }
    cairo_close_path(cr);
}

void line(cairo_t* cr, double x0, double y0, double x1, double y1) {
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
}

// Fills the '#' cells of a small bitmap, each cell a square of `cell` pixels.
void fillCells(cairo_t* cr, double x, double y, double cell,
               std::initializer_list<std::string_view> rows, Rgb c) {
    double rowY = y;
    for (std::string_view row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (row[i] == '#') {
                cairo_rectangle(cr, x + static_cast<double>(i) * cell, rowY, cell, cell);
            }
        }
        rowY += cell;
    }
    setColour(cr, c);
    cairo_fill(cr);
}

// A stroked arc with an arrowhead at its end. Angles in degrees, clockwise on screen; a negative
// sweep turns counterclockwise. The arc stops short so that the tip lands on the end angle.
void curvedArrow(cairo_t* cr, double cx, double cy, double radius, double startDeg, double sweepDeg,
                 double width, Rgb c) {
    constexpr double degree = std::numbers::pi / 180.0;
    const double direction = sweepDeg < 0 ? -1.0 : 1.0;
    const double headLength = 4.2;
    const double headHalfWidth = 3.6;
    const double end = (startDeg + sweepDeg) * degree;
    const double arcEnd = end - direction * (headLength * 0.6) / radius;
    const double start = startDeg * degree;
    if (direction > 0) {
        cairo_arc(cr, cx, cy, radius, start, arcEnd);
    } else {
        cairo_arc_negative(cr, cx, cy, radius, start, arcEnd);
    }
    setColour(cr, c);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_stroke(cr);

    // The head sits on the chord from the arc's end towards the end angle.
    const double baseX = cx + radius * std::cos(arcEnd);
    const double baseY = cy + radius * std::sin(arcEnd);
    const double tipX = cx + radius * std::cos(end) - direction * std::sin(end) * headLength * 0.4;
    const double tipY = cy + radius * std::sin(end) + direction * std::cos(end) * headLength * 0.4;
    const double dx = tipX - baseX;
    const double dy = tipY - baseY;
    const double len = std::hypot(dx, dy);
    const double nx = -dy / len;
    const double ny = dx / len;
    const double backX = tipX - dx / len * headLength;
    const double backY = tipY - dy / len * headLength;
    polygon(cr, {{tipX, tipY},
                 {backX + nx * headHalfWidth, backY + ny * headHalfWidth},
                 {backX - nx * headHalfWidth, backY - ny * headHalfWidth}});
    cairo_fill(cr);
}

// ---------------------------------------------------------------------------------------------
// The pictures

struct Picture {
    std::string name;
    int width;
    int height;
    std::function<void(cairo_t*)> draw;
};

// --- Map flags: pole foot at the bottom centre -------------------------------------------------
// The start and finish flags (24 x 32) have their pole on x 11..13, foot centred on x = 12, and
// the cloth on x 13..24, y 2..16.

constexpr double clothLeft = 13;
constexpr double clothTop = 2;
constexpr double clothWidth = 11;
constexpr double clothHeight = 14;

// A 2 pixel pole over the full height whose foot is centred on `footX`.
void flagPole(cairo_t* cr, double footX) {
    // A soft shadow where the pole stands, so the flag sits on the map rather than floating.
    cairo_save(cr);
    cairo_translate(cr, footX, 31);
    cairo_scale(cr, 4.0, 1.2);
    cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
    cairo_restore(cr);
    setColour(cr, slate, 0.35);
    cairo_fill(cr);
    fillRect(cr, footX - 1, 0, 2, 32, slate);
}

// The marker flags (40 x 32) carry a letter that must still read as A or B in the 20 x 16 button
// copy, where a 4 x 5 pixel letter turned into a "2" and a "3". So the right half is one large
// cloth, x 20..40, y 2..24 (10 x 11 in the button), with a bold letter of 6 x 8 cells of 2 pixels
// at x 24, y 4. The pole stands at x 19..21 with the cloth over its right pixel, so at half size
// it shows beside the cloth or below it, depending on which pixel of the pair is taken.

constexpr double markerFootX = 20;
constexpr double markerClothLeft = 20;
constexpr double markerClothTop = 2;
constexpr double markerClothWidth = 20;
constexpr double markerClothHeight = 22;
constexpr double markerLetterLeft = 24;
constexpr double markerLetterTop = 4;

void markerFlag(cairo_t* cr, Rgb cloth, std::initializer_list<std::string_view> letter) {
    flagPole(cr, markerFootX);
    fillRect(cr, markerClothLeft, markerClothTop, markerClothWidth, markerClothHeight, cloth);
    fillCells(cr, markerLetterLeft, markerLetterTop, 2, letter, white);
}

void flagMarkA(cairo_t* cr) {
    markerFlag(cr, markerRed,
               {"..##..", ".####.", "##..##", "##..##", "######", "##..##", "##..##", "##..##"});
}

void flagMarkB(cairo_t* cr) {
    markerFlag(cr, markerPurple,
               {"#####.", "##..##", "##..##", "#####.", "##..##", "##..##", "##..##", "#####."});
}

void flagStart(cairo_t* cr) {
    flagPole(cr, 12);
    fillRect(cr, clothLeft, clothTop, clothWidth, clothHeight, startGreen);
}

// A chequered cloth with a slate border, so the white squares stand out on a light map.
void chequeredCloth(cairo_t* cr, double x, double y, int columns, int rows, double cell) {
    const double w = columns * cell;
    const double h = rows * cell;
    fillRect(cr, x - 1, y - 1, w + 2, h + 2, slate);
    fillRect(cr, x, y, w, h, white);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            if ((row + column) % 2 == 0) {
                cairo_rectangle(cr, x + column * cell, y + row * cell, cell, cell);
            }
        }
    }
    setColour(cr, slate);
    cairo_fill(cr);
}

void flagFinish(cairo_t* cr) {
    flagPole(cr, 12);
    chequeredCloth(cr, clothLeft, clothTop + 1, 3, 4, 3);
}

// --- Buttons of 32 x 30 (24 x 22 pictures) -----------------------------------------------------

void miniFinish(cairo_t* cr) {
    fillRect(cr, 4, 1, 2, 21, slate);
    chequeredCloth(cr, 7, 3, 5, 4, 3);
}

// The track with the map's cursor ring on it and an arrow that points the way the cursor steps.
void cursorNext(cairo_t* cr) {
    fillRect(cr, 0, 10, 14, 2, trackBlue);
    cairo_arc(cr, 8, 11, 4.25, 0, 2 * std::numbers::pi);
    setColour(cr, white);
    cairo_fill_preserve(cr);
    setColour(cr, cursorAmber);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    polygon(cr, {{15, 4}, {22, 11}, {15, 18}});
    setColour(cr, slate);
    cairo_fill(cr);
}

void cursorPrevious(cairo_t* cr) {
    cairo_translate(cr, 24, 0);
    cairo_scale(cr, -1, 1);
    cursorNext(cr);
}

// A signpost whose board points back to the start, in the start flag's green.
void signpost(cairo_t* cr) {
    fillRect(cr, 13, 2, 2, 20, slate);
    fillRect(cr, 10, 21, 8, 1, slate);
    polygon(cr, {{1, 7.5}, {6, 2}, {22, 2}, {22, 13}, {6, 13}});
    setColour(cr, slate);
    cairo_fill(cr);
    polygon(cr, {{2.5, 7.5}, {6.5, 3}, {21, 3}, {21, 12}, {6.5, 12}});
    setColour(cr, startGreen);
    cairo_fill(cr);
    // A small "to the beginning" mark on the board: a bar and a triangle.
    fillRect(cr, 8, 5, 2, 5, white);
    polygon(cr, {{10, 7.5}, {16, 4.5}, {16, 10.5}});
    setColour(cr, white);
    cairo_fill(cr);
}

void magnifier(cairo_t* cr, bool plus) {
    const double cx = 10;
    const double cy = 9;
    line(cr, cx + 5.3, cy + 5.3, 20.5, 19.5);
    setColour(cr, slate);
    cairo_set_line_width(cr, 3.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, 7, 0, 2 * std::numbers::pi);
    setColour(cr, white);
    cairo_fill_preserve(cr);
    setColour(cr, slate);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    fillRect(cr, cx - 4, cy - 1, 8, 2, trackBlue);
    if (plus) {
        fillRect(cr, cx - 1, cy - 4, 2, 8, trackBlue);
    }
}

// --- Rotate buttons of 32 x 24 (24 x 16 pictures): axis letter and turning arrow ---------------

enum class Axis { X, Y, Z };
enum class Turn { Counterclockwise, Clockwise };

void axisLetter(cairo_t* cr, Axis axis) {
    // Letters in the box x 1..9, y 3..13, 2 pixels thick; the clip squares off the diagonals.
    cairo_save(cr);
    cairo_rectangle(cr, 1, 3, 8, 10);
    cairo_clip(cr);
    cairo_set_line_width(cr, 2.2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    switch (axis) {
    case Axis::X:
        setColour(cr, axisX);
        line(cr, 1.8, 3, 8.2, 13);
        line(cr, 8.2, 3, 1.8, 13);
        cairo_stroke(cr);
        break;
    case Axis::Y:
        setColour(cr, axisY);
        line(cr, 1.6, 3, 5, 8.5);
        line(cr, 8.4, 3, 5, 8.5);
        cairo_stroke(cr);
        fillRect(cr, 4, 8, 2, 5, axisY);
        break;
    case Axis::Z:
        fillRect(cr, 1, 3, 8, 2, axisZ);
        fillRect(cr, 1, 11, 8, 2, axisZ);
        setColour(cr, axisZ);
        line(cr, 8, 4.5, 2, 11.5);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        cairo_stroke(cr);
        break;
    }
    cairo_restore(cr);
}

void rotateButton(cairo_t* cr, Axis axis, Turn turn) {
    axisLetter(cr, axis);
    // Both arrows open at the bottom and end on the side they turn towards.
    if (turn == Turn::Clockwise) {
        curvedArrow(cr, 16.5, 8.5, 5, 135, 270, 2, slate);
    } else {
        curvedArrow(cr, 16.5, 8.5, 5, 45, -270, 2, slate);
    }
}

// --- Logo (190 x 47) ---------------------------------------------------------------------------

void logoEmblem(cairo_t* cr) {
    // A map tile with a winding route from a green start to a chequered finish.
    const double x = 3.5;
    const double y = 4.5;
    const double size = 38;
    const double r = 7;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + size - r, y + r, r, -std::numbers::pi / 2, 0);
    cairo_arc(cr, x + size - r, y + size - r, r, 0, std::numbers::pi / 2);
    cairo_arc(cr, x + r, y + size - r, r, std::numbers::pi / 2, std::numbers::pi);
    cairo_arc(cr, x + r, y + r, r, std::numbers::pi, 3 * std::numbers::pi / 2);
    cairo_close_path(cr);
    setColour(cr, white);
    cairo_fill_preserve(cr);
    setColour(cr, slate);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    cairo_move_to(cr, 10, 35);
    cairo_curve_to(cr, 14, 20, 24, 34, 25, 24);
    cairo_curve_to(cr, 26, 14, 15, 18, 18, 12);
    cairo_curve_to(cr, 20, 8, 27, 10, 29, 17);
    setColour(cr, trackBlue);
    cairo_set_line_width(cr, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);

    cairo_arc(cr, 10, 35, 3.2, 0, 2 * std::numbers::pi);
    setColour(cr, startGreen);
    cairo_fill_preserve(cr);
    setColour(cr, white);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);

    fillRect(cr, 28, 6, 2, 11, slate);
    chequeredCloth(cr, 31, 7, 3, 2, 2);
}

void logo(cairo_t* cr, cairo_font_face_t* font) {
    logoEmblem(cr);

    cairo_set_font_face(cr, font);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);

    // The word is sized to fill the space right of the emblem, its capitals on whole pixels.
    const double left = 50;
    const double available = 190 - left - 2;
    cairo_set_font_size(cr, 32);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, "Trakmoor", &extents);
    const double size = std::floor(32 * available / extents.x_advance);
    cairo_set_font_size(cr, size);
    cairo_text_extents(cr, "Trakmoor", &extents);
    const double baseline = 34;

    cairo_move_to(cr, left - extents.x_bearing, baseline);
    cairo_text_path(cr, "Trak");
    double x = 0;
    double y = 0;
    cairo_get_current_point(cr, &x, &y);
    setColour(cr, slate);
    cairo_set_line_width(cr, 1.1);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_fill_preserve(cr);
    cairo_stroke(cr);
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, "moor");
    setColour(cr, trackBlue);
    cairo_fill_preserve(cr);
    cairo_stroke(cr);
}

std::vector<Picture> allPictures(cairo_font_face_t* font) {
    auto rotate = [](Axis axis, Turn turn) {
        return [axis, turn](cairo_t* cr) { rotateButton(cr, axis, turn); };
    };
    return {
        {"logo.png", 190, 47, [font](cairo_t* cr) { logo(cr, font); }},
        {"cursor_prev.png", 24, 22, cursorPrevious},
        {"cursor_next.png", 24, 22, cursorNext},
        {"signpost.png", 24, 22, signpost},
        {"mini_finish.png", 24, 22, miniFinish},
        {"zoom_in.png", 24, 22, [](cairo_t* cr) { magnifier(cr, true); }},
        {"zoom_out.png", 24, 22, [](cairo_t* cr) { magnifier(cr, false); }},
        {"angle_x_left.png", 24, 16, rotate(Axis::X, Turn::Counterclockwise)},
        {"angle_x_right.png", 24, 16, rotate(Axis::X, Turn::Clockwise)},
        {"angle_y_left.png", 24, 16, rotate(Axis::Y, Turn::Counterclockwise)},
        {"angle_y_right.png", 24, 16, rotate(Axis::Y, Turn::Clockwise)},
        {"angle_z_left.png", 24, 16, rotate(Axis::Z, Turn::Counterclockwise)},
        {"angle_z_right.png", 24, 16, rotate(Axis::Z, Turn::Clockwise)},
        {"flag_mark_a.png", 40, 32, flagMarkA},
        {"flag_mark_b.png", 40, 32, flagMarkB},
        {"flag_start.png", 24, 32, flagStart},
        {"flag_finish.png", 24, 32, flagFinish},
    };
}

SurfacePtr render(const Picture& picture) {
    SurfacePtr surface = makeSurface(picture.width, picture.height);
    ContextPtr cr = makeContext(surface.get());
    picture.draw(cr.get());
    cairo_surface_flush(surface.get());
    return surface;
}

// ---------------------------------------------------------------------------------------------
// Icons: the emblem's tile spans 3..42 x 4..43 in logo pixels; moved up one pixel it is centred in
// a 45 x 45 square, which is scaled to the icon's size.

constexpr double emblemSquare = 45;

void icon(cairo_t* cr, double size) {
    cairo_scale(cr, size / emblemSquare, size / emblemSquare);
    cairo_translate(cr, 0, -1);
    logoEmblem(cr);
}

void writeIcons(const std::filesystem::path& iconDir) {
    const std::filesystem::path hicolor = iconDir / "hicolor";
    for (int size : {48, 128, 256}) {
        const std::string sizeName = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path folder = hicolor / sizeName / "apps";
        std::filesystem::create_directories(folder);
        const SurfacePtr surface =
            render({"trakmoor.png", size, size, [size](cairo_t* cr) { icon(cr, size); }});
        const std::string path = (folder / "trakmoor.png").string();
        if (cairo_surface_write_to_png(surface.get(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
            throw std::runtime_error("cannot write " + path);
        }
    }
    const std::filesystem::path folder = hicolor / "scalable" / "apps";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "trakmoor.svg").string();
    SurfacePtr svg(cairo_svg_surface_create(path.c_str(), emblemSquare, emblemSquare));
    {
        ContextPtr cr = makeContext(svg.get());
        icon(cr.get(), emblemSquare);
    }
    cairo_surface_finish(svg.get());
    if (cairo_surface_status(svg.get()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot write " + path);
    }
}

// ---------------------------------------------------------------------------------------------
// Contact sheet: every picture at 1x on the buttons' grey, at 4x, and inside its button as the
// toolkit fits it; the flags also on a light map with a track. The marker flags get a band of
// their own with their button enlarged 8 times, since that is where their letters must hold up.

void paintScaled(cairo_t* cr, cairo_surface_t* image, double x, double y, double scale) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
}

// A copy of `image` at w x h picked the way SDL's nearest-neighbour copy picks its pixels: a
// 16.16 step started half a step in, so halving takes the odd rows and columns. cairo's own
// nearest filter takes the even ones and would hide a letter that breaks on the other pair.
SurfacePtr scaledLikeSdl(cairo_surface_t* image, int w, int h) {
    SurfacePtr scaled = makeSurface(w, h);
    const int sourceWidth = cairo_image_surface_get_width(image);
    const int sourceHeight = cairo_image_surface_get_height(image);
    const int sourceStride = cairo_image_surface_get_stride(image);
    const int stride = cairo_image_surface_get_stride(scaled.get());
    const unsigned char* source = cairo_image_surface_get_data(image);
    unsigned char* target = cairo_image_surface_get_data(scaled.get());
    const long stepX = (static_cast<long>(sourceWidth) << 16) / w;
    const long stepY = (static_cast<long>(sourceHeight) << 16) / h;
    for (int y = 0; y < h; ++y) {
        const long sourceY = (stepY / 2 + y * stepY) >> 16;
        for (int x = 0; x < w; ++x) {
            const long sourceX = (stepX / 2 + x * stepX) >> 16;
            std::copy_n(source + sourceY * sourceStride + sourceX * 4, 4,
                        target + y * stride + x * 4);
        }
    }
    cairo_surface_mark_dirty(scaled.get());
    return scaled;
}

// The toolkit's unpressed button: a black outline with cut corners and a white/grey bevel, and
// the picture fitted into the inner (w - 8) x (h - 8) area.
void paintButton(cairo_t* cr, double x, double y, int w, int h, cairo_surface_t* image) {
    fillRect(cr, x + 1, y, w - 1, 1, {0, 0, 0});
    fillRect(cr, x + 1, y + h, w - 1, 1, {0, 0, 0});
    fillRect(cr, x, y + 1, 2, h - 1, {0, 0, 0});
    fillRect(cr, x + w - 1, y + 1, 2, h - 1, {0, 0, 0});
    fillRect(cr, x, y + 1, w + 1, 1, {0, 0, 0});
    fillRect(cr, x, y + h - 1, w + 1, 1, {0, 0, 0});
    fillRect(cr, x + 2, y + 2, w - 4, 2, white);
    fillRect(cr, x + 2, y + 2, 2, h - 5, white);
    fillRect(cr, x + 2, y + h - 3, w - 4, 2, {0.5, 0.5, 0.5});
    fillRect(cr, x + w - 3, y + 2, 2, h - 4, {0.5, 0.5, 0.5});
    const int imageWidth = cairo_image_surface_get_width(image);
    const int imageHeight = cairo_image_surface_get_height(image);
    const double scale =
        std::min(static_cast<double>(w - 8) / imageWidth, static_cast<double>(h - 8) / imageHeight);
    const int drawnWidth = std::max(1, static_cast<int>(imageWidth * scale));
    const int drawnHeight = std::max(1, static_cast<int>(imageHeight * scale));
    SurfacePtr fitted = scaledLikeSdl(image, drawnWidth, drawnHeight);
    paintScaled(cr, fitted.get(), x + 4 + (w - 8 - drawnWidth) / 2,
                y + 4 + (h - 8 - drawnHeight) / 2, 1);
}

SurfacePtr buttonPicture(int w, int h, cairo_surface_t* image) {
    SurfacePtr button = makeSurface(w + 1, h + 1);
    ContextPtr cr = makeContext(button.get());
    fillRect(cr.get(), 0, 0, w + 1, h + 1, {0xF0 / 255.0, 0xF0 / 255.0, 0xF0 / 255.0});
    paintButton(cr.get(), 0, 0, w, h, image);
    cairo_surface_flush(button.get());
    return button;
}

// A light map with a park and a track line; the flag's bottom centre on a track point.
SurfacePtr mapPicture(cairo_surface_t* image) {
    SurfacePtr map = makeSurface(100, 60);
    ContextPtr cr = makeContext(map.get());
    cairo_t* c = cr.get();
    fillRect(c, 0, 0, 100, 60, {0.95, 0.94, 0.91});
    fillRect(c, 30, 10, 40, 25, {0.80, 0.90, 0.75});
    line(c, 5, 55, 50, 45);
    line(c, 50, 45, 95, 20);
    setColour(c, trackBlue);
    cairo_set_line_width(c, 2.5);
    cairo_stroke(c);
    paintScaled(c, image, 50 - cairo_image_surface_get_width(image) / 2,
                45 - cairo_image_surface_get_height(image), 1);
    cairo_surface_flush(map.get());
    return map;
}

void writeSheet(const std::vector<Picture>& pictures, const std::vector<SurfacePtr>& images,
                const std::string& path) {
    const int width = 1200;
    const int height = 1380;
    SurfacePtr sheet = makeSurface(width, height);
    ContextPtr cr = makeContext(sheet.get());
    cairo_t* c = cr.get();
    fillRect(c, 0, 0, width, height, {0xF0 / 255.0, 0xF0 / 255.0, 0xF0 / 255.0});

    // The logo across the top, then one cell per picture: 1x, 4x, in its button at 1x and 4x, or
    // for the start and finish flags on the map. The marker flags follow in their own band.
    paintScaled(c, images[0].get(), 10, 10, 1);
    paintScaled(c, images[0].get(), 220, 10, 4);
    const double cellWidth = 400;
    const double cellHeight = 150;
    int cell = 0;
    double bandY = 0;
    for (std::size_t i = 1; i < pictures.size(); ++i) {
        const Picture& picture = pictures[i];
        cairo_surface_t* image = images[i].get();
        if (picture.name.starts_with("flag_mark")) {
            continue;
        }
        const double x = 10 + (cell % 3) * cellWidth;
        const double y = 210 + (cell / 3) * cellHeight;
        bandY = y + cellHeight;
        ++cell;
        paintScaled(c, image, x, y, 1);
        paintScaled(c, image, x + 40, y, 4);
        if (picture.height == 32) {
            SurfacePtr map = mapPicture(image);
            paintScaled(c, map.get(), x + 150, y, 1);
            continue;
        }
        const int h = picture.height == 22 ? 30 : 24;
        SurfacePtr button = buttonPicture(32, h, image);
        paintScaled(c, button.get(), x + 150, y, 1);
        paintScaled(c, button.get(), x + 192, y, 4);
    }

    // Marker flags: 1x and 4x, on the map at 1x and 2x, the 68 x 24 button at 1x and 8x.
    for (std::size_t i = 1; i < pictures.size(); ++i) {
        if (!pictures[i].name.starts_with("flag_mark")) {
            continue;
        }
        cairo_surface_t* image = images[i].get();
        SurfacePtr map = mapPicture(image);
        SurfacePtr button = buttonPicture(68, 24, image);
        paintScaled(c, image, 10, bandY, 1);
        paintScaled(c, image, 60, bandY, 4);
        paintScaled(c, map.get(), 230, bandY, 1);
        paintScaled(c, button.get(), 230, bandY + 70, 1);
        paintScaled(c, map.get(), 340, bandY, 2);
        paintScaled(c, button.get(), 550, bandY, 8);
        bandY += 210;
    }
    cairo_surface_flush(sheet.get());
    if (cairo_surface_write_to_png(sheet.get(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// main

int main(int argc, char** argv) {
    const char* usage =
        "usage: make_images OUTPUT_DIR FONT.ttf [--icons ICON_DIR] [--sheet SHEET.png]\n";
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    std::string iconDir;
    std::string sheetPath;
    for (int i = 3; i < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--icons") {
            iconDir = argv[i + 1];
        } else if (option == "--sheet") {
            sheetPath = argv[i + 1];
        } else {
            std::fprintf(stderr, "%s", usage);
            return 2;
        }
    }
    try {
        const std::filesystem::path outputDir = argv[1];
        std::filesystem::create_directories(outputDir);
        OutlineFont font(argv[2]);
        const std::vector<Picture> pictures = allPictures(font.cairoFace());
        std::vector<SurfacePtr> images;
        for (const Picture& picture : pictures) {
            images.push_back(render(picture));
            const std::string path = (outputDir / picture.name).string();
            if (cairo_surface_write_to_png(images.back().get(), path.c_str()) !=
                CAIRO_STATUS_SUCCESS) {
                throw std::runtime_error("cannot write " + path);
            }
        }
        if (!iconDir.empty()) {
            writeIcons(iconDir);
        }
        if (!sheetPath.empty()) {
            writeSheet(pictures, images, sheetPath);
        }
        images.clear();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_images: %s\n", error.what());
        return 1;
    }
    return 0;
}
