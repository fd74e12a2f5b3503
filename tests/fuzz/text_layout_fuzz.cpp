// Fuzzes text layout and wrapping: the input holds a font description, a width limit and a text.
// Layout: [font length: 2 bytes][font][limit: 4 bytes][text].

#include "fuzz_file.h"

#include "text/text.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    size_t font_size = (data[0] | data[1] << 8) % (size - 5);
    std::string path = WriteFuzzFile("layout.fnt", data + 2, font_size);
    FontReader reader;
    std::unique_ptr<BitmapFont> font = reader.ReadFont(path.c_str(), "/nonexistent/");
    if (!font)
        return 0;
    const uint8_t* rest = data + 2 + font_size;
    size_t rest_size = size - 2 - font_size;
    if (rest_size < 4)
        return 0;
    int32_t limit;
    memcpy(&limit, rest, 4);
    std::string_view text(reinterpret_cast<const char*>(rest + 4), rest_size - 4);
    TextMesh mesh;
    MakeText(*font, text, limit, mesh);
    MakeText(*font, text, -1, mesh);
    return 0;
}
