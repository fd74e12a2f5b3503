// A shader as deeply nested as the reader lets a section be: the graphics driver's compiler
// recurses once per level, and the program must not run out of stack under it.

#include "support/run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(ShaderDepth, TheDeepestSectionTheReaderTakesDoesNotCrashTheProgram)
{
    std::string sum = "a";
    for (int i = 1; i < 50000; i++)
        sum += "+a";
    ScriptDir dir;
    dir.Write("res/deep.shader", "[vertex]\nvoid main() { gl_Position = ftransform(); }\n"
                                 "[fragment]\nuniform float a;\nvoid main() {\n"
                                 "    gl_FragColor = vec4(" + sum + ");\n}\n");
    dir.Write("res/main.lua", R"(function initialize()
    OpenWindow(64, 64, "deep")
    print(LoadShader("res/deep.shader"))
    Quit()
end
function update() end
)");
    // A compiled shader may come from the driver's cache without compiling.
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.exit_code, 0) << r.out.substr(0, 300);
    EXPECT_NE(r.out.find("\n1\n"), std::string::npos) << r.out.substr(0, 300);
}
