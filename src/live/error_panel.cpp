// The problems panel of demohost-live.

#include "live/error_panel.h"

#include "problems.h"
#include "render/pipes.h"
#include "render/quad_pipe.h"

#include <GL/glew.h>

#include <algorithm>

// Room around the text and from the window's edges.
static const int kMargin = 10;

void PanelText(const std::vector<Problem>& problems, std::string& text)
{
    text.clear();
    for (const Problem& problem : problems) {
        if (!text.empty())
            text += "\n\n";
        text += problem.text;
        if (problem.count > 1)
            text += " (repeated " + std::to_string(problem.count - 1) +
                    (problem.count == 2 ? " time)" : " times)");
        if (!problem.traceback.empty())
            text += '\n';
        text += problem.traceback;
        while (!text.empty() && text.back() == '\n')
            text.pop_back();
    }
}

// The first `count` lines of `text`.
static void FirstLines(const std::string& text, int count, std::string& out)
{
    size_t end = 0;
    for (int i = 0; i < count; i++) {
        end = text.find('\n', i == 0 ? 0 : end + 1);
        if (end == std::string::npos)
            break;
    }
    out.assign(text, 0, end);
}

void ErrorPanel::Draw(const BitmapFont& font, int width, int height, int top)
{
    PanelText(CurrentProblems(), text_);
    if (text_.empty() || font.lineHeight <= 0)
        return;
    int text_width = std::max(width - 4 * kMargin, 40);
    WrapText(font, text_, text_width, wrapped_);
    int room = std::max((height - top - 3 * kMargin) / font.lineHeight, 1);
    FirstLines(wrapped_, room, shown_);
    BuildTextMesh(font, shown_, mesh_);
    int box_height = mesh_.lines * font.lineHeight + 2 * kMargin;

    // Drawn by the fixed pipeline whatever program the script left selected (one that failed to
    // compile may be the reason the panel is up).
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glUseProgramObjectARB(0);
    FillPipe(0, 0.08f, 0.02f, 0.02f, 0.88f, width / 2.0, top + box_height / 2.0,
             width - 2 * kMargin, box_height, 0);
    FlushPipes();
    DrawTextMesh(mesh_, 2 * kMargin, top + kMargin, 1, 0.75f, 0.7f, 1);
    glUseProgramObjectARB(static_cast<GLhandleARB>(program));
}
