// The program's one Lua state: opening it, running the main script and calling its callbacks.
// Every call into the script is protected; a failure is printed and survived.
#pragma once

#include <lua.hpp>

#include <string>
#include <vector>

class ScriptHost {
public:
    ScriptHost() = default;
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;
    ~ScriptHost() { Close(); }

    // Creates the state and loads res/main.lua without running it.
    void Open();
    // Runs the main chunk if it loaded, then initialize(args) with the script's arguments (those
    // after the program's name); false when the chunk did not load or either raised an error.
    bool Start(const std::vector<std::string>& args);
    // Calls update(time, dt).
    void Update(double time, double dt);
    void Close();
    // Whether Open loaded the main chunk.
    bool Loaded() const { return main_loaded_; }
    // Exchanges states with `other`: the frame loop's host takes over a state started aside.
    void Swap(ScriptHost& other);
    lua_State* State() const { return state_; }

private:
    lua_State* state_ = nullptr;
    bool main_loaded_ = false;
};

// Prints the error value on top of the stack as "Error: %s\n" and pops it; the text is kept as
// the last script error.
void ReportScriptError(lua_State* L);
// The text of the last error reported.
const std::string& LastScriptError();

// A protected call of the function below nargs arguments; a failure is reported and gives false.
bool CallProtected(lua_State* L, int nargs, int nresults);
