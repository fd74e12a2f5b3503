// A module's part of a script state through a reload: set aside while the new state starts (a
// fresh part takes its place), then released when the new state took over, or put back when it
// failed (the new state's part is released instead). Each owner gives its own release.
#pragma once

#include <utility>

template <typename Part>
void SetPartAside(Part& running, Part& aside)
{
    aside = std::move(running);
    running = Part();
}

template <typename Part, typename Release>
void ReleasePartAside(Part& aside, Release release)
{
    release(aside);
    aside = Part();
}

template <typename Part, typename Release>
void PutPartBack(Part& running, Part& aside, Release release)
{
    release(running);
    running = std::move(aside);
    aside = Part();
}
