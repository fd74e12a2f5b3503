// Text meshes, text drawing and the fonts that scripts load.

#include "text/text.h"

#include "text/text_internal.h"
#include "problems.h"
#include "profile/profiler.h"
#include "render/gl_context.h"
#include "render/hand_over.h"
#include "render/pipes.h"
#include "render/stream_buffer.h"
#include "state_aside.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <utility>

// The fonts of the running state, and those of a state set aside by a reload.
static struct {
    FontStore store;
    FontStore aside;
} fonts;
// DrawText and TextSize lay their text out here: its arrays stop growing at the longest text.
static TextMesh text_mesh;
// MakeText's and BuildTextMesh's working space, kept so that laying text out stops allocating:
// the text without carriage returns and wrapped, and the quads counted and filled per page.
static struct {
    std::string stripped, wrapped;
    std::vector<size_t> quads, filled;
} layout;

void MakeText(const BitmapFont& font, std::string_view text, int32_t width_limit, TextMesh& mesh)
{
    PROFILE_SCOPE("MakeText");
    std::string& stripped = layout.stripped;
    std::string& wrapped = layout.wrapped;
    if (text.find('\r') != std::string_view::npos) {
        stripped.clear();
        for (char c : text)
            if (c != '\r')
                stripped.push_back(c);
        text = stripped;
    }
    if (width_limit != -1) {
        WrapText(font, text, width_limit, wrapped);
        text = wrapped;
    }
    BuildTextMesh(font, text, mesh);
}

void WrapText(const BitmapFont& font, std::string_view text, int32_t limit, std::string& out)
{
    out.clear();
    int64_t width = 0;
    const Glyph* previous = nullptr;
    bool space_remembered = false;
    size_t space_out = 0, space_in = 0;
    for (size_t i = 0; i < text.size(); i++) {
        auto c = static_cast<uint8_t>(text[i]);
        const Glyph* glyph = font.Find(c);
        if (c != '\n' && !glyph) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (previous) {
            auto kerning = previous->kerning.find(c);
            if (kerning != previous->kerning.end())
                width += kerning->second;
        }
        if (c == '\n') {
            out.push_back('\n');
            width = 0;
            space_remembered = false;
            continue;
        }
        if (c == ' ') {
            space_remembered = true;
            space_out = out.size();
            space_in = i;
        }
        out.push_back(static_cast<char>(c));
        width += glyph->xadvance;
        previous = glyph;
        if (width > limit) {
            if (space_remembered) {
                out.resize(space_out);
                i = space_in;
                space_remembered = false;
            }
            out.push_back('\n');
            width = 0;
        }
    }
}

// Writes quad `quad` of a batch whose arrays are already sized.
static void PutQuad(TextBatch& batch, size_t quad, const Glyph& g, float x0, float y0)
{
    float x1 = x0 + static_cast<float>(g.width);
    float y1 = y0 + static_cast<float>(g.height);
    float* v = batch.vertices.data() + quad * 8;
    v[0] = x0, v[1] = y0, v[2] = x1, v[3] = y0, v[4] = x1, v[5] = y1, v[6] = x0, v[7] = y1;
    float* t = batch.tex_coords.data() + quad * 8;
    t[0] = g.texLeft, t[1] = g.texTop, t[2] = g.texRight, t[3] = g.texTop;
    t[4] = g.texRight, t[5] = g.texBottom, t[6] = g.texLeft, t[7] = g.texBottom;
}

// Sizes each page's arrays for the quads that `text` puts on it. The arrays keep their capacity
// from earlier builds, so a mesh that is reused stops allocating.
static void SizeBatches(const BitmapFont& font, std::string_view text, TextMesh& mesh)
{
    std::vector<size_t>& quads = layout.quads;
    quads.assign(font.pageCount, 0);
    for (char byte : text)
        if (const Glyph* glyph = font.Find(static_cast<uint8_t>(byte)); glyph && byte != '\n')
            quads[glyph->page]++;
    mesh.batches.resize(font.pageCount);
    for (int i = 0; i < font.pageCount; i++) {
        TextBatch& batch = mesh.batches[i];
        batch.texture = font.pageTextures[i];
        batch.vertices.resize(quads[i] * 8);
        batch.tex_coords.resize(quads[i] * 8);
        batch.triangle_count = static_cast<int32_t>(quads[i] * 2);
    }
}

void BuildTextMesh(const BitmapFont& font, std::string_view text, TextMesh& mesh)
{
    SizeBatches(font, text, mesh);
    std::vector<size_t>& filled = layout.filled;
    filled.assign(font.pageCount, 0);
    // Pen positions in 64 bits: a hostile font's advances must not overflow.
    int64_t pen_x = 0, pen_y = 0, widest = 0;
    int32_t lines = 1;
    const Glyph* previous = nullptr;
    for (char byte : text) {
        auto c = static_cast<uint8_t>(byte);
        const Glyph* glyph = font.Find(c);
        if (c != '\n' && !glyph)
            continue;
        if (previous && !previous->kerning.empty()) {
            auto kerning = previous->kerning.find(c);
            if (kerning != previous->kerning.end())
                pen_x += kerning->second;
        }
        if (c == '\n') {
            pen_y += font.lineHeight;
            pen_x = 0;
            previous = nullptr;
            lines++;
            continue;
        }
        PutQuad(mesh.batches[glyph->page], filled[glyph->page]++, *glyph,
                static_cast<float>(pen_x + glyph->xoffset),
                static_cast<float>(pen_y + glyph->yoffset));
        pen_x += glyph->xadvance;
        if (pen_x > widest)
            widest = pen_x;
        previous = glyph;
    }
    mesh.width = static_cast<int32_t>(widest > INT32_MAX ? INT32_MAX : widest);
    mesh.lines = lines;
}

// Text streams as boxes do: each chunk's corners and texture coordinates are copied into one
// stream buffer, and its triangles come from a fixed index buffer, so a text costs the driver no
// copies of client arrays and one draw per page.
static const GLsizeiptr kChunkBytes = kMaxQuadsPerDraw * 8 * sizeof(float);

static struct {
    StreamBuffer stream{8 * kChunkBytes};
    GLuint indices = 0;
} text_buffers;

static void MakeTextBuffers()
{
    MakeStreamBuffer(text_buffers.stream);
    glGenBuffers(1, &text_buffers.indices);
    // Corners 0, 3, 1 and 1, 3, 2: counter-clockwise on screen, so front faces.
    std::vector<uint16_t> indices(kMaxQuadsPerDraw * 6);
    const uint16_t corner[6] = {0, 3, 1, 1, 3, 2};
    for (size_t i = 0; i < indices.size(); i++)
        indices[i] = static_cast<uint16_t>(i / 6 * 4 + corner[i % 6]);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, text_buffers.indices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * 2),
                 indices.data(), GL_STATIC_DRAW);
}

// Copies `bytes` (at most kChunkBytes) behind the last copy; returns where they start.
static GLintptr StreamChunk(const float* data, GLsizeiptr bytes)
{
    GLintptr at = ReserveStream(text_buffers.stream, bytes);
    glBufferSubData(GL_ARRAY_BUFFER, at, bytes, data);
    return at;
}

static void DrawBatch(const TextBatch& batch)
{
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(batch.texture));
    size_t quads = batch.vertices.size() / 8;
    for (size_t first = 0; first < quads; first += kMaxQuadsPerDraw) {
        size_t count = std::min<size_t>(quads - first, kMaxQuadsPerDraw);
        auto bytes = static_cast<GLsizeiptr>(count * 8 * sizeof(float));
        GLintptr corners = StreamChunk(batch.vertices.data() + first * 8, bytes);
        GLintptr coords = StreamChunk(batch.tex_coords.data() + first * 8, bytes);
        glVertexPointer(2, GL_FLOAT, 0, reinterpret_cast<const void*>(corners));
        glTexCoordPointer(2, GL_FLOAT, 0, reinterpret_cast<const void*>(coords));
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count * 6), GL_UNSIGNED_SHORT, nullptr);
        CountDrawnVertices(static_cast<int>(count * 4));
    }
}

void DrawTextMesh(const TextMesh& mesh, int x, int y, float red, float green, float blue,
                  float alpha)
{
    // Without a window (or before its entry points are loaded) there is nothing to draw to.
    if (!CurrentGl().current || !CurrentGl().buffers)
        return;
    if (text_buffers.stream.context != CurrentGl().generation)
        MakeTextBuffers();
    glPushMatrix();
    glTranslatef(static_cast<float>(x), static_cast<float>(y), 0);
    glColor4f(red, green, blue, alpha);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, text_buffers.indices);
    for (const TextBatch& batch : mesh.batches)
        if (batch.triangle_count != 0)
            DrawBatch(batch);
    // The line pipe draws from client memory.
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glColor4f(1, 1, 1, 1);
    glPopMatrix();
}

int LoadFont(const char* path, const char* directory)
{
    if (fonts.store.count >= FontStore::kCapacity)
        return 0;
    // Page images become textures of the window's context: without one the glyphs would draw as
    // solid boxes, so the font is refused as images are.
    if (!CurrentGl().current) {
        PrintProblem("Font loading error: %s (no window yet: load fonts after OpenWindow)\n",
                     path ? path : "");
        return 0;
    }
    FontReader reader;
    std::unique_ptr<BitmapFont> font = reader.ReadFont(path, directory ? directory : "");
    if (!font) {
        PrintProblem("Font loading error: %s\n", path ? path : "");
        return 0;
    }
    fonts.store.fonts[fonts.store.count] = std::move(font);
    return ++fonts.store.count;
}

bool TextSize(int handle, const char* text, int32_t width_limit, int& width, int& height)
{
    if (handle < 1 || handle > fonts.store.count || !text)
        return false;
    const BitmapFont& font = *fonts.store.fonts[handle - 1];
    MakeText(font, text, width_limit, text_mesh);
    width = text_mesh.width;
    // In 64 bits: a hostile font's line height times many lines must not overflow.
    int64_t lines_height = int64_t{text_mesh.lines} * font.lineHeight;
    height = static_cast<int>(std::clamp<int64_t>(lines_height, INT32_MIN, INT32_MAX));
    return true;
}

void DrawText(int handle, const char* text, int x, int y, int32_t width_limit, bool centred,
              float red, float green, float blue, float alpha)
{
    FlushPipes();
    if (handle < 1 || handle > fonts.store.count || !text)
        return;
    MakeText(*fonts.store.fonts[handle - 1], text, width_limit, text_mesh);
    if (centred)
        x = static_cast<int>(std::max<int64_t>(INT32_MIN, int64_t{x} - text_mesh.width / 2));
    DrawTextMesh(text_mesh, x, y, red, green, blue, alpha);
}

// Frees the page textures of every font in `fonts` and empties it.
static void ReleaseFonts(FontStore& fonts)
{
    for (std::unique_ptr<BitmapFont>& font : fonts.fonts) {
        if (font)
            for (TextureHandle page : font->pageTextures)
                DeleteTexture(page);
        font.reset();
    }
    fonts.count = 0;
}

void SetFontsAside()
{
    SetPartAside(fonts.store, fonts.aside);
}

void ReleaseFontsAside()
{
    ReleasePartAside(fonts.aside, ReleaseFonts);
}

void PutFontsBack()
{
    PutPartBack(fonts.store, fonts.aside, ReleaseFonts);
}

const FontStore& LoadedFonts()
{
    return fonts.store;
}
