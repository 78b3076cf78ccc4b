#ifndef TRAKMOOR_GUI_SDLHANDLES_H
#define TRAKMOOR_GUI_SDLHANDLES_H

// Owning handles for the C objects the toolkit holds.  Each deleter accepts null, so a handle can
// be reset freely, and none of them throws.

#include <SDL.h>
#include <SDL_ttf.h>
#include <cairo.h>

#include <cstdlib>
#include <memory>

struct SdlWindowDeleter {
    void operator()(SDL_Window* w) const noexcept { SDL_DestroyWindow(w); }
};
struct SdlRendererDeleter {
    void operator()(SDL_Renderer* r) const noexcept { SDL_DestroyRenderer(r); }
};
struct SdlTextureDeleter {
    void operator()(SDL_Texture* t) const noexcept { SDL_DestroyTexture(t); }
};
struct SdlSurfaceDeleter {
    void operator()(SDL_Surface* s) const noexcept { SDL_FreeSurface(s); }
};
struct TtfFontDeleter {
    void operator()(TTF_Font* f) const noexcept { TTF_CloseFont(f); }
};
struct CairoSurfaceDeleter {
    void operator()(cairo_surface_t* s) const noexcept { cairo_surface_destroy(s); }
};
struct CairoContextDeleter {
    void operator()(cairo_t* c) const noexcept { cairo_destroy(c); }
};
struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};

using SdlWindowPtr = std::unique_ptr<SDL_Window, SdlWindowDeleter>;
using SdlRendererPtr = std::unique_ptr<SDL_Renderer, SdlRendererDeleter>;
using SdlTexturePtr = std::unique_ptr<SDL_Texture, SdlTextureDeleter>;
using SdlSurfacePtr = std::unique_ptr<SDL_Surface, SdlSurfaceDeleter>;
using TtfFontPtr = std::unique_ptr<TTF_Font, TtfFontDeleter>;
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;
using CairoContextPtr = std::unique_ptr<cairo_t, CairoContextDeleter>;
// A block from calloc, for pixel memory that cairo draws into.
using PixelBlockPtr = std::unique_ptr<unsigned char, FreeDeleter>;

#endif // TRAKMOOR_GUI_SDLHANDLES_H
