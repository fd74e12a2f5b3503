// Bitmap fonts read from the text form of the .fnt format: glyph boxes as texture coordinates,
// kerning, and one texture per page image.
#pragma once

#include "render/texture.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Glyph {
    uint8_t id = 0;
    float texLeft = 0, texTop = 0, texRight = 0, texBottom = 0;
    int32_t width = 0, height = 0;
    int32_t xoffset = 0, yoffset = 0, xadvance = 0;
    int32_t page = 0;
    std::map<uint8_t, int32_t> kerning;  // following character -> pen adjustment
};

struct BitmapFont {
    int32_t lineHeight = 0;
    std::array<std::optional<Glyph>, 256> glyphs;  // by character byte
    std::vector<TextureHandle> pageTextures;       // 0 where a page image failed to load
    int32_t pageCount = 0;

    const Glyph* Find(uint8_t c) const { return glyphs[c] ? &*glyphs[c] : nullptr; }
};

// Pages beyond this are not read: no real font has them, and the count comes from the file.
const int32_t kMaxFontPages = 256;

// The value of the first "key=" in `line`, up to the next blank; empty when the key is absent.
std::string_view ReadValue(std::string_view line, std::string_view key);
// That value as a decimal int32; 0 when it is empty, not a number or out of range.
int32_t ReadInt(std::string_view line, std::string_view key);

struct FontReader {
    // Reads `path`; page images are loaded from `directory` + file name, so the directory ends in
    // "/". Null when the file cannot be opened or has fewer than two lines.
    std::unique_ptr<BitmapFont> ReadFont(const char* path, const char* directory);

    // Working state of one read: the scale of glyph boxes and the image file of each page.
    int32_t scaleW = 0;
    int32_t scaleH = 0;
    std::vector<std::optional<std::string>> pageFiles;

private:
    void ReadLineOfFont(BitmapFont& font, std::string_view line, const char* directory);
};
