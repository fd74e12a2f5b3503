// GLSL programs loaded from files with [vertex] and [fragment] sections.

#include "render/shader.h"

#include "render/line_pipe.h"
#include "render/quad_pipe.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstring>

ShaderTable shader_table;

static bool ShadersAvailable()
{
    return glfwGetCurrentContext() && glCreateShaderObjectARB && glCreateProgramObjectARB &&
           glUseProgramObjectARB && glGetUniformLocationARB;
}

int LoadShader(const char* path)
{
    if (shader_table.count >= ShaderTable::kCapacity || !ShadersAvailable())
        return 0;
    int slot = shader_table.count++;
    LoadShaderFile(slot, path ? path : "");
    return shader_table.count;
}

static void PrintInfoLog(const char* path, const char* kind, GLhandleARB object)
{
    char log[1024] = "";
    glGetInfoLogARB(object, sizeof log, nullptr, log);
    printf("Shader (%s), %s: %s\n", path, kind, log);
}

void LoadShaderFile(int slot, const char* path)
{
    ShaderProgram& shader = shader_table.slots[slot];
    shader.vertex_shader = glCreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
    shader.fragment_shader = glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);

    std::string vertex, fragment;
    if (!ReadShaderFile(path, vertex, fragment)) {
        printf("Shader (%s), Could not load\n", path);
        return;
    }
    const char* vertex_source = vertex.c_str();
    const char* fragment_source = fragment.c_str();
    glShaderSourceARB(shader.vertex_shader, 1, &vertex_source, nullptr);
    glShaderSourceARB(shader.fragment_shader, 1, &fragment_source, nullptr);
    glCompileShaderARB(shader.vertex_shader);
    glCompileShaderARB(shader.fragment_shader);
    PrintInfoLog(path, "Vertex shader", shader.vertex_shader);
    PrintInfoLog(path, "Pixel shader", shader.fragment_shader);

    shader.program = glCreateProgramObjectARB();
    glAttachObjectARB(shader.program, shader.vertex_shader);
    glAttachObjectARB(shader.program, shader.fragment_shader);
    glLinkProgramARB(shader.program);
}

enum class LineRead { Line, LastLine, End, TooLong };

// Reads one line without its LF or CR LF terminator.
static LineRead ReadLine(FILE* file, std::string& line)
{
    line.clear();
    int c = getc(file);
    if (c == EOF)
        return LineRead::End;
    for (; c != EOF && c != '\n'; c = getc(file))
        line.push_back(static_cast<char>(c));
    if (c == '\n' && !line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() > kMaxShaderLine)
        return LineRead::TooLong;
    return c == EOF ? LineRead::LastLine : LineRead::Line;
}

static void Append(std::string& source, const std::string& line)
{
    size_t room = kMaxShaderSource - source.size();
    source.append(line, 0, line.size() < room ? line.size() : room);
}

bool ReadShaderFile(const char* path, std::string& vertex, std::string& fragment)
{
    FILE* file = fopen(path, "r");
    if (!file)
        return false;
    vertex.clear();
    fragment.clear();
    std::string* section = nullptr;
    std::string line;
    for (;;) {
        LineRead read = ReadLine(file, line);
        if (read == LineRead::End || read == LineRead::TooLong)
            break;
        if (line == "[vertex]")
            section = &vertex;
        else if (line == "[fragment]")
            section = &fragment;
        else if (section)
            Append(*section, line);
        if (read == LineRead::LastLine)
            break;
    }
    fclose(file);
    return true;
}

void SetShader(int handle)
{
    if (handle == shader_table.current || handle > ShaderTable::kCapacity || !ShadersAvailable())
        return;
    FlushPipe();
    FlushLinePipe();
    glUseProgramObjectARB(handle >= 1 ? shader_table.slots[handle - 1].program : 0);
    shader_table.current = handle;
}

// The program of `handle`, or 0 when the handle names no slot.
static GLhandleARB ProgramOf(int handle)
{
    if (handle < 1 || handle > ShaderTable::kCapacity || !ShadersAvailable())
        return 0;
    return shader_table.slots[handle - 1].program;
}

void SetShaderParami(int handle, const char* name, int value)
{
    GLhandleARB program = ProgramOf(handle);
    if (program && name)
        glUniform1iARB(glGetUniformLocationARB(program, name), value);
}

void SetShaderParamf(int handle, const char* name, float value)
{
    GLhandleARB program = ProgramOf(handle);
    if (program && name)
        glUniform1fARB(glGetUniformLocationARB(program, name), value);
}
