#include "host/live/live_window.h"

#include <algorithm>

namespace qlv::live {

LiveWindow::~LiveWindow() {
  if (window_) SDL_DestroyWindow(window_);
}

bool LiveWindow::Open(const std::string& title, int width, int height, std::string* error) {
  // The pictures are made in memory; handing them to the window system as they are (shared
  // memory on X11) is cheaper than going through a 3D renderer's texture on every frame.
  SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
  // The click that brings the window forward also reaches the editor's controls, as a click on
  // a workstation's plug-in window does.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                             SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
  if (!window_) {
    *error = std::string("cannot open a window: ") + SDL_GetError();
    return false;
  }
  // Getting the surface may remake the window (SDL can move it to an accelerated kind); it is
  // done now, so that the window others see is the one that stays.
  if (!SDL_GetWindowSurface(window_)) {
    *error = std::string("the window has no surface: ") + SDL_GetError();
    return false;
  }
  return true;
}

void LiveWindow::SetTitle(const std::string& title) { SDL_SetWindowTitle(window_, title.c_str()); }

void LiveWindow::ToggleFullScreen() {
  const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
  SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void LiveWindow::Size(int* width, int* height) const { SDL_GetWindowSize(window_, width, height); }

bool LiveWindow::Present(const uint32_t* pixels, int width, int height, std::string* error) {
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface) {
    *error = std::string("the window has no surface: ") + SDL_GetError();
    return false;
  }
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                                           width * 4, SDL_PIXELFORMAT_RGB888);
  if (!source) {
    *error = std::string("cannot wrap the editor's pixels: ") + SDL_GetError();
    return false;
  }
  SDL_Rect place{0, 0, width, height};
  SDL_BlitSurface(source, nullptr, surface, &place);
  SDL_FreeSurface(source);
  const Uint32 black = SDL_MapRGB(surface->format, 0, 0, 0);
  const SDL_Rect right{width, 0, std::max(0, surface->w - width), surface->h};
  const SDL_Rect below{0, height, std::min(width, surface->w), std::max(0, surface->h - height)};
  SDL_FillRect(surface, &right, black);
  SDL_FillRect(surface, &below, black);
  if (SDL_UpdateWindowSurface(window_) != 0) {
    *error = std::string("cannot show the picture: ") + SDL_GetError();
    return false;
  }
  return true;
}

bool LiveWindow::Capture(std::vector<uint32_t>* out, int* width, int* height) const {
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface) return false;
  out->assign(static_cast<size_t>(surface->w) * surface->h, 0);
  if (SDL_LockSurface(surface) != 0) return false;
  const int failed = SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels,
                                       surface->pitch, SDL_PIXELFORMAT_ARGB8888, out->data(), surface->w * 4);
  SDL_UnlockSurface(surface);
  if (failed != 0) return false;
  for (uint32_t& word : *out) word |= 0xFF000000u;
  *width = surface->w;
  *height = surface->h;
  return true;
}

}  // namespace qlv::live
