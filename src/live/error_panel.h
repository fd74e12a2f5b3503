// The panel demohost-live draws over the script's picture while something is wrong: the
// standing problems (script errors with their traceback and repeats, shader messages, failed
// loads) on a dark box below the status line. State: its text and mesh, kept for reuse.
#pragma once

#include "problems.h"
#include "text/text.h"

#include <string>
#include <vector>

// What the panel says of `problems` into `text`: each problem's text, its repeats and its
// traceback, a blank line between problems; empty for none.
void PanelText(const std::vector<Problem>& problems, std::string& text);

class ErrorPanel {
public:
    // Draws the problems that stand, if any, from `top` down in a window of `width` x `height`;
    // nothing when none stands.
    void Draw(const BitmapFont& font, int width, int height, int top);

private:
    std::string text_, wrapped_, shown_;
    TextMesh mesh_;
};
