// Fuzzes image loading with arbitrary files, in a headless window: whatever a header claims, the
// loader refuses or decodes within bounded time and memory.

#include "fuzz_file.h"

#include "app/window.h"
#include "render/texture.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Once: a window for the textures, and the messages of refused images kept out of the log.
    static bool ready = (glfwInit(), OpenWindow(64, 64, "image fuzz"),
                         freopen("/dev/null", "w", stdout) != nullptr);
    (void)ready;
    std::string path = WriteFuzzFile("image", data, size);
    GLuint texture = static_cast<GLuint>(LoadTexture(path.c_str()));
    if (texture)
        glDeleteTextures(1, &texture);
    return 0;
}
