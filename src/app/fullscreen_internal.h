// What tests read of the full-screen state.
#pragma once

// The picture's framebuffer while in full screen, 0 otherwise.
unsigned FullscreenPictureFramebuffer();
