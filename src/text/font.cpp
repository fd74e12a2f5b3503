// Bitmap fonts read from the text form of the .fnt format.

#include "text/font.h"

#include "platform/platform.h"

#include <climits>
#include <cstdio>

std::string_view ReadValue(std::string_view line, std::string_view key)
{
    for (size_t at = line.find(key); at != std::string_view::npos; at = line.find(key, at + 1)) {
        size_t equals = at + key.size();
        if (equals < line.size() && line[equals] == '=') {
            std::string_view value = line.substr(equals + 1);
            return value.substr(0, value.find(' '));
        }
    }
    return {};
}

int32_t ReadInt(std::string_view line, std::string_view key)
{
    std::string_view value = ReadValue(line, key);
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+'))
        negative = value[i++] == '-';
    long long number = 0;
    size_t first_digit = i;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; i++) {
        number = number * 10 + (value[i] - '0');
        if (number > static_cast<long long>(INT_MAX) + 1)
            return 0;
    }
    if (i == first_digit)
        return 0;
    number = negative ? -number : number;
    return number < INT_MIN || number > INT_MAX ? 0 : static_cast<int32_t>(number);
}

static bool StartsWith(std::string_view line, std::string_view prefix)
{
    return line.substr(0, prefix.size()) == prefix;
}

// The page file name: the text between the first two double quotes, or the whole value.
static std::string PageFileName(std::string_view value)
{
    size_t quote = value.find('"');
    if (quote == std::string_view::npos)
        return std::string(value);
    std::string_view rest = value.substr(quote + 1);
    return std::string(rest.substr(0, rest.find('"')));
}

// Sums of a position and a size are formed in 64 bits: a hostile file may pass int32's range.
static float TexCoord(int64_t pixels, int32_t size)
{
    return static_cast<float>(pixels) / static_cast<float>(size);
}

// A page named again takes the later file. Only the names are kept while the file is read, so
// that each page image is loaded once however often the file names it.
static void ReadPage(std::vector<std::optional<std::string>>& page_files, std::string_view line,
                     const char* directory)
{
    int32_t id = ReadInt(line, "id");
    if (id < 0 || static_cast<size_t>(id) >= page_files.size())
        return;
    page_files[static_cast<size_t>(id)] = directory + PageFileName(ReadValue(line, "file"));
}

static void LoadPages(BitmapFont& font, const std::vector<std::optional<std::string>>& page_files)
{
    for (size_t id = 0; id < page_files.size(); id++)
        if (page_files[id])
            font.pageTextures[id] = LoadTexture(page_files[id]->c_str());
}

static void ReadGlyph(BitmapFont& font, std::string_view line, int32_t scaleW, int32_t scaleH)
{
    Glyph g;
    g.id = static_cast<uint8_t>(ReadInt(line, "id") & 0xFF);
    int32_t x = ReadInt(line, "x"), y = ReadInt(line, "y");
    g.width = ReadInt(line, "width");
    g.height = ReadInt(line, "height");
    g.xoffset = ReadInt(line, "xoffset");
    g.yoffset = ReadInt(line, "yoffset");
    g.xadvance = ReadInt(line, "xadvance");
    g.page = ReadInt(line, "page");
    if (g.page < 0 || g.page >= font.pageCount || font.glyphs[g.id])
        return;
    g.texLeft = TexCoord(x, scaleW);
    g.texTop = TexCoord(y, scaleH);
    g.texRight = TexCoord(static_cast<int64_t>(x) + g.width, scaleW);
    g.texBottom = TexCoord(static_cast<int64_t>(y) + g.height, scaleH);
    font.glyphs[g.id] = std::move(g);
}

static void ReadKerning(BitmapFont& font, std::string_view line)
{
    auto first = static_cast<uint8_t>(ReadInt(line, "first") & 0xFF);
    auto second = static_cast<uint8_t>(ReadInt(line, "second") & 0xFF);
    int32_t amount = ReadInt(line, "amount");
    if (font.glyphs[first])
        font.glyphs[first]->kerning[second] = amount;
}

// Longer lines are cut here: no field of the format comes near it.
static const size_t kMaxFontLine = 4096;

// Reads one line without its LF or CR LF, keeping at most kMaxFontLine characters of it; false at
// the end of the file.
static bool ReadLine(FILE* file, std::string& line)
{
    line.clear();
    int c = ReadByteUnlocked(file);
    if (c == EOF)
        return false;
    for (; c != EOF && c != '\n'; c = ReadByteUnlocked(file))
        if (line.size() < kMaxFontLine)
            line.push_back(static_cast<char>(c));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

void FontReader::ReadLineOfFont(BitmapFont& font, std::string_view line, const char* directory)
{
    if (StartsWith(line, "page "))
        ReadPage(pageFiles, line, directory);
    else if (StartsWith(line, "char "))
        ReadGlyph(font, line, scaleW, scaleH);
    else if (StartsWith(line, "kerning "))
        ReadKerning(font, line);
}

// The file is read as a stream, a line at a time, so its size does not matter.
std::unique_ptr<BitmapFont> FontReader::ReadFont(const char* path, const char* directory)
{
    if (!path || !directory)
        return nullptr;
    FILE* file = OpenRegularFile(path);
    if (!file)
        return nullptr;
    std::string first, header;
    if (!ReadLine(file, first) || !ReadLine(file, header)) {
        fclose(file);
        return nullptr;
    }

    auto font = std::make_unique<BitmapFont>();
    int32_t pages = ReadInt(header, "pages");
    font->pageCount = pages < 0 ? 0 : (pages > kMaxFontPages ? kMaxFontPages : pages);
    scaleW = ReadInt(header, "scaleW");
    scaleH = ReadInt(header, "scaleH");
    font->lineHeight = ReadInt(header, "lineHeight");
    font->pageTextures.assign(font->pageCount, 0);
    pageFiles.assign(static_cast<size_t>(font->pageCount), std::nullopt);

    ReadLineOfFont(*font, first, directory);
    ReadLineOfFont(*font, header, directory);
    for (std::string line; ReadLine(file, line);)
        ReadLineOfFont(*font, line, directory);
    fclose(file);
    LoadPages(*font, pageFiles);
    return font;
}
