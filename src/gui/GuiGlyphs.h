#ifndef TRAKMOOR_GUI_GUIGLYPHS_H
#define TRAKMOOR_GUI_GUIGLYPHS_H

// Glyph-by-glyph text layout and drawing with FreeType.  Labels and lists draw whole strings with
// SDL2_ttf; the text control needs the box of every character for its cursor, selection, wrapping
// and hit testing, so it lays text out here.  Layout is kept apart from drawing so that it can be
// checked without a renderer.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <SDL.h>
#include <ft2build.h>
#include FT_FREETYPE_H

// One laid-out character, in window coordinates.
struct GlyphBox {
    int x = 0;         // left edge of the glyph bitmap (pen position plus bitmap left bearing)
    int baseline = 0;  // y of the baseline
    int width = 0;     // larger of bitmap width and advance; 0 for line breaks, 40 for tabs
    int codePoint = 0; // what was laid out: the bullet in password mode, 9, 10, 32 for the phantom
};

inline constexpr int kGlyphTabWidth = 40;
inline constexpr int kGlyphMargin = 5;     // text inset from the control's left and top edge
inline constexpr int kGlyphLineOffset = 3; // rows are drawn this much above baseline - ascender
inline constexpr char32_t kReplacementChar = 0xFFFD;
inline constexpr char32_t kPasswordBullet = 0x2022;

struct Utf8Char {
    char32_t codePoint = 0;
    int length = 1;
};

// Decodes one character.  Malformed input (stray continuation bytes, overlong forms, surrogates,
// values past U+10FFFF, sequences cut short) yields U+FFFD and consumes exactly one byte, so that
// every byte string walks to its end and character counts stay stable.
Utf8Char decodeUtf8(const char* bytes, std::size_t remaining);

// Byte offset of the character with the given index; the text length when the index lies past
// the end; 0 for negative indices.
std::size_t byteOffsetOfChar(std::string_view text, int charIndex);

int utf8CharCount(std::string_view text);

// The same text with every malformed byte replaced by U+FFFD, so that text from outside (the
// clipboard, file names) can be stored and shown safely.
std::string sanitizeUtf8(std::string_view text);

void appendUtf8(std::string& out, char32_t codePoint);

struct FaceMetrics {
    int ascender = 0;
    int lineHeight = 0;
};

// Scaled size metrics in whole pixels; zeros for a null face.
FaceMetrics faceMetrics(FT_Face face);

struct GlyphLayoutOptions {
    bool password = false;
    bool wrap = false;
};

// Lays out text for a control whose top-left corner is (x, y) and whose width is `width`.
std::vector<GlyphBox> layoutGlyphs(FT_Face face, std::string_view text, int x, int y, int width,
                                   GlyphLayoutOptions options);

// Everything paintGlyphs needs to know of the control that owns the glyphs.
struct GlyphPaintState {
    const std::vector<GlyphBox>* glyphs = nullptr;
    FT_Face face = nullptr;
    SDL_Rect bounds{};   // the control
    SDL_Rect textArea{}; // the control less its scroll bars
    int scrollX = 0;
    int scrollY = 0;
    bool focused = false;
    int selectionFrom = -1; // character range [from, to) that is selected, -1 for none
    int selectionTo = -1;
    bool cursorVisible = false; // shown and in the "on" phase of its blink
    int cursorIndex = 0;
};

// Draws background, selection, glyphs and cursor.  Each glyph texture is handed to
// `releaseTexture` after use (the engine frees it a few frames later); a null function destroys
// it at once.
void paintGlyphs(SDL_Renderer* renderer, const GlyphPaintState& state,
                 const std::function<void(SDL_Texture*)>& releaseTexture);

// The cursor's top-left point (its y is baseline - ascender) before the character `cursorIndex`.
SDL_Point glyphCursorPoint(const std::vector<GlyphBox>& glyphs, int cursorIndex, int controlX,
                           int controlY, int ascender);

#endif
