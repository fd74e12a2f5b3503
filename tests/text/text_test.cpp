// Text layout and drawing: wrapping, kerning, pages, chunks of 16-bit indices, centring, glyph
// pixels, the overlay and LoadFont's limits.

#include "support/gl.h"

#include "profile/overlay.h"
#include "text/text.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <stb_image_write.h>

#include <fstream>
#include <vector>

// Glyphs a-z, space and A/V: advance 10; 'w' (wide) has advance 101; 'p' lies on page 1.
static BitmapFont TestFont()
{
    BitmapFont font;
    font.lineHeight = 12;
    font.pageCount = 2;
    font.pageTextures = {0, 0};
    auto add = [&](char c, int advance, int page) {
        Glyph g;
        g.id = static_cast<uint8_t>(c);
        g.width = advance;
        g.height = 10;
        g.xadvance = advance;
        g.page = page;
        font.glyphs[g.id] = g;
    };
    for (char c = 'a'; c <= 'z'; c++)
        add(c, 10, c == 'p' ? 1 : 0);
    add(' ', 10, 0);
    add('A', 10, 0);
    add('V', 10, 0);
    add('W', 101, 0);
    font.glyphs['A']->kerning['V'] = -2;
    return font;
}

static std::string Wrapped(const std::string& text, int limit)
{
    std::string out;
    WrapText(TestFont(), text, limit, out);
    return out;
}

TEST(TextLayout, WrapBreaksAtSpacesOrAfterTheCharacterThatOverflows)
{
    EXPECT_EQ(Wrapped("abcdef", 25), "abc\ndef\n");
    EXPECT_EQ(Wrapped("hello world", 65), "hello\nworld");
    EXPECT_EQ(Wrapped("ab\ncd", 1000), "ab\ncd");
    EXPECT_EQ(Wrapped("a b", 0), "a\n\nb\n");
}

TEST(TextLayout, KerningPagesAndEmptyText)
{
    BitmapFont font = TestFont();
    TextMesh mesh;
    MakeText(font, "AV", -1, mesh);
    EXPECT_EQ(mesh.width, 18);
    ASSERT_EQ(mesh.batches[0].vertices.size(), 16u);
    EXPECT_EQ(mesh.batches[0].vertices[8], 8.0f);  // V's top-left x: 10 - 2

    MakeText(font, "ap\r\nap", -1, mesh);
    EXPECT_EQ(mesh.batches[0].triangle_count, 4);
    EXPECT_EQ(mesh.batches[1].triangle_count, 4);
    EXPECT_EQ(mesh.batches[1].vertices[9], 12.0f);  // second line's p sits one line lower

    MakeText(font, "", -1, mesh);
    EXPECT_EQ(mesh.width, 0);
    EXPECT_EQ(mesh.batches.size(), 2u);
    EXPECT_EQ(mesh.batches[0].triangle_count + mesh.batches[1].triangle_count, 0);

    // Bytes without a glyph take no space.
    MakeText(font, "a\tb", -1, mesh);
    EXPECT_EQ(mesh.width, 20);
    EXPECT_EQ(mesh.batches[0].triangle_count, 4);
}

// A font whose page is white and whose glyphs fill their whole box, in a folder of the process's
// own: tests running side by side write fonts with other advances.
static std::string WriteWhiteFont(int advance_a)
{
    std::string dir = testing::TempDir() + "/white-" + std::to_string(getpid()) + "/";
    mkdir(dir.c_str(), 0700);
    std::vector<unsigned char> white(16 * 16 * 4, 255);
    stbi_write_png((dir + "white.png").c_str(), 16, 16, 4, white.data(), 16 * 4);
    std::ofstream(dir + "white.fnt")
        << "info\ncommon lineHeight=1 scaleW=16 scaleH=16 pages=1\npage id=0 file=\"white.png\"\n"
        << "char id=97 x=4 y=4 width=" << advance_a << " height=10 xadvance=" << advance_a << "\n"
        << "char id=46 x=4 y=4 width=1 height=1 xadvance=1\n";
    return dir;
}

class TextDrawing : public testing::Test {
protected:
    void SetUp() override
    {
        OpenTestWindow(800, 600);
        BeginTestFrame();
    }
    TestState lua;
};

TEST_F(TextDrawing, CentredTextStartsHalfItsWidthLeftOfX)
{
    std::string dir = WriteWhiteFont(101);
    ASSERT_EQ(lua.Run("font = LoadFont('" + dir + "white.fnt', '" + dir + "')"
                      "assert(font == 1)"
                      "DrawText(font, 'a', 200, 100, -1, true, 1, 1, 1, 1)"
                      "DrawText(font, 'a', 200, 300, -1, false, 0, 1, 0, 1)"),
              "");
    EXPECT_EQ(ReadPixel(150, 105), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(ReadPixel(149, 105), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(ReadPixel(250, 105), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(ReadPixel(251, 105), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(ReadPixel(200, 305), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(ReadPixel(199, 305), (Rgba{0, 0, 0, 255}));
}

TEST_F(TextDrawing, MoreQuadsThanSixteenBitIndicesReachAreAllDrawn)
{
    std::string dir = WriteWhiteFont(1);
    // 200 lines of 100 one-pixel dots: 20000 quads on one page.
    std::string line(100, '.');
    std::string text;
    for (int i = 0; i < 200; i++)
        text += line + "\n";
    ASSERT_EQ(lua.Run("font = LoadFont('" + dir + "white.fnt', '" + dir + "')"), "");
    DrawText(1, text.c_str(), 10, 10, -1, false, 1, 1, 1, 1);
    EXPECT_EQ(ReadPixel(10, 10), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(ReadPixel(10 + 99, 10 + 199), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(ReadPixel(10 + 50, 10 + 170), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(ReadPixel(10 + 100, 10 + 199), (Rgba{0, 0, 0, 255}));
}

TEST_F(TextDrawing, TheDefaultFontDrawsWhiteGlyphPixelsWhereTheMeshSays)
{
    FontReader reader;
    std::string dir = std::string(DEMOHOST_SOURCE_DIR) + "/res/font/";
    auto font = reader.ReadFont((dir + "mono-20.fnt").c_str(), dir.c_str());
    ASSERT_TRUE(font);
    TextMesh mesh;
    MakeText(*font, "#", -1, mesh);
    DrawTextMesh(mesh, 100, 100, 1, 1, 1, 1);
    const Glyph& hash = *font->Find('#');
    int lit = 0;
    for (int y = 0; y < hash.height; y++)
        for (int x = 0; x < hash.width; x++)
            lit += ReadPixel(100 + hash.xoffset + x, 100 + hash.yoffset + y).r > 128;
    EXPECT_GT(lit, hash.width * hash.height / 5);
    EXPECT_EQ(ReadPixel(100 + hash.xoffset - 2, 100 + hash.yoffset + 5).r, 0);
    EXPECT_EQ(ReadPixel(100 + hash.xoffset + 3, 100 + hash.yoffset - 2).r, 0);
}

TEST_F(TextDrawing, OverlayDrawsTheTreeOverTheScriptsDrawing)
{
    ASSERT_EQ(lua.Run("ShowProfiling(0)"), "");
    EXPECT_TRUE(ProfilingOverlayOn());
    FontReader reader;
    std::string dir = std::string(DEMOHOST_SOURCE_DIR) + "/res/font/";
    auto font = reader.ReadFont((dir + "mono-20.fnt").c_str(), dir.c_str());
    ASSERT_TRUE(font);
    ASSERT_EQ(lua.Run("DrawBoxWithColor(400, 300, 800, 600, 0, 0, 1, 0, 0, 1)"), "");
    EndTestFrame();
    DrawProfilingOverlay(font.get());
    // The header line "call tree ..." in white glyph pixels over the red box.
    int white = 0;
    for (int y = 25; y < 45; y++)
        for (int x = 25; x < 130; x++) {
            Rgba p = ReadPixel(x, y);
            white += p.r == 255 && p.g > 200 && p.b > 200;
        }
    EXPECT_GT(white, 50);
    EXPECT_EQ(ReadPixel(10, 10), (Rgba{255, 0, 0, 255}));
    ASSERT_EQ(lua.Run("ShowProfiling(false)"), "");
    EXPECT_FALSE(ProfilingOverlayOn());
    ASSERT_EQ(lua.Run("ShowProfiling(1) ShowProfiling()"), "");
    EXPECT_FALSE(ProfilingOverlayOn());
}

TEST(TextFonts, TheEleventhFontAndBadHandlesGiveNothing)
{
    OpenTestWindow(64, 64);
    TestState lua;
    std::string dir = std::string(DEMOHOST_SOURCE_DIR) + "/res/font/";
    testing::internal::CaptureStdout();
    EXPECT_EQ(lua.Run("assert(LoadFont('missing.fnt', '') == 0)\n"
                      "for i = 1, 10 do assert(LoadFont('" + dir + "mono-20.fnt', '" + dir +
                      "') == i) end\n"
                      "assert(LoadFont('" + dir + "mono-20.fnt', '') == 0)\n"
                      "DrawText(11, 'x', 0, 0, -1, false, 1, 1, 1, 1)\n"
                      "DrawText(-1, 'x', 0, 0, -1, false, 1, 1, 1, 1)"),
              "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Font loading error: missing.fnt\n");
}

TEST(TextFonts, BeforeTheWindowAFontIsRefusedWithAMessage)
{
    TestState lua;
    std::string dir = std::string(DEMOHOST_SOURCE_DIR) + "/res/font/";
    testing::internal::CaptureStdout();
    EXPECT_EQ(lua.Run("assert(LoadFont('" + dir + "mono-20.fnt', '" + dir + "') == 0)"), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Font loading error: " + dir +
                  "mono-20.fnt (no window yet: load fonts after OpenWindow)\n");
}
