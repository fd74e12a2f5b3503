// The program's one window with its GL context and base GL state, the frame's swap and the quit
// request. State: the window (its handle, the script's size and title, what a reload set aside),
// in window.cpp. Input is in app/input.h, full screen in app/fullscreen.h.
#pragma once

#include <string>

struct GLFWwindow;

// Starts the window library once (later calls only answer); false when there is no display.
bool InitWindowLibrary();
// Closes the window and ends the window library.
void EndWindowLibrary();
// Before any OpenWindow: a window never shown (demohost-capture's) takes no input.
void SetWindowOffscreen(bool offscreen);
// Creates the window (only once), loads GL entry points, sets the base state and pushes a
// pixel projection with (0, 0) at the top left. A second call prints the failure and then
// updates title, state and projection of the existing window.
void OpenWindow(int width, int height, const char* title);
// A reload: while the new state starts, its OpenWindow keeps the open window (at the new size
// and title). When the new state fails, the old one's size and title come back.
void SetWindowAside();
void ReleaseWindowAside();
void PutWindowBack();
void InitGlState();
// True while a window exists and has not been closed by the user.
bool WindowIsOpen();
// The open window, null before OpenWindow succeeds; whether it is never shown.
GLFWwindow* WindowHandle();
bool WindowOffscreen();
// The size OpenWindow was last given (the script's coordinates) and the title; 0, 0 and empty
// before it is called.
void WindowSize(int& width, int& height);
const std::string& WindowTitle();
void Quit();
// Whether Quit has been called.
bool QuitRequested();
// Shows the frame and processes window and input events.
void SwapBuffers();
