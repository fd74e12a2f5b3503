// GLSL programs loaded from files with [vertex] and [fragment] sections.

#include "render/shader.h"

#include "render/shader_internal.h"
#include "platform/platform.h"
#include "problems.h"
#include "render/gl_context.h"
#include "render/pipes.h"
#include "state_aside.h"

#include <GL/glew.h>

#include <cstdio>
#include <cstring>

// The programs of the running state, and those of a state set aside by a reload.
static struct {
    ShaderTable table;
    ShaderTable aside;
} shaders;

static bool ShadersAvailable()
{
    return CurrentGl().current && CurrentGl().shaders;
}

int LoadShader(const char* path)
{
    if (shaders.table.count >= ShaderTable::kCapacity || !ShadersAvailable())
        return 0;
    int slot = shaders.table.count++;
    LoadShaderFile(slot, path ? path : "");
    return shaders.table.count;
}

// Prints the object's log; a compiler's, with the file's line numbers, is noted as a problem.
static void PrintInfoLog(const char* path, const char* kind, GLhandleARB object,
                         const std::vector<int>* lines = nullptr)
{
    char log[1024] = "";
    glGetInfoLogARB(object, sizeof log, nullptr, log);
    printf("Shader (%s), %s: %s\n", path, kind, log);
    GLint compiled = 1;
    if (lines)
        glGetObjectParameterivARB(object, GL_OBJECT_COMPILE_STATUS_ARB, &compiled);
    if (!compiled || (!lines && log[0]))
        NoteProblem(std::string("Shader (") + path + "), " + kind + ":\n" +
                    (lines ? WithFileLines(path, log, *lines) : std::string(log)));
}

// "0:LINE(COLUMN): TEXT" (Mesa) or "0(LINE) : TEXT" (NVIDIA): the line and where TEXT starts.
static bool CompilerLine(const std::string& line, int& number, int& column, size_t& text)
{
    int end = 0;
    column = -1;
    if (sscanf(line.c_str(), "%*d:%d(%d): %n", &number, &column, &end) == 2 && end > 0) {
        text = static_cast<size_t>(end);
        return true;
    }
    if (sscanf(line.c_str(), "%*d(%d) : %n", &number, &end) == 1 && end > 0) {
        text = static_cast<size_t>(end);
        return true;
    }
    return false;
}

std::string WithFileLines(const std::string& path, const std::string& log,
                          const std::vector<int>& lines)
{
    std::string out;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        std::string line = log.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? log.size() : end + 1;
        int number = 0, column = -1;
        size_t text = 0;
        if (CompilerLine(line, number, column, text) && number >= 1 &&
            static_cast<size_t>(number) <= lines.size()) {
            std::string place = path + ":" + std::to_string(lines[number - 1]);
            if (column >= 0)
                place += ":" + std::to_string(column);
            line = place + ": " + line.substr(text);
        }
        if (!line.empty())
            out += line + "\n";
    }
    return out;
}

void LoadShaderFile(int slot, const char* path)
{
    ShaderProgram& shader = shaders.table.slots[slot];
    shader.vertex_shader = glCreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
    shader.fragment_shader = glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);

    std::string vertex, fragment;
    ShaderFileLines lines;
    if (!ReadShaderFile(path, vertex, fragment, &lines)) {
        PrintProblem("Shader (%s), Could not load\n", path);
        return;
    }
    const char* vertex_source = vertex.c_str();
    const char* fragment_source = fragment.c_str();
    glShaderSourceARB(shader.vertex_shader, 1, &vertex_source, nullptr);
    glShaderSourceARB(shader.fragment_shader, 1, &fragment_source, nullptr);
    glCompileShaderARB(shader.vertex_shader);
    glCompileShaderARB(shader.fragment_shader);
    PrintInfoLog(path, "Vertex shader", shader.vertex_shader, &lines.vertex);
    PrintInfoLog(path, "Pixel shader", shader.fragment_shader, &lines.fragment);

    shader.program = glCreateProgramObjectARB();
    glAttachObjectARB(shader.program, shader.vertex_shader);
    glAttachObjectARB(shader.program, shader.fragment_shader);
    glLinkProgramARB(shader.program);
    GLint linked = 0;
    glGetObjectParameterivARB(shader.program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    if (!linked)
        PrintInfoLog(path, "Link", shader.program);
}

// The section being read (none before the first marker) and where its current line began; the
// file's line being read, and where each section's lines came from (when asked).
struct SectionReader {
    std::string* source = nullptr;
    size_t line_start = 0;
    int file_line = 1;
    ShaderFileLines* lines = nullptr;
    std::vector<int>* source_lines = nullptr;
};

// Appends a character of the current line, up to the section's limit; false when it was cut.
static bool AppendChar(SectionReader& reader, char c)
{
    if (!reader.source)
        return true;
    if (reader.source->size() >= kMaxShaderSource)
        return false;
    reader.source->push_back(c);
    return true;
}

// Ends the current line: a marker line selects its section, any other line keeps its break
// (without a CR before it), so the compiler's line numbers are the section's.
static void EndLine(SectionReader& reader, std::string& head, bool long_line,
                    std::string& vertex, std::string& fragment)
{
    if (!head.empty() && head.back() == '\r')
        head.pop_back();
    bool marker = !long_line && (head == "[vertex]" || head == "[fragment]");
    if (marker) {
        if (reader.source)
            reader.source->resize(reader.line_start);
        reader.source = head == "[vertex]" ? &vertex : &fragment;
        if (reader.lines)
            reader.source_lines =
                head == "[vertex]" ? &reader.lines->vertex : &reader.lines->fragment;
    } else if (reader.source) {
        if (reader.source->size() > reader.line_start && reader.source->back() == '\r')
            reader.source->pop_back();
        AppendChar(reader, '\n');
        if (reader.source_lines)
            reader.source_lines->push_back(reader.file_line);
    }
    reader.file_line++;
    if (reader.source)
        reader.line_start = reader.source->size();
    head.clear();
}

// Reads the file as a stream: memory stays within the two sections' limits whatever the file
// holds, and a cut section is reported.
bool ReadShaderFile(const char* path, std::string& vertex, std::string& fragment,
                    ShaderFileLines* lines)
{
    FILE* file = OpenRegularFile(path);
    if (!file)
        return false;
    vertex.clear();
    fragment.clear();
    SectionReader reader;
    reader.lines = lines;
    std::string head;  // the line's first characters, enough to recognise a marker
    bool long_line = false, cut = false;
    for (int c = ReadByteUnlocked(file);; c = ReadByteUnlocked(file)) {
        if (c == '\n' || (c == EOF && !head.empty())) {
            EndLine(reader, head, long_line, vertex, fragment);
            long_line = false;
        }
        if (c == EOF)
            break;
        if (c == '\n')
            continue;
        if (head.size() < 16)
            head.push_back(static_cast<char>(c));
        else
            long_line = true;
        if (!AppendChar(reader, static_cast<char>(c)))
            cut = true;
    }
    fclose(file);
    if (cut)
        printf("Shader (%s), a section is longer than %zu characters and was cut\n", path,
               kMaxShaderSource);
    return true;
}

void SetShader(int handle)
{
    if (handle == shaders.table.current || handle > ShaderTable::kCapacity || !ShadersAvailable())
        return;
    FlushPipes();
    glUseProgramObjectARB(handle >= 1 ? shaders.table.slots[handle - 1].program : 0);
    shaders.table.current = handle;
}

// The program of `handle`, or 0 when the handle names no slot.
static GLhandleARB ProgramOf(int handle)
{
    if (handle < 1 || handle > ShaderTable::kCapacity || !ShadersAvailable())
        return 0;
    return shaders.table.slots[handle - 1].program;
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

void SetUniform(const char* name, const float* values, int count)
{
    GLhandleARB program = ProgramOf(shaders.table.current);
    if (!program || !name)
        return;
    GLint location = glGetUniformLocationARB(program, name);
    switch (count) {
    case 1: glUniform1fARB(location, values[0]); break;
    case 2: glUniform2fARB(location, values[0], values[1]); break;
    case 3: glUniform3fARB(location, values[0], values[1], values[2]); break;
    case 4: glUniform4fARB(location, values[0], values[1], values[2], values[3]); break;
    }
}

// Frees the program and shader objects of every slot in `shaders` and empties it.
static void ReleaseShaders(ShaderTable& shaders)
{
    if (ShadersAvailable())
        for (int i = 0; i < shaders.count; i++) {
            const ShaderProgram& slot = shaders.slots[i];
            for (unsigned object : {slot.program, slot.vertex_shader, slot.fragment_shader})
                if (object != 0)
                    glDeleteObjectARB(object);
        }
    shaders = ShaderTable();
}

void SetShadersAside()
{
    int current = shaders.table.current;
    SetShader(0);
    SetPartAside(shaders.table, shaders.aside);
    shaders.aside.current = current;
}

void ReleaseShadersAside()
{
    ReleasePartAside(shaders.aside, ReleaseShaders);
}

void PutShadersBack()
{
    SetShader(0);
    int current = shaders.aside.current;
    PutPartBack(shaders.table, shaders.aside, ReleaseShaders);
    shaders.table.current = 0;
    SetShader(current);
}

const ShaderTable& LoadedShaders()
{
    return shaders.table;
}
