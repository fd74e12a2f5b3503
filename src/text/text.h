// Text meshes: a string laid out in a bitmap font, optionally word-wrapped, as textured triangles
// per font page; and the fonts that scripts load. State: the store of fonts (10 fonts, kept until the
// process ends or a reload replaces the state that loaded them), the store set aside during a
// reload, and the one mesh that DrawText and TextSize lay their text out in.
#pragma once

#include "text/font.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// 16-bit indices address 65536 vertices: a page's quads are drawn in chunks of this many.
const int kMaxQuadsPerDraw = 16384;

// A page's quads. Their triangles are corners (0, 3, 1) and (1, 3, 2) of each quad, counted from
// the quad's chunk of kMaxQuadsPerDraw: the same for every mesh, so they are not stored.
struct TextBatch {
    TextureHandle texture = 0;
    int32_t triangle_count = 0;
    std::vector<float> vertices;    // x, y per corner, 4 corners per quad
    std::vector<float> tex_coords;  // parallel to vertices
};

// One batch per font page. A mesh is rebuilt in place by each MakeText, so callers keep one and
// its arrays stop allocating once they have grown to the longest text.
struct TextMesh {
    int32_t width = 0;  // the widest line: the largest pen position after any glyph
    int32_t lines = 0;  // lines laid out (an empty text is one)
    std::vector<TextBatch> batches;
};

// Lays out `text` (carriage returns removed; wrapped at `width_limit` pixels unless it is -1)
// into `mesh`. Bytes without a glyph take no space and draw nothing.
void MakeText(const BitmapFont& font, std::string_view text, int32_t width_limit, TextMesh& mesh);
// Breaks lines at the last space before a line grows wider than `limit`, else after the
// character that made it too wide.
void WrapText(const BitmapFont& font, std::string_view text, int32_t limit, std::string& out);
void BuildTextMesh(const BitmapFont& font, std::string_view text, TextMesh& mesh);
// Draws the mesh with its top-left corner at (x, y), its glyphs tinted by the colour.
void DrawTextMesh(const TextMesh& mesh, int x, int y, float red, float green, float blue,
                  float alpha);

// A reload: the running state's fonts are set aside and the store starts empty; then either they
// are freed (the new state started) or the new state's are freed and they come back.
void SetFontsAside();
void ReleaseFontsAside();
void PutFontsBack();

// Reads a font into the next slot and returns its handle (1..10); 0 when the store is full or
// the file cannot be read or no window is open yet ("Font loading error: <path>" is printed then).
int LoadFont(const char* path, const char* directory);
// The size `text` takes in DrawText with font `handle` and wrap width `width_limit`: the widest
// line's pen advance and the lines' height. False when the handle names no font.
bool TextSize(int handle, const char* text, int32_t width_limit, int& width, int& height);
// Draws `text` in font `handle` at (x, y), centred horizontally on x when asked; pending boxes and
// lines are flushed first so the text lies over them.
void DrawText(int handle, const char* text, int x, int y, int32_t width_limit, bool centred,
              float red, float green, float blue, float alpha);
