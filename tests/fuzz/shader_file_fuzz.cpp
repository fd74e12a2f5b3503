// Fuzzes the shader file reader with arbitrary files.

#include "fuzz_file.h"

#include "render/shader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = WriteFuzzFile("shader.shader", data, size);
    std::string vertex, fragment;
    ReadShaderFile(path.c_str(), vertex, fragment);
    if (vertex.size() > kMaxShaderSource || fragment.size() > kMaxShaderSource)
        abort();
    return 0;
}
