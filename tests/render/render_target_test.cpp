// Render targets and full-screen quads: handles, where drawing lands, orientation, the clear
// before the switch, texture units seen by a shader, and handles that name nothing.

#include "support/gl.h"

#include "render/render_target.h"
#include "render/render_target_internal.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>

class RenderTargets : public testing::Test {
protected:
    void SetUp() override
    {
        OpenTestWindow(800, 600);
        BeginTestFrame();
        ZoneCallsSinceLastCheck();
    }
    // The pixel at (x, y) of texture `index` of target 1, counted from the texture's first row.
    Rgba TargetPixel(int index, int x, int y)
    {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, MadeRenderTargets().targets[0].framebuffer);
        glReadBuffer(GL_COLOR_ATTACHMENT0_EXT + index);
        Rgba pixel{};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        return pixel;
    }
    TestState lua;
};

TEST_F(RenderTargets, HandlesAndTexturesOfTheList)
{
    ASSERT_EQ(lua.Run(R"(
        assert(MakeRenderTarget(256, 256, 2) == 1)
        assert(RenderTargetAsTexture(1, 0) ~= 0 and RenderTargetAsTexture(1, 1) ~= 0)
        assert(RenderTargetAsTexture(1, 0) ~= RenderTargetAsTexture(1, 1))
        assert(RenderTargetAsTexture(1, 2) == 0 and RenderTargetAsTexture(1, 4) == 0)
        assert(RenderTargetAsTexture(2, 0) == 0 and RenderTargetAsTexture(0, 0) == 0)
        for i = 2, 10 do assert(MakeRenderTarget(8, 8, 9) == i) end
        assert(MakeRenderTarget(8, 8, 1) == 0)
        assert(RenderTargetAsTexture(2, 3) ~= 0)
    )"),
              "");
}

TEST_F(RenderTargets, WindowCoordinatesStretchOverTheTarget)
{
    ASSERT_EQ(lua.Run("MakeRenderTarget(256, 256, 1) BindRenderTarget(1, 0)"
                      "DrawBox(400, 300, 20, 20, 0, 0) UnbindRenderTarget(0)"),
              "");
    EXPECT_EQ(TargetPixel(0, 128, 128), kWhite);
    EXPECT_EQ(TargetPixel(0, 20, 20), kBlack);
    EXPECT_EQ(ReadPixel(400, 300), kBlack);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
}

TEST_F(RenderTargets, BindingClearsTheWindowAndATargetComesBackTheSameWayUp)
{
    ASSERT_EQ(lua.Run(R"(
        MakeRenderTarget(400, 300, 1)
        DrawBox(700, 500, 20, 20, 0, 0)
        BindRenderTarget(1, 0)
        DrawBox(100, 100, 40, 40, 0, 0)
        UnbindRenderTarget()
    )"),
              "");
    EXPECT_EQ(ReadPixel(700, 500), kBlack);
    ASSERT_EQ(lua.Run("DrawRenderTarget(1, 0)"), "");
    EXPECT_EQ(ReadPixel(100, 100), kWhite);
    EXPECT_EQ(ReadPixel(100, 500), kBlack);
    EXPECT_EQ(ZoneCalls(ZoneCallsSinceLastCheck(), "DrawRenderTarget"), 1u);
}

TEST_F(RenderTargets, AShaderSamplesTheTexturesOfUnitsZeroAndOne)
{
    std::string path = testing::TempDir() + "/two.shader";
    std::ofstream(path) << "[vertex]\n"
                           "void main() {\n"
                           "    gl_TexCoord[0] = gl_MultiTexCoord0;\n"
                           "    gl_Position = ftransform();\n"
                           "}\n"
                           "[fragment]\n"
                           "uniform sampler2D first;\n"
                           "uniform sampler2D second;\n"
                           "void main() {\n"
                           "    vec2 uv = gl_TexCoord[0].xy;\n"
                           "    gl_FragColor = vec4(texture2D(first, uv).r, texture2D(second, uv).g, 0.0, 1.0);\n"
                           "}\n";
    testing::internal::CaptureStdout();
    ASSERT_EQ(lua.Run(R"(
        MakeRenderTarget(64, 64, 2)
        BindRenderTarget(1, 0)
        DrawBoxWithColor(400, 300, 800, 600, 0, 0, 1, 0, 0, 1)
        UnbindRenderTarget()
        BindRenderTarget(1, 1)
        DrawBoxWithColor(400, 300, 800, 600, 0, 0, 0, 1, 0, 1)
        UnbindRenderTarget()
        local shader = LoadShader(")" + path + R"(")
        SetShader(shader)
        SetShaderParami(shader, "first", 0)
        SetShaderParami(shader, "second", 1)
        DrawRenderTargets(1, 0, 1, 1, 0, 0, 0, 0)
        SetShader(0)
    )"),
              "");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadPixel(400, 300), (Rgba{255, 255, 0, 255}));
    EXPECT_EQ(ReadPixel(5, 595), (Rgba{255, 255, 0, 255}));
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
    EXPECT_EQ(active, GL_TEXTURE0_ARB);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTextureARB(GL_TEXTURE0_ARB);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(RenderTargets, ATargetWithoutTheTextureTakesTheDrawingOutOfSight)
{
    // A target made with no texture, and the second attachment of a target with one: the bind
    // clears the window, and what is drawn then shows nowhere.
    for (const char* bind : {"BindRenderTarget(1, 0)", "BindRenderTarget(2, 1)"}) {
        ASSERT_EQ(lua.Run(std::string("MakeRenderTarget(64, 64, 0) MakeRenderTarget(64, 64, 1) "
                                      "DrawBox(700, 500, 20, 20, 0, 0)") +
                          bind + " DrawBox(100, 100, 40, 40, 0, 0) UnbindRenderTarget()"),
                  "");
        EndTestFrame();
        EXPECT_EQ(ReadPixel(700, 500), kBlack) << bind;
        EXPECT_EQ(ReadPixel(110, 110), kBlack) << bind;
        ASSERT_EQ(lua.Run("DrawBox(300, 300, 10, 10, 0, 0)"), "");
        EndTestFrame();
        EXPECT_EQ(ReadPixel(300, 300), kWhite) << bind;
        BeginTestFrame();
        while (glGetError() != GL_NO_ERROR) {
        }
    }
}

TEST_F(RenderTargets, HandlesThatNameNothingChangeNothing)
{
    ASSERT_EQ(lua.Run(R"(
        MakeRenderTarget(64, 64, 1)
        UnbindRenderTarget()
        BindRenderTarget(5, 0) BindRenderTarget(1, -1) BindRenderTarget(1, 7)
        DrawRenderTarget(7, 0) DrawRenderTarget(1, 9) DrawRenderTarget(-1, 0)
        DrawRenderTargets(1, 0, 9, 0, 0, 0, 0, 0) DrawRenderTargets(1, 0, 1, 0, 3, 0, 0, 0)
        MakeRenderTarget(-5, 0, 1) MakeRenderTarget(1e9, 1e9, 2)
        DrawBox(400, 300, 10, 10, 0, 0)
    )"),
              "");
    EndTestFrame();
    EXPECT_EQ(ReadPixel(400, 300), kWhite);
    EXPECT_EQ(ReadPixel(100, 100), kBlack);
    GLint framebuffer = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    EXPECT_EQ(framebuffer, 0);
}

TEST(RenderTargetsWithoutWindow, NothingIsCreated)
{
    TestState lua;
    EXPECT_EQ(lua.Run("assert(MakeRenderTarget(64, 64, 1) == 0) BindRenderTarget(1, 0)"
                      "UnbindRenderTarget() DrawFullScreenQuad(1, 2, 3, 4) DrawRenderTarget(1, 0)"),
              "");
}
