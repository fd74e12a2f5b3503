// Fuzzes the bitmap font reader with arbitrary description files.

#include "fuzz_file.h"

#include "text/font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = WriteFuzzFile("font.fnt", data, size);
    FontReader reader;
    reader.ReadFont(path.c_str(), "/nonexistent/");
    return 0;
}
