// The font reader: fields and their defaults, texture coordinates, glyph and kerning rules, line
// ends, page names, and lines that point outside the font.

#include "support/gl.h"

#include "text/font.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

static std::string WriteFont(const std::string& text)
{
    // Named for the process: the tests run in processes of their own, side by side.
    std::string path = testing::TempDir() + "/" + std::to_string(getpid()) + "-test.fnt";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

static std::unique_ptr<BitmapFont> Read(const std::string& text, const char* directory = "")
{
    FontReader reader;
    return reader.ReadFont(WriteFont(text).c_str(), directory);
}

static const char* kHeader = "info face=\"x\"\ncommon lineHeight=23 scaleW=256 scaleH=128 pages=2\n";

TEST(FontReader, ValuesAndIntegers)
{
    EXPECT_EQ(ReadValue("char id=12 xid=7", "id"), "12");
    EXPECT_EQ(ReadValue("page file=\"my font.png\"", "file"), "\"my");
    EXPECT_EQ(ReadValue("char x=1", "y"), "");
    EXPECT_EQ(ReadInt("a v=12abc", "v"), 12);
    EXPECT_EQ(ReadInt("a v=3,4,5", "v"), 3);
    EXPECT_EQ(ReadInt("a v=-7", "v"), -7);
    EXPECT_EQ(ReadInt("a v=abc", "v"), 0);
    EXPECT_EQ(ReadInt("a v=", "v"), 0);
    EXPECT_EQ(ReadInt("a v=99999999999", "v"), 0);
    EXPECT_EQ(ReadInt("a v=-2147483648", "v"), INT32_MIN);
}

TEST(FontReader, GlyphsKerningAndDefaults)
{
    auto font = Read(std::string(kHeader) +
                     "chars count=3\n"
                     "char id=65 x=10 y=20 width=5 height=8 xoffset=1 yoffset=2 xadvance=6 page=1\n"
                     "char id=321 x=0 y=0 width=1 height=1 xadvance=99\n"
                     "char id=322 x=0 y=0 width=1 height=1\n"
                     "kernings count=2\n"
                     "kerning first=65 second=86 amount=-2\n"
                     "kerning first=321 second=86 amount=-1\n"
                     "kerning first=90 second=65 amount=5\n");
    ASSERT_TRUE(font);
    EXPECT_EQ(font->lineHeight, 23);
    EXPECT_EQ(font->pageCount, 2);
    const Glyph* a = font->Find('A');
    ASSERT_TRUE(a);
    EXPECT_FLOAT_EQ(a->texLeft, 10.0f / 256);
    EXPECT_FLOAT_EQ(a->texTop, 20.0f / 128);
    EXPECT_FLOAT_EQ(a->texRight, 15.0f / 256);
    EXPECT_FLOAT_EQ(a->texBottom, 28.0f / 128);
    EXPECT_EQ(a->xadvance, 6);
    EXPECT_EQ(a->page, 1);
    EXPECT_EQ(a->kerning.at('V'), -1);
    // 322 names byte 66: its missing fields read as 0.
    const Glyph* b = font->Find('B');
    ASSERT_TRUE(b);
    EXPECT_EQ(b->xadvance, 0);
    EXPECT_EQ(b->page, 0);
    EXPECT_EQ(b->xoffset, 0);
    // Kerning for a character without a glyph makes no glyph.
    EXPECT_FALSE(font->Find('Z'));
}

TEST(FontReader, CrLfReadsLikeLfAndShortFilesFail)
{
    std::string lf = std::string(kHeader) + "char id=65 x=1 y=2 width=3 height=4 xadvance=5\n";
    std::string crlf;
    for (char c : lf) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    auto a = Read(lf), b = Read(crlf);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(b->lineHeight, 23);
    EXPECT_EQ(b->Find('A')->xadvance, a->Find('A')->xadvance);
    EXPECT_FLOAT_EQ(b->Find('A')->texBottom, a->Find('A')->texBottom);

    EXPECT_FALSE(Read("only one line\n"));
    FontReader reader;
    EXPECT_FALSE(reader.ReadFont("no-such-font.fnt", ""));
}

TEST(FontReader, LinesOutsideThePagesAreSkipped)
{
    auto font = Read("info\ncommon lineHeight=10 scaleW=8 scaleH=8 pages=1\n"
                     "page id=5 file=\"x.png\"\n"
                     "page id=-1 file=\"x.png\"\n"
                     "char id=65 x=0 y=0 width=1 height=1 xadvance=1 page=3\n"
                     "char id=66 x=0 y=0 width=1 height=1 xadvance=1 page=-1\n");
    ASSERT_TRUE(font);
    EXPECT_EQ(font->pageTextures.size(), 1u);
    EXPECT_FALSE(font->Find('A'));
    EXPECT_FALSE(font->Find('B'));

    auto negative = Read("info\ncommon pages=-4\nchar id=65 page=0\n");
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->pageCount, 0);
    EXPECT_FALSE(negative->Find('A'));
}

TEST(FontReader, PageNamesQuotedOrNotAndMissingImages)
{
    OpenTestWindow(64, 64);
    std::string dir = std::string(DEMOHOST_SOURCE_DIR) + "/res/font/";
    auto quoted = Read("info\ncommon pages=3\n"
                       "page id=0 file=\"mono-20_0.png\"\n"
                       "page id=1 file=mono-20_0.png\n"
                       "page id=2 file=\"mono-20_0.png\n",
                       dir.c_str());
    ASSERT_TRUE(quoted);
    EXPECT_NE(quoted->pageTextures[0], 0);
    EXPECT_NE(quoted->pageTextures[1], 0);
    EXPECT_NE(quoted->pageTextures[2], 0);

    testing::internal::CaptureStdout();
    auto spaced = Read("info\ncommon pages=1\npage id=0 file=\"my font.png\"\n", dir.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Image loading error: can't fopen: " + dir + "my\n");
    ASSERT_TRUE(spaced);
    EXPECT_EQ(spaced->pageTextures[0], 0);
}

TEST(FontReader, APageNamedAgainTakesTheLaterFileLoadedOnce)
{
    OpenTestWindow(64, 64);
    std::string dir = std::string(DEMOHOST_SOURCE_DIR) + "/res/font/";
    std::string text = "info\ncommon pages=1\n";
    for (int i = 0; i < 40; i++)
        text += "page id=0 file=\"missing.png\"\n";
    text += "page id=0 file=\"mono-20_0.png\"\n";
    TextureHandle before = LoadTexture((dir + "mono-20_0.png").c_str());
    testing::internal::CaptureStdout();
    auto font = Read(text, dir.c_str());
    // The files named before the last are never opened: no error for them, one texture made.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_TRUE(font);
    EXPECT_EQ(font->pageTextures[0], before + 1);
    EXPECT_TRUE(glIsTexture(static_cast<GLuint>(font->pageTextures[0])));
}

TEST(FontReader, HugeFilesAreStreamedAndDevicesRefused)
{
    // 60 MiB of empty lines, then a glyph: read through in bounded memory.
    std::string path = testing::TempDir() + "/lines.fnt";
    {
        std::ofstream out(path, std::ios::binary);
        out << "info\ncommon pages=1\n";
        std::string block(1 << 20, '\n');
        for (int i = 0; i < 60; i++)
            out << block;
        out << "char id=65 x=0 y=0 width=1 height=1 xadvance=3 page=0\n";
        out << std::string(1 << 24, 'x');
    }
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    FontReader reader;
    auto font = reader.ReadFont(path.c_str(), "");
    getrusage(RUSAGE_SELF, &after);
    ASSERT_TRUE(font);
    ASSERT_TRUE(font->glyphs['A']);
    EXPECT_EQ(font->glyphs['A']->xadvance, 3);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 16 * 1024);

    std::string fifo = testing::TempDir() + "/font.fifo";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(reader.ReadFont(fifo.c_str(), ""));
    EXPECT_FALSE(reader.ReadFont("/dev/urandom", ""));
    unlink(fifo.c_str());
}
