// The machine's floor for bench/compare.sh: a bare GLFW + GLEW program with the window demohost
// opens. "startup" opens it, shows one frame, prints "ready" and exits; "boxes" draws 20,000 coloured 2 x 2 boxes
// a frame for three seconds (vertices rewritten into one buffer, triangles from a fixed index
// buffer, drawn 2500 boxes at a time, freed memory kept: what the software renderer does fastest)
// and prints the mean frame time.

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <vector>

// A corner: x, y, and the colour's four bytes in the third float's place.
static const int kFloats = 3;
static const int kStride = kFloats * sizeof(float);

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
    return window;
}

static void DrawBoxes(std::vector<float>& vertices, int boxes)
{
    // x, y, then the colour as four bytes, per corner.
    for (int i = 0; i < boxes; i++) {
        float x = static_cast<float>(i % 640), y = static_cast<float>((i * 7) % 480);
        const float corners[4][2] = {{x - 1, y - 1}, {x + 1, y - 1}, {x + 1, y + 1}, {x - 1, y + 1}};
        const unsigned char colour[4] = {static_cast<unsigned char>(i), 128, 255, 255};
        for (int c = 0; c < 4; c++) {
            float* v = &vertices[(i * 4 + c) * kFloats];
            v[0] = corners[c][0];
            v[1] = corners[c][1];
            memcpy(&v[2], colour, sizeof colour);
        }
    }
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vertices.size() * sizeof(float)),
                    vertices.data());
    for (int first = 0; first < boxes; first += 2500) {
        glVertexPointer(2, GL_FLOAT, kStride, reinterpret_cast<void*>(first * 4 * kStride));
        glColorPointer(4, GL_UNSIGNED_BYTE, kStride, reinterpret_cast<void*>(first * 4 * kStride + 8));
        glDrawElements(GL_TRIANGLES, 2500 * 6, GL_UNSIGNED_SHORT, nullptr);
    }
}

// A vertex buffer for `boxes` boxes and a fixed index buffer of their triangles, both bound.
static void MakeBuffers(int boxes)
{
    GLuint buffers[2];
    glGenBuffers(2, buffers);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, boxes * 4 * kStride, nullptr, GL_STREAM_DRAW);
    // Each draw's indices count from its own first vertex.
    std::vector<unsigned short> indices(2500 * 6);
    const unsigned short corner[6] = {0, 1, 2, 0, 2, 3};
    for (size_t i = 0; i < indices.size(); i++)
        indices[i] = static_cast<unsigned short>(i / 6 * 4 + corner[i % 6]);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * 2),
                 indices.data(), GL_STATIC_DRAW);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
}

int main(int argc, char** argv)
{
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    GLFWwindow* window = OpenWindow();
    if (argc > 1 && strcmp(argv[1], "boxes") == 0) {
        const int boxes = 20000;
        std::vector<float> vertices(boxes * 4 * kFloats);
        MakeBuffers(boxes);
        int frames = 0;
        double start = glfwGetTime();
        while (glfwGetTime() - start < 3) {
            glClear(GL_COLOR_BUFFER_BIT);
            DrawBoxes(vertices, boxes);
            glfwSwapBuffers(window);
            glfwPollEvents();
            frames++;
        }
        printf("%.2f\n", (glfwGetTime() - start) * 1000 / frames);
    } else {
        glClear(GL_COLOR_BUFFER_BIT);
        glfwSwapBuffers(window);
        printf("ready\n");
        fflush(stdout);
    }
    glfwTerminate();
    return 0;
}
