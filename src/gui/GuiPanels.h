#ifndef TRAKMOOR_GUI_GUIPANELS_H
#define TRAKMOOR_GUI_GUIPANELS_H

// Panels that show pictures: a cairo drawing surface uploaded to a streaming texture, and a
// picture file fitted into a rectangle.

#include "gui/GuiObject.h"

#include <cairo.h>

#include <string>

// The application draws a complete picture into `cairo()` whenever the panel should change; the
// panel uploads it when painted, at most as often as setMaxFrameRate allows.  Between two uploads
// the screen keeps the last uploaded picture.
class GuiCairoPanel : public GuiObject {
public:
    GuiCairoPanel(GuiObject* parent, int id, int x, int y, int width, int height,
                  std::uint32_t colour, SDL_Renderer* renderer);
    ~GuiCairoPanel() override;

    const char* className() const override { return "GuiCairoPanel"; }
    // Rebuilds surface and texture for the new size.  The new pixels are not cleared: the whole
    // panel must be drawn before it is next shown.
    void layout(SDL_Renderer* renderer, int newWidth, int newHeight) override;
    void paint(SDL_Renderer* renderer) override;
    void handleEvent(GuiEvent* event) override;
    // The picture stays invalidated until it has been uploaded, which the rate limit may delay.
    void markPainted() override {}

    cairo_t* cairo() const { return cairo_.get(); }
    cairo_surface_t* surface() const { return surface_.get(); }
    SDL_Texture* texture() const { return texture_.get(); }
    int stride() const { return stride_; }
    // Uploads at most `rate` times a second; 0 or less lifts the limit.
    void setMaxFrameRate(int rate);
    // Whether the rate limit lets the next paint upload, so that pictures are drawn only when
    // they will show.  A paint uploads only a picture that was invalidated since the last upload
    // (or a fresh surface); drawing into the panel must therefore be followed by invalidate().
    bool isUploadDue() const;
    bool isUploadDue(std::uint32_t ticks) const;

    int uploadInterval = 0;
    std::uint32_t lastUploadTicks = 0;
    // Keep the right and bottom margins when the window is resized.
    bool stretchWidth = true;
    bool stretchHeight = true;

private:
    bool uploadDueAt(std::uint32_t ticks) const;

    PixelBlockPtr pixels_;
    CairoSurfacePtr surface_;
    CairoContextPtr cairo_;
    SdlTexturePtr texture_;
    int stride_ = 0;
    bool uploadedOnce_ = false;
};

// The picture that a control shows, with its size and the file it came from (empty for a
// built-in one).  The control decides when to repaint and how to fit the picture.
class GuiPictureHolder {
public:
    SDL_Texture* image() const { return image_.get(); }
    int imageWidth = 0;
    int imageHeight = 0;
    std::string imagePath;

protected:
    // Loads a picture file; false, and nothing shown, if it cannot be read or made a texture.
    bool loadPicture(SDL_Renderer* renderer, const std::string& path);
    // Takes over a decoded picture; false, and nothing shown, if it cannot be made a texture.
    bool showPicture(SDL_Renderer* renderer, SdlSurfacePtr picture);
    void dropPicture();

private:
    SdlTexturePtr image_;
};

// Shows a picture scaled to fit, centred, and reports presses with GuiCmdImagePanel.
class GuiImagePanel : public GuiObject, public GuiPictureHolder {
public:
    GuiImagePanel(GuiObject* parent, int id, int x, int y, int width, int height,
                  std::uint32_t colour);

    const char* className() const override { return "GuiImagePanel"; }
    void paint(SDL_Renderer* renderer) override;
    void handleEvent(GuiEvent* event) override;

    bool loadImage(SDL_Renderer* renderer, const std::string& path);
    void clearImage();
};

// Where a picture of imageW x imageH lands when fitted into `area` keeping its aspect ratio:
// as large as fits, at least 1 x 1, centred.  Without positive sizes, an empty rectangle at the
// area's corner.
SDL_Rect guiFitImage(const SDL_Rect& area, int imageW, int imageH);

#endif // TRAKMOOR_GUI_GUIPANELS_H
