// Images as textures: orientation, RGB expansion, size, fresh names, and the error messages.

#include "support/gl.h"

#include "render/texture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <vector>

class Textures : public testing::Test {
protected:
    void SetUp() override
    {
        OpenTestWindow(800, 600);
        BeginTestFrame();
    }
    // Named for the process: tests running side by side write files of the same name.
    std::string Path(const char* name)
    {
        return testing::TempDir() + "/" + std::to_string(getpid()) + "-" + name;
    }

    // An image whose top half is red and bottom half blue.
    std::string WriteRedOverBlue(int width, int height, int components)
    {
        std::vector<unsigned char> pixels(width * height * components, 0);
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                unsigned char* p = &pixels[(y * width + x) * components];
                p[y < height / 2 ? 0 : 2] = 255;
                if (components == 4)
                    p[3] = 255;
            }
        std::string path = Path("red-over-blue.png");
        stbi_write_png(path.c_str(), width, height, components, pixels.data(), width * components);
        return path;
    }
    TestState lua;
};

TEST_F(Textures, TheImagesTopRowShowsAtTheTopOfTheBox)
{
    std::string path = WriteRedOverBlue(64, 64, 4);
    ASSERT_EQ(lua.Run("texture = LoadImage('" + path + "') assert(texture ~= 0)"), "");
    ASSERT_EQ(lua.Run("DrawBox(100, 100, 100, 100, 0, texture)"
                      "DrawBox(300, 100, -100, -100, 0, texture)"),
              "");
    EndTestFrame();
    EXPECT_EQ(ReadPixel(100, 55), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(ReadPixel(100, 145), (Rgba{0, 0, 255, 255}));
    // Mirrored in both directions it is turned upside down.
    EXPECT_EQ(ReadPixel(300, 55), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(ReadPixel(300, 145), (Rgba{255, 0, 0, 255}));
}

TEST_F(Textures, RgbImagesGetOpaqueAlphaAndKeepTheirSize)
{
    std::string path = WriteRedOverBlue(100, 37, 3);
    TextureHandle texture = LoadTexture(path.c_str());
    ASSERT_NE(texture, 0);
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 37);
    std::vector<unsigned char> pixels(100 * 37 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    for (size_t i = 3; i < pixels.size(); i += 4)
        ASSERT_EQ(pixels[i], 255) << "pixel " << i / 4;
    EXPECT_EQ(pixels[0], 255);                    // top row red
    EXPECT_EQ(pixels[36 * 100 * 4 + 2], 255);     // bottom row blue

    TextureHandle again = LoadTexture(path.c_str());
    EXPECT_NE(again, 0);
    EXPECT_NE(again, texture);
}

TEST_F(Textures, FailuresPrintTheReasonAndGiveZero)
{
    std::string corrupt = Path("corrupt.png");
    std::ofstream(corrupt) << "this is not an image at all";
    testing::internal::CaptureStdout();
    EXPECT_EQ(lua.Run(R"(
        assert(LoadImage("no-such-file.png") == 0)
        assert(LoadImage(")" + corrupt + R"(") == 0)
        assert(LoadImage() == 0 and LoadImage({}) == 0)
    )"),
              "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Image loading error: can't fopen: no-such-file.png\n"
              "Image loading error: unknown image type: " + corrupt + "\n");
}

TEST(TexturesWithoutWindow, LoadImageGivesZeroQuietly)
{
    TestState lua;
    testing::internal::CaptureStdout();
    EXPECT_EQ(lua.Run("assert(LoadImage('anything.png') == 0)"), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(Textures, HdrFifosAndImagesClaimingHugeSizesAreRefusedBeforeDecoding)
{
    // A 2 x 2 Radiance HDR image cut short: its decoder could wait forever on it.
    std::string hdr = Path("cut.hdr");
    std::ofstream(hdr, std::ios::binary) << "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X 2\n"
                                         << std::string("\x80\x80\x80\x81\x80", 5);
    // A bitmap header that claims 65536 x 65536 pixels, more than any GL takes, and nothing after.
    std::string huge = Path("huge.bmp");
    {
        std::ofstream out(huge, std::ios::binary);
        auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        out << "BM";
        u32(54), u32(0), u32(54), u32(40), u32(65536), u32(65536), u16(1), u16(24), u32(0);
        u32(0), u32(2835), u32(2835), u32(0), u32(0);
    }
    std::string fifo = Path("image.fifo");
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadTexture(hdr.c_str()), 0);
    EXPECT_EQ(LoadTexture(huge.c_str()), 0);
    EXPECT_EQ(LoadTexture(fifo.c_str()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Image loading error: HDR images are not loaded: " + hdr + "\n" +
                  "Image loading error: image too large: " + huge + "\n" +
                  "Image loading error: can't fopen: " + fifo + "\n");
    unlink(fifo.c_str());
}

TEST_F(Textures, ImagesUpToTheGlsLargestTextureLoad)
{
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    ASSERT_GT(max_size, 9000);
    std::vector<unsigned char> row(9000 * 4, 255);
    std::string wide = Path("wide.png");
    stbi_write_png(wide.c_str(), 9000, 1, 4, row.data(), 9000 * 4);
    TextureHandle texture = LoadTexture(wide.c_str());
    ASSERT_NE(texture, 0);
    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 9000);
}
