// Where and how large the five logo pictures are drawn.
#pragma once

#include <array>

namespace vandok {

struct LogoPlace {
  const char* file;
  int x, y;
  int max_width, max_height;
};

inline constexpr std::array<LogoPlace, 5> kLogoPlaces{{
    {"pelto.JPG", 20, 120, 310, 334},
    {"vandok.JPG", 10, 90, 140, 137},
    {"tarvex.JPG", 30, 10, 240, 56},
    {"brisal.JPG", 10, 480, 160, 41},
    {"vandok_log.JPG", 180, 480, 160, 47},
}};

struct PixelSize {
  int width, height;
};

// HIMETRIC (0.01 mm) to pixels, rounded to the nearest pixel.
int himetric_to_pixels(int dpi, int himetric);

// Natural size in pixels, each side clamped on its own to the place's maximum.
PixelSize logo_draw_size(int dpi_x, int dpi_y, int hm_width, int hm_height, const LogoPlace& place);

// Top-left corner that centres an icon in a client area.
struct PixelPoint {
  int x, y;
};
PixelPoint centred_icon_origin(int client_width, int client_height, int icon_width, int icon_height);

}  // namespace vandok
