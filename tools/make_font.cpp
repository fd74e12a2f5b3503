// Renders a TrueType face into one square bitmap font page (the smallest power of two from 256
// that holds it) and its .fnt description (text form), with every printable byte from 32 to 126
// and the face's kerning pairs. Makes the default overlay font:
// make_font /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf 20 res/font mono-20

#include <ft2build.h>
#include FT_FREETYPE_H
#include <stb_image_write.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static const int kMaxPageSize = 2048;
static const int kPadding = 2;  // blank pixels around each box, so filtering never bleeds
static const int kFirst = 32, kLast = 126;

struct Box {
    int x, y, width, height, xoffset, yoffset, xadvance;
};

// Renders the glyphs row by row onto a page of `page_size`; false when they do not fit.
static bool Layout(FT_Face face, int base, int page_size, std::vector<unsigned char>& page,
                   std::vector<Box>& boxes)
{
    page.assign(static_cast<size_t>(page_size) * page_size * 4, 0);
    boxes.clear();
    int pen_x = kPadding, pen_y = kPadding, row_height = 0;
    for (int c = kFirst; c <= kLast; c++) {
        if (FT_Load_Char(face, c, FT_LOAD_RENDER)) {
            fprintf(stderr, "cannot render %d\n", c);
            exit(1);
        }
        FT_GlyphSlot glyph = face->glyph;
        int width = static_cast<int>(glyph->bitmap.width);
        int height = static_cast<int>(glyph->bitmap.rows);
        if (pen_x + width + kPadding > page_size) {
            pen_x = kPadding;
            pen_y += row_height + kPadding;
            row_height = 0;
        }
        if (pen_y + height + kPadding > page_size)
            return false;
        // White pixels whose alpha is the glyph's coverage: text takes the colour it is drawn in.
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                unsigned char* p = &page[((pen_y + y) * page_size + pen_x + x) * 4];
                p[0] = p[1] = p[2] = 255;
                p[3] = glyph->bitmap.buffer[y * glyph->bitmap.pitch + x];
            }
        boxes.push_back({pen_x, pen_y, width, height, glyph->bitmap_left, base - glyph->bitmap_top,
                         static_cast<int>((glyph->advance.x + 32) >> 6)});
        pen_x += width + kPadding;
        if (height > row_height)
            row_height = height;
    }
    return true;
}

int main(int argc, char** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: %s FACE.ttf PIXELS OUT_DIR NAME\n", argv[0]);
        return 2;
    }
    std::string face_path = argv[1], out_dir = argv[3], name = argv[4];
    int pixels = atoi(argv[2]);

    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) || FT_New_Face(library, face_path.c_str(), 0, &face) ||
        FT_Set_Pixel_Sizes(face, 0, pixels)) {
        fprintf(stderr, "cannot open %s\n", face_path.c_str());
        return 1;
    }
    int line_height = static_cast<int>((face->size->metrics.height + 63) >> 6);
    int base = static_cast<int>((face->size->metrics.ascender + 32) >> 6);

    int page_size = 256;
    std::vector<unsigned char> page;
    std::vector<Box> boxes;
    while (!Layout(face, base, page_size, page, boxes)) {
        page_size *= 2;
        if (page_size > kMaxPageSize) {
            fprintf(stderr, "the glyphs do not fit on one %d x %d page\n", kMaxPageSize,
                    kMaxPageSize);
            return 1;
        }
    }

    std::string image = name + "_0.png";
    if (!stbi_write_png((out_dir + "/" + image).c_str(), page_size, page_size, 4, page.data(),
                        page_size * 4)) {
        fprintf(stderr, "cannot write %s\n", image.c_str());
        return 1;
    }

    std::vector<std::string> kernings;
    if (FT_HAS_KERNING(face))
        for (int a = kFirst; a <= kLast; a++)
            for (int b = kFirst; b <= kLast; b++) {
                FT_Vector delta;
                FT_Get_Kerning(face, FT_Get_Char_Index(face, a), FT_Get_Char_Index(face, b),
                               FT_KERNING_DEFAULT, &delta);
                int amount = static_cast<int>(delta.x >> 6);
                if (amount != 0)
                    kernings.push_back("kerning first=" + std::to_string(a) +
                                       " second=" + std::to_string(b) +
                                       " amount=" + std::to_string(amount));
            }

    FILE* fnt = fopen((out_dir + "/" + name + ".fnt").c_str(), "w");
    if (!fnt) {
        fprintf(stderr, "cannot write %s.fnt\n", name.c_str());
        return 1;
    }
    fprintf(fnt, "info face=\"%s %s\" size=%d bold=0 italic=0 charset=\"\" unicode=0 "
                 "stretchH=100 smooth=1 aa=1 padding=0,0,0,0 spacing=%d,%d\n",
            face->family_name, face->style_name, pixels, kPadding, kPadding);
    fprintf(fnt, "common lineHeight=%d base=%d scaleW=%d scaleH=%d pages=1 packed=0\n",
            line_height, base, page_size, page_size);
    fprintf(fnt, "page id=0 file=\"%s\"\n", image.c_str());
    fprintf(fnt, "chars count=%d\n", kLast - kFirst + 1);
    for (int c = kFirst; c <= kLast; c++) {
        const Box& b = boxes[c - kFirst];
        fprintf(fnt,
                "char id=%d x=%d y=%d width=%d height=%d xoffset=%d yoffset=%d xadvance=%d "
                "page=0 chnl=15\n",
                c, b.x, b.y, b.width, b.height, b.xoffset, b.yoffset, b.xadvance);
    }
    fprintf(fnt, "kernings count=%zu\n", kernings.size());
    for (const std::string& line : kernings)
        fprintf(fnt, "%s\n", line.c_str());
    fclose(fnt);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}
