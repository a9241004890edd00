#pragma once
// The desktop window of the live view (SDL2): shows the editor's pixels at its top left on black,
// as the host window holding the editor looks, and reads back what it shows.
//
// Threads: the main thread only (SDL's video functions). Ownership: owns the SDL window.
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qlv::live {

class LiveWindow {
 public:
  LiveWindow() = default;
  ~LiveWindow();
  LiveWindow(const LiveWindow&) = delete;
  LiveWindow& operator=(const LiveWindow&) = delete;

  // A resizable window whose client area is width × height. False with *error.
  bool Open(const std::string& title, int width, int height, std::string* error);
  void SetTitle(const std::string& title);
  void ToggleFullScreen();
  // The client area's size now.
  void Size(int* width, int* height) const;
  Uint32 id() const { return window_ ? SDL_GetWindowID(window_) : 0; }

  // Shows `pixels` (0x00RRGGBB, rows top first, width × height) at the top left, the rest black.
  bool Present(const uint32_t* pixels, int width, int height, std::string* error);
  // What the window shows, as opaque 0xFFRRGGBB words.
  bool Capture(std::vector<uint32_t>* out, int* width, int* height) const;

 private:
  SDL_Window* window_ = nullptr;
};

}  // namespace qlv::live
