#include "gui/GuiPanels.h"

#include "gui/GuiEngine.h"
#include "gui/GuiWindow.h"

#include <SDL_image.h>

#include <algorithm>
#include <cstdlib>

SDL_Rect guiFitImage(const SDL_Rect& area, int imageW, int imageH) {
    if (imageW <= 0 || imageH <= 0 || area.w <= 0 || area.h <= 0) {
        return SDL_Rect{area.x, area.y, 0, 0};
    }
    const double scale =
        std::min(static_cast<double>(area.w) / imageW, static_cast<double>(area.h) / imageH);
    const int drawnW = std::max(static_cast<int>(imageW * scale), 1);
    const int drawnH = std::max(static_cast<int>(imageH * scale), 1);
    return SDL_Rect{area.x + (area.w - drawnW) / 2, area.y + (area.h - drawnH) / 2, drawnW, drawnH};
}

// ---------------------------------------------------------------------------------------------
// GuiCairoPanel

GuiCairoPanel::GuiCairoPanel(GuiObject* parent, int id, int x, int y, int width, int height,
                             std::uint32_t colour, SDL_Renderer* renderer)
    : GuiObject(parent, id, x, y, width, height, colour) {
    layout(renderer, width, height);
}

GuiCairoPanel::~GuiCairoPanel() = default;

void GuiCairoPanel::layout(SDL_Renderer* renderer, int newWidth, int newHeight) {
    width = newWidth;
    height = newHeight;
    texture_.reset();
    cairo_.reset();
    surface_.reset();
    pixels_.reset();
    uploadedOnce_ = false;
    dirty = 1;
    if (newWidth <= 0 || newHeight <= 0) {
        stride_ = 0;
        return;
    }
    stride_ = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, newWidth);
    pixels_.reset(static_cast<unsigned char*>(
        std::malloc(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(newHeight))));
    surface_.reset(cairo_image_surface_create_for_data(pixels_.get(), CAIRO_FORMAT_ARGB32, newWidth,
                                                       newHeight, stride_));
    cairo_.reset(cairo_create(surface_.get()));
    if (renderer != nullptr) {
        texture_.reset(SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                                         SDL_TEXTUREACCESS_STREAMING, newWidth, newHeight));
        if (texture_) {
            SDL_SetTextureBlendMode(texture_.get(), SDL_BLENDMODE_NONE);
        }
    }
}

void GuiCairoPanel::setMaxFrameRate(int rate) {
    uploadInterval = rate > 0 ? 1000 / rate : 0;
}

bool GuiCairoPanel::uploadDueAt(std::uint32_t ticks) const {
    // A fresh surface is always uploaded once, however recently the old one was.
    return uploadInterval == 0 || !uploadedOnce_ ||
           ticks - lastUploadTicks >= static_cast<std::uint32_t>(uploadInterval);
}

bool GuiCairoPanel::isUploadDue() const {
    GuiEngine* owner = const_cast<GuiCairoPanel*>(this)->engine();
    return uploadDueAt(owner != nullptr ? owner->frameTicks() : SDL_GetTicks());
}

bool GuiCairoPanel::isUploadDue(std::uint32_t ticks) const {
    return uploadDueAt(ticks);
}

void GuiCairoPanel::paint(SDL_Renderer* renderer) {
    if (!texture_) {
        return;
    }
    const std::uint32_t ticks = nowTicks();
    if ((dirty != 0 || !uploadedOnce_) && uploadDueAt(ticks)) {
        cairo_surface_flush(surface_.get());
        SDL_UpdateTexture(texture_.get(), nullptr, pixels_.get(), stride_);
        lastUploadTicks = ticks;
        uploadedOnce_ = true;
        dirty = 0;
    }
    SDL_Rect rect{x, y, width, height};
    SDL_RenderCopy(renderer, texture_.get(), nullptr, &rect);
}

void GuiCairoPanel::handleEvent(GuiEvent*) {}

// ---------------------------------------------------------------------------------------------
// GuiPictureHolder

bool GuiPictureHolder::loadPicture(SDL_Renderer* renderer, const std::string& path) {
    if (!showPicture(renderer, SdlSurfacePtr(IMG_Load(path.c_str())))) {
        return false;
    }
    imagePath = path;
    return true;
}

bool GuiPictureHolder::showPicture(SDL_Renderer* renderer, SdlSurfacePtr picture) {
    dropPicture();
    if (!picture || renderer == nullptr) {
        return false;
    }
    image_.reset(SDL_CreateTextureFromSurface(renderer, picture.get()));
    if (!image_) {
        return false;
    }
    SDL_SetTextureBlendMode(image_.get(), SDL_BLENDMODE_BLEND);
    imageWidth = picture->w;
    imageHeight = picture->h;
    return true;
}

void GuiPictureHolder::dropPicture() {
    image_.reset();
    imageWidth = 0;
    imageHeight = 0;
    imagePath.clear();
}

// ---------------------------------------------------------------------------------------------
// GuiImagePanel

GuiImagePanel::GuiImagePanel(GuiObject* parent, int id, int x, int y, int width, int height,
                             std::uint32_t colour)
    : GuiObject(parent, id, x, y, width, height, colour & 0x00FFFFFFu) {}

bool GuiImagePanel::loadImage(SDL_Renderer* renderer, const std::string& path) {
    clearImage();
    return loadPicture(renderer, path);
}

void GuiImagePanel::clearImage() {
    dropPicture();
    invalidate();
}

void GuiImagePanel::paint(SDL_Renderer* renderer) {
    if (renderer == nullptr) {
        return;
    }
    SDL_Rect rect{x, y, width, height};
    if (colour.a != 0) {
        SDL_SetRenderDrawColor(renderer, colour.r, colour.g, colour.b, colour.a);
        SDL_RenderFillRect(renderer, &rect);
    }
    if (image() == nullptr) {
        return;
    }
    SDL_Rect target = guiFitImage(rect, imageWidth, imageHeight);
    SDL_RenderCopy(renderer, image(), nullptr, &target);
}

void GuiImagePanel::handleEvent(GuiEvent* event) {
    if (event->sdlEvent != nullptr && event->sdlEvent->type == SDL_MOUSEBUTTONDOWN &&
        window != nullptr) {
        window->postEvent(GuiCmdImagePanel, id, 0, this);
    }
}
