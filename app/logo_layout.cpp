#include "app/logo_layout.h"

#include <algorithm>

namespace vandok {

int himetric_to_pixels(int dpi, int himetric) { return (dpi * himetric + 1270) / 2540; }

PixelSize logo_draw_size(int dpi_x, int dpi_y, int hm_width, int hm_height, const LogoPlace& place) {
  return {std::min(himetric_to_pixels(dpi_x, hm_width), place.max_width),
          std::min(himetric_to_pixels(dpi_y, hm_height), place.max_height)};
}

PixelPoint centred_icon_origin(int client_width, int client_height, int icon_width, int icon_height) {
  return {(client_width - icon_width + 1) / 2, (client_height - icon_height + 1) / 2};
}

}  // namespace vandok
