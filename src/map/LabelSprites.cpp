#include "map/LabelSprites.h"

#include <cmath>

namespace trakmoor {

namespace {

// One A8 mask; null unless cairo could make it.
OwnedCairoSurface makeMask(int width, int height) {
    OwnedCairoSurface mask(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height));
    if (cairo_surface_status(mask.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    return mask;
}

} // namespace

void LabelSpriteCache::clear() {
    sprites_.clear();
    if (style_.font != nullptr) {
        cairo_font_face_destroy(style_.font);
    }
    style_ = LabelArea{};
    fontSize_ = 0.0;
}

void LabelSpriteCache::prepare(std::span<const PlacedLabel> labels, const LabelArea& area) {
    const double fontSize = labelFontSize(area.zoom);
    if (area.font != style_.font || fontSize != fontSize_) {
        clear();
        style_.font = area.font != nullptr ? cairo_font_face_reference(area.font) : nullptr;
        style_.zoom = area.zoom;
        fontSize_ = fontSize;
    }
    std::unordered_map<std::string, std::unique_ptr<Sprite>, NameHash, std::equal_to<>> kept;
    for (const PlacedLabel& label : labels) {
        if (kept.contains(*label.text)) {
            continue;
        }
        if (const auto old = sprites_.find(*label.text); old != sprites_.end()) {
            kept.insert(sprites_.extract(old));
            continue;
        }
        // The box is the ink box with room for the halo on every side, at the same distance from
        // every origin of the name.
        auto sprite = std::make_unique<Sprite>();
        sprite->left = static_cast<int>(std::floor(label.left - label.originX));
        sprite->top = static_cast<int>(std::floor(label.top - label.originY));
        sprite->width = static_cast<int>(std::ceil(label.right - label.originX)) - sprite->left;
        sprite->height = static_cast<int>(std::ceil(label.bottom - label.originY)) - sprite->top;
        kept.emplace(*label.text, std::move(sprite));
    }
    sprites_ = std::move(kept);
}

bool LabelSpriteCache::isDrawn(std::string_view name) const {
    const auto found = sprites_.find(name);
    return found != sprites_.end() && found->second->halo != nullptr;
}

void LabelSpriteCache::render(Sprite& sprite, const std::string& name) const {
    OwnedCairoSurface halo = makeMask(sprite.width, sprite.height);
    OwnedCairoSurface text = makeMask(sprite.width, sprite.height);
    if (!halo || !text) {
        return;
    }
    // The masks keep only the coverage of the default opaque source.
    for (cairo_surface_t* mask : {halo.get(), text.get()}) {
        const OwnedCairoContext cr(cairo_create(mask));
        useLabelStyle(cr.get(), style_);
        cairo_move_to(cr.get(), -sprite.left, -sprite.top);
        cairo_text_path(cr.get(), name.c_str());
        if (mask == halo.get()) {
            cairo_stroke(cr.get());
        } else {
            cairo_fill(cr.get());
        }
        if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
            return;
        }
    }
    sprite.halo = std::move(halo);
    sprite.text = std::move(text);
}

void LabelSpriteCache::draw(cairo_t* cr, std::span<const PlacedLabel> labels) {
    for (const PlacedLabel& label : labels) {
        const auto found = sprites_.find(*label.text);
        if (found == sprites_.end()) {
            continue;
        }
        Sprite& sprite = *found->second;
        std::call_once(sprite.drawn, [&] { render(sprite, found->first); });
        if (!sprite.halo) {
            drawPlacedLabels(cr, std::span(&label, 1), style_);
            continue;
        }
        const double x = label.originX + sprite.left;
        const double y = label.originY + sprite.top;
        setLabelSource(cr, labelHalo);
        cairo_mask_surface(cr, sprite.halo.get(), x, y);
        setLabelSource(cr, labelInk);
        cairo_mask_surface(cr, sprite.text.get(), x, y);
    }
}

} // namespace trakmoor
