#include "gui/GuiGlyphs.h"

#include "gui/GuiClip.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

// ---------------------------------------------------------------------------------------------
// UTF-8
// ---------------------------------------------------------------------------------------------

Utf8Char decodeUtf8(const char* bytes, std::size_t remaining) {
    if (bytes == nullptr || remaining == 0) {
        return {kReplacementChar, remaining == 0 ? 0 : 1};
    }
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    const unsigned char lead = s[0];
    if (lead < 0x80) {
        return {lead, 1};
    }
    int length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return {kReplacementChar, 1};
    }
    if (remaining < static_cast<std::size_t>(length)) {
        return {kReplacementChar, 1};
    }
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            return {kReplacementChar, 1};
        }
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return {kReplacementChar, 1};
    }
    return {cp, length};
}

std::size_t byteOffsetOfChar(std::string_view text, int charIndex) {
    std::size_t offset = 0;
    for (int i = 0; i < charIndex && offset < text.size(); ++i) {
        offset += decodeUtf8(text.data() + offset, text.size() - offset).length;
    }
    return offset;
}

int utf8CharCount(std::string_view text) {
    int count = 0;
    for (std::size_t offset = 0; offset < text.size(); ++count) {
        offset += decodeUtf8(text.data() + offset, text.size() - offset).length;
    }
    return count;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string sanitizeUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t offset = 0; offset < text.size();) {
        const Utf8Char c = decodeUtf8(text.data() + offset, text.size() - offset);
        if (c.codePoint == kReplacementChar && c.length == 1) {
            appendUtf8(out, kReplacementChar);
        } else {
            out.append(text.substr(offset, c.length));
        }
        offset += c.length;
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------------------------

FaceMetrics faceMetrics(FT_Face face) {
    if (face == nullptr || face->size == nullptr) {
        return {};
    }
    return {static_cast<int>(face->size->metrics.ascender / 64),
            static_cast<int>(face->size->metrics.height / 64)};
}

namespace {

struct GlyphMetrics {
    int left = 0;
    int bitmapWidth = 0;
    int advance = 0;
};

// Rendering a glyph is by far the dearest step of a layout, and long texts repeat few glyphs.
class GlyphMetricsCache {
public:
    explicit GlyphMetricsCache(FT_Face face) : face_(face) {}

    GlyphMetrics get(FT_UInt index) {
        if (auto found = cache_.find(index); found != cache_.end()) {
            return found->second;
        }
        GlyphMetrics metrics;
        if (face_ != nullptr && FT_Load_Glyph(face_, index, FT_LOAD_RENDER) == 0) {
            const FT_GlyphSlot slot = face_->glyph;
            metrics.left = slot->bitmap_left;
            metrics.bitmapWidth = static_cast<int>(slot->bitmap.width);
            metrics.advance = static_cast<int>(slot->advance.x / 64);
        }
        cache_.emplace(index, metrics);
        return metrics;
    }

private:
    FT_Face face_;
    std::unordered_map<FT_UInt, GlyphMetrics> cache_;
};

bool isBreakingSpace(int cp) {
    return cp == 32 || cp == 9;
}

} // namespace

std::vector<GlyphBox> layoutGlyphs(FT_Face face, std::string_view text, int x, int y, int width,
                                   GlyphLayoutOptions options) {
    std::vector<GlyphBox> boxes;
    const FaceMetrics metrics = faceMetrics(face);
    const int leftEdge = x + kGlyphMargin;
    const int usableWidth = std::max(width - 22, 1);
    const int rightEdge = leftEdge + usableWidth;
    int penX = leftEdge;
    int baseline = y + kGlyphMargin + metrics.ascender;

    const bool wrap = options.wrap && !options.password;
    int passwordChar = 0;
    if (options.password) {
        passwordChar = face != nullptr && FT_Get_Char_Index(face, kPasswordBullet) != 0
                           ? kPasswordBullet
                           : '*';
    }
    const bool kerning = face != nullptr && FT_HAS_KERNING(face);
    GlyphMetricsCache cache(face);

    std::size_t lineStart = 0;
    std::size_t breakIndex = 0; // 0 never marks a break: a break needs a box before it
    int breakPenX = 0;
    FT_UInt previousGlyph = 0;
    int previousCp = 0;

    auto newLine = [&] {
        penX = leftEdge;
        baseline += metrics.lineHeight;
        lineStart = boxes.size();
        breakIndex = 0;
        previousGlyph = 0;
    };

    for (std::size_t offset = 0; offset < text.size();) {
        const Utf8Char c = decodeUtf8(text.data() + offset, text.size() - offset);
        offset += c.length;
        const int cp = options.password ? passwordChar : static_cast<int>(c.codePoint);

        if (cp == 10) {
            boxes.push_back({penX, baseline, 0, 10});
            newLine();
            continue;
        }
        if (cp == 9) {
            boxes.push_back({penX, baseline, kGlyphTabWidth, 9});
            penX += kGlyphTabWidth;
            breakIndex = boxes.size();
            breakPenX = penX;
            previousGlyph = 0;
            previousCp = 9;
            continue;
        }

        const FT_UInt glyph = face != nullptr ? FT_Get_Char_Index(face, cp) : 0;
        if (kerning && previousGlyph != 0 && cp != 32 && !isBreakingSpace(previousCp)) {
            FT_Vector delta{};
            if (FT_Get_Kerning(face, previousGlyph, glyph, FT_KERNING_DEFAULT, &delta) == 0) {
                penX += static_cast<int>(delta.x / 64);
            }
        }
        const GlyphMetrics gm = cache.get(glyph);
        const int boxWidth = std::max(gm.bitmapWidth, gm.advance);

        if (wrap && cp != 32 && penX + gm.advance > rightEdge) {
            if (breakIndex > lineStart) {
                const int shift = breakPenX - leftEdge;
                for (std::size_t i = breakIndex; i < boxes.size(); ++i) {
                    boxes[i].x -= shift;
                    boxes[i].baseline += metrics.lineHeight;
                }
                penX -= shift;
                baseline += metrics.lineHeight;
                lineStart = breakIndex;
                breakIndex = 0;
            }
            if (penX + gm.advance > rightEdge && boxes.size() > lineStart) {
                newLine();
            }
        }
        boxes.push_back({penX + gm.left, baseline, boxWidth, cp});
        penX += gm.advance;
        if (cp == 32 && !options.password) {
            breakIndex = boxes.size();
            breakPenX = penX;
        }
        previousGlyph = glyph;
        previousCp = cp;
    }

    if (!options.password && !text.empty() && text.back() == '\n') {
        boxes.push_back({penX, baseline, 0, 32});
    }
    return boxes;
}

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------

SDL_Point glyphCursorPoint(const std::vector<GlyphBox>& glyphs, int cursorIndex, int controlX,
                           int controlY, int ascender) {
    if (glyphs.empty()) {
        return {controlX + kGlyphMargin, controlY + kGlyphMargin};
    }
    if (cursorIndex >= 0 && static_cast<std::size_t>(cursorIndex) < glyphs.size()) {
        const GlyphBox& box = glyphs[cursorIndex];
        return {box.x, box.baseline - ascender};
    }
    const GlyphBox& last = glyphs.back();
    return {last.x + last.width, last.baseline - ascender};
}

namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const noexcept { SDL_FreeSurface(s); }
};

void drawGlyphBitmap(SDL_Renderer* renderer, const FT_Bitmap& bitmap, int x, int y, Uint8 colour,
                     const std::function<void(SDL_Texture*)>& releaseTexture) {
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0) {
        return;
    }
    const int w = static_cast<int>(bitmap.width);
    const int h = static_cast<int>(bitmap.rows);
    std::unique_ptr<SDL_Surface, SurfaceDeleter> surface(
        SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ABGR8888));
    if (!surface) {
        return;
    }
    for (int row = 0; row < h; ++row) {
        const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        auto* dst = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) +
                                              static_cast<std::ptrdiff_t>(row) * surface->pitch);
        for (int col = 0; col < w; ++col) {
            dst[col] = SDL_MapRGBA(surface->format, colour, colour, colour, src[col]);
        }
    }
    SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, surface.get());
    if (texture == nullptr) {
        return;
    }
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    const SDL_Rect target{x, y, w, h};
    SDL_RenderCopy(renderer, texture, nullptr, &target);
    if (releaseTexture) {
        releaseTexture(texture);
    } else {
        SDL_DestroyTexture(texture);
    }
}

} // namespace

void paintGlyphs(SDL_Renderer* renderer, const GlyphPaintState& state,
                 const std::function<void(SDL_Texture*)>& releaseTexture) {
    if (renderer == nullptr || state.glyphs == nullptr) {
        return;
    }
    const std::vector<GlyphBox>& glyphs = *state.glyphs;
    const FaceMetrics metrics = faceMetrics(state.face);
    const int lineHeight = std::max(metrics.lineHeight, 1);

    SDL_SetRenderDrawColor(renderer, 255, 255, 255, 255);
    SDL_RenderFillRect(renderer, &state.bounds);
    GuiClipScope clip(renderer, state.textArea);

    const SDL_Rect& area = state.textArea;
    auto lineTop = [&](const GlyphBox& box) {
        return box.baseline - state.scrollY - metrics.ascender - kGlyphLineOffset;
    };
    auto inBand = [&](int top) { return top + lineHeight > area.y && top < area.y + area.h; };

    const int count = static_cast<int>(glyphs.size());
    const bool hasSelection = state.selectionFrom >= 0 && state.selectionTo >= 0 &&
                              state.selectionFrom != state.selectionTo;
    const int selFrom = std::clamp(std::min(state.selectionFrom, state.selectionTo), 0, count);
    const int selTo = std::clamp(std::max(state.selectionFrom, state.selectionTo), 0, count);
    auto isSelected = [&](int i) { return hasSelection && i >= selFrom && i < selTo; };

    if (state.focused && hasSelection) {
        SDL_SetRenderDrawColor(renderer, 0, 0, 255, 255);
        for (int i = selFrom; i < selTo; ++i) {
            const GlyphBox& box = glyphs[i];
            const int top = lineTop(box);
            if (!inBand(top)) {
                continue;
            }
            int w = box.width;
            if (i + 1 < count && glyphs[i + 1].baseline == box.baseline) {
                w = glyphs[i + 1].x - box.x;
            }
            const SDL_Rect r{box.x - state.scrollX, top, std::max(w, 1), lineHeight};
            SDL_RenderFillRect(renderer, &r);
        }
    }

    if (state.face != nullptr) {
        for (int i = 0; i < count; ++i) {
            const GlyphBox& box = glyphs[i];
            if (box.codePoint == 9 || box.codePoint == 10 || !inBand(lineTop(box))) {
                continue;
            }
            const int left = box.x - state.scrollX;
            if (left >= area.x + area.w || left + std::max(box.width, 1) <= area.x) {
                continue;
            }
            const FT_UInt index = FT_Get_Char_Index(state.face, box.codePoint);
            if (FT_Load_Glyph(state.face, index, FT_LOAD_RENDER) != 0) {
                continue;
            }
            const FT_GlyphSlot slot = state.face->glyph;
            drawGlyphBitmap(renderer, slot->bitmap, left,
                            box.baseline - state.scrollY - slot->bitmap_top - kGlyphLineOffset,
                            isSelected(i) && state.focused ? 255 : 0, releaseTexture);
        }
    }

    if (state.cursorVisible && !hasSelection) {
        const SDL_Point p = glyphCursorPoint(glyphs, state.cursorIndex, state.bounds.x,
                                             state.bounds.y, metrics.ascender);
        const int top = p.y - state.scrollY - kGlyphLineOffset;
        if (inBand(top)) {
            SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
            const SDL_Rect r{p.x - state.scrollX, top, 2, lineHeight};
            SDL_RenderFillRect(renderer, &r);
        }
    }
}
