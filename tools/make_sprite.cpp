// Draws the demo's sprite: a soft glowing star with a ring, white on transparent, 128 x 128.
// Usage: make_sprite OUT.png

#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s OUT.png\n", argv[0]);
        return 2;
    }
    const int size = 128;
    std::vector<unsigned char> pixels(size * size * 4);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            double dx = (x + 0.5) / size * 2 - 1, dy = (y + 0.5) / size * 2 - 1;
            double r = std::sqrt(dx * dx + dy * dy);
            double angle = std::atan2(dy, dx);
            double star = std::max(0.0, 1 - r / (0.35 + 0.25 * std::pow(std::cos(2.5 * angle), 8)));
            double ring = std::exp(-std::pow((r - 0.8) * 18, 2));
            double glow = std::exp(-r * 4) * 0.6;
            double a = std::min(1.0, star + ring + glow);
            unsigned char* p = &pixels[(y * size + x) * 4];
            p[0] = 255;
            p[1] = static_cast<unsigned char>(255 * (0.7 + 0.3 * (1 - r / 1.5)));
            p[2] = static_cast<unsigned char>(255 * std::min(1.0, 0.5 + r * 0.5));
            p[3] = static_cast<unsigned char>(255 * a);
        }
    if (!stbi_write_png(argv[1], size, size, 4, pixels.data(), size * 4)) {
        fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
