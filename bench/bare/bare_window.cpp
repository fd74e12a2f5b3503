// The machine's floor for bench/compare.sh: a bare GLFW + GLEW program with the window demohost
// opens, drawing each workload's geometry the way the software renderer does it fastest: every
// vertex of the frame rewritten into one buffer, triangles from a fixed index buffer, draws handed
// over every 10,000 vertices as demohost hands them, freed memory kept. "startup" shows one frame
// and prints "ready"; "boxes" (20,000 coloured 2 x 2 boxes), "text" (1,000 white strings of 39
// glyph quads of the default font) and "lines" (20,000 gradient lines of 22 pixels) run for three
// seconds and print "<workload>_ms <mean frame time>". Each workload is drawn in the size of draw
// the renderer takes fastest (see DrawQuads).

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <stb_image.h>

#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// A vertex: x, y, the colour's four bytes in the third float's place, and texture s, t.
struct Vertex {
    float x, y;
    unsigned char colour[4];
    float s, t;
};

const int kQuadsPerDraw = 16384;  // 16-bit indices

static GLFWwindow* OpenWindow()
{
    glfwInit();
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    glfwWindowHint(GLFW_ALPHA_BITS, 0);
    glfwWindowHint(GLFW_DEPTH_BITS, 0);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    GLFWwindow* window = glfwCreateWindow(640, 480, "bare", nullptr, nullptr);
    glfwMakeContextCurrent(window);
    glfwSwapInterval(0);
    glewInit();
    glMatrixMode(GL_PROJECTION);
    glOrtho(0, 640, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return window;
}

// A vertex buffer for `vertices` vertices and, for quads, a fixed index buffer of their
// triangles, counted from each draw's first vertex; both bound, with the arrays pointed at them.
static void MakeBuffers(size_t vertices, bool quads)
{
    GLuint buffers[2];
    glGenBuffers(2, buffers);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices * sizeof(Vertex)), nullptr,
                 GL_STREAM_DRAW);
    if (quads) {
        std::vector<unsigned short> indices(kQuadsPerDraw * 6);
        const unsigned short corner[6] = {0, 1, 2, 0, 2, 3};
        for (size_t i = 0; i < indices.size(); i++)
            indices[i] = static_cast<unsigned short>(i / 6 * 4 + corner[i % 6]);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * 2),
                     indices.data(), GL_STATIC_DRAW);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
}

static void PointArrays(size_t first_vertex, bool textured)
{
    auto at = [&](size_t offset) {
        return reinterpret_cast<void*>(first_vertex * sizeof(Vertex) + offset);
    };
    glVertexPointer(2, GL_FLOAT, sizeof(Vertex), at(offsetof(Vertex, x)));
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), at(offsetof(Vertex, colour)));
    if (textured)
        glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), at(offsetof(Vertex, s)));
}

// Hands the draws so far to the renderer once about 10,000 vertices have gathered, as demohost
// does: the renderer's threads rasterize them while the next are processed.
static void HandOver(size_t vertices)
{
    static size_t gathered = 0;
    gathered += vertices;
    if (gathered >= 10000) {
        glFlush();
        gathered = 0;
    }
}

// Uploads the frame's vertices and draws them as quads, `per_draw` at a time. The software
// renderer rasterizes one draw while the next is set up, so smaller draws can be faster: text
// measured 32 to 37 ms a frame drawn a string at a time, 60 to 64 ms in draws of 2048 and more.
static void DrawQuads(const std::vector<Vertex>& vertices, bool textured, size_t per_draw)
{
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)),
                    vertices.data());
    size_t quads = vertices.size() / 4;
    for (size_t first = 0; first < quads; first += per_draw) {
        size_t count = std::min<size_t>(per_draw, quads - first);
        PointArrays(first * 4, textured);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count * 6), GL_UNSIGNED_SHORT, nullptr);
        HandOver(count * 4);
    }
}

static void PutQuad(Vertex* v, float x0, float y0, float x1, float y1, const unsigned char* colour,
                    const float* tex = nullptr)
{
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    const int s_of[4] = {0, 2, 2, 0}, t_of[4] = {1, 1, 3, 3};
    for (int c = 0; c < 4; c++) {
        v[c] = {corners[c][0], corners[c][1], {}, tex ? tex[s_of[c]] : 0, tex ? tex[t_of[c]] : 0};
        memcpy(v[c].colour, colour, 4);
    }
}

static void FillBoxes(std::vector<Vertex>& vertices)
{
    for (int i = 0; i < 20000; i++) {
        float x = static_cast<float>(i % 640), y = static_cast<float>((i * 7) % 480);
        const unsigned char colour[4] = {static_cast<unsigned char>(i), 128, 255, 255};
        PutQuad(&vertices[i * 4], x - 1, y - 1, x + 1, y + 1, colour);
    }
}

// The glyphs of the default font: position, size, offsets and advance, as in its .fnt file.
struct Glyph {
    int x = 0, y = 0, width = 0, height = 0, xoffset = 0, yoffset = 0, xadvance = 0;
};

static int Value(const std::string& line, const std::string& key)
{
    size_t at = line.find(" " + key + "=");
    return at == std::string::npos ? 0 : atoi(line.c_str() + at + key.size() + 2);
}

static std::vector<Glyph> ReadGlyphs(const char* path)
{
    std::vector<Glyph> glyphs(256);
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("char ", 0) == 0)
            glyphs[Value(line, "id") & 255] = {Value(line, "x"),       Value(line, "y"),
                                               Value(line, "width"),   Value(line, "height"),
                                               Value(line, "xoffset"), Value(line, "yoffset"),
                                               Value(line, "xadvance")};
    return glyphs;
}

static void LoadPage(const char* path)
{
    int width = 0, height = 0, components = 0;
    unsigned char* pixels = stbi_load(path, &width, &height, &components, 4);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    stbi_image_free(pixels);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    // Each text has one colour, as in demohost: the same for all of them here.
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4f(1, 1, 1, 1);
}

static const char kText[] = "The quick brown fox jumps over the lazy";

static void FillText(std::vector<Vertex>& vertices, const std::vector<Glyph>& glyphs)
{
    const unsigned char white[4] = {255, 255, 255, 255};
    Vertex* v = vertices.data();
    for (int i = 0; i < 1000; i++) {
        float pen = static_cast<float>((i * 37) % 200), top = static_cast<float>((i * 13) % 460);
        for (const char* c = kText; *c; c++, v += 4) {
            const Glyph& g = glyphs[static_cast<unsigned char>(*c)];
            float x = pen + g.xoffset, y = top + g.yoffset;
            const float tex[4] = {g.x / 256.0f, g.y / 256.0f, (g.x + g.width) / 256.0f,
                                  (g.y + g.height) / 256.0f};
            PutQuad(v, x, y, x + g.width, y + g.height, white, tex);
            pen += g.xadvance;
        }
    }
}

// Lines of 22 pixels with a colour per end, drawn as one batch of GL lines.
static void DrawLines(std::vector<Vertex>& vertices)
{
    for (int i = 0; i < 20000; i++) {
        float x = static_cast<float>(i % 640), y = static_cast<float>((i * 7) % 480);
        auto shade = static_cast<unsigned char>(i % 256);
        vertices[2 * i] = {x, y, {shade, 128, 255, 255}, 0, 0};
        vertices[2 * i + 1] = {x + 18, y + 13, {255, 128, shade, 255}, 0, 0};
    }
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)),
                    vertices.data());
    PointArrays(0, false);
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(vertices.size()));
}

int main(int argc, char** argv)
{
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    GLFWwindow* window = OpenWindow();
    std::string mode = argc > 1 ? argv[1] : "startup";
    if (mode == "startup") {
        glClear(GL_COLOR_BUFFER_BIT);
        glfwSwapBuffers(window);
        printf("ready\n");
        fflush(stdout);
        glfwTerminate();
        return 0;
    }
    std::vector<Vertex> vertices;
    std::vector<Glyph> glyphs;
    if (mode == "boxes") {
        vertices.resize(20000 * 4);
        MakeBuffers(vertices.size(), true);
    } else if (mode == "text") {
        glyphs = ReadGlyphs("res/font/mono-20.fnt");
        LoadPage("res/font/mono-20_0.png");
        vertices.resize(1000 * (sizeof kText - 1) * 4);
        MakeBuffers(vertices.size(), true);
    } else {
        // Smoothed, as demohost draws its lines: the same pixels.
        glEnable(GL_LINE_SMOOTH);
        glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
        vertices.resize(20000 * 2);
        MakeBuffers(vertices.size(), false);
    }
    int frames = 0;
    double start = glfwGetTime();
    while (glfwGetTime() - start < 3) {
        glClear(GL_COLOR_BUFFER_BIT);
        if (mode == "boxes") {
            FillBoxes(vertices);
            DrawQuads(vertices, false, 2500);
        } else if (mode == "text") {
            FillText(vertices, glyphs);
            DrawQuads(vertices, true, sizeof kText - 1);
        } else {
            DrawLines(vertices);
        }
        glfwSwapBuffers(window);
        glfwPollEvents();
        frames++;
    }
    printf("%s_ms %.2f\n", mode.c_str(), (glfwGetTime() - start) * 1000 / frames);
    glfwTerminate();
    return 0;
}
