// Reloading the script: a new state runs the main chunk and initialize while each module sets
// the running state's part aside, so that the new state starts afresh and the old one can take
// its part back when the new one fails. State: none; each part is its owner's.
#pragma once

#include "app/script_host.h"

#include <string>
#include <vector>

// Starts a new state on res/main.lua with the given arguments, on the open window, with the music
// playing on. When its main chunk loads and it and initialize run without an error, it replaces
// `host`'s state and what the old state made is released; otherwise the new state and what it
// made are dropped, `host` runs on as before and false is returned (the error has been printed).
bool ReloadScript(ScriptHost& host, const std::vector<std::string>& args);
