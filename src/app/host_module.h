// The "demohost" script module (`local host = require "demohost"`): named keys, the wheel, music
// control, the window's size, full screen, text measuring and the tracks. Unlike the 27 global
// functions, its functions check their arguments and raise script errors.
#pragma once

#include <lua.hpp>

// Makes the module available to `require` through package.preload, adding no global.
void PreloadHostModule(lua_State* L);
