// The launcher of a demo packed for Windows (NAME.exe): starts demohost.exe beside it, in its own
// folder whatever the working directory, with the launcher's arguments, and ends with its status.
// Like the program it opens no console; started from a terminal, both print to it.

#include <windows.h>

#include <string>

int main()
{
    AttachConsole(ATTACH_PARENT_PROCESS);
    std::wstring folder(32768, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, folder.data(), static_cast<DWORD>(folder.size()));
    if (length == 0 || length >= folder.size())
        return 1;
    folder.resize(length);
    folder.erase(folder.find_last_of(L"\\/"));
    // The arguments as given: the command line after the launcher's own name, quoted or not.
    const wchar_t* rest = GetCommandLineW();
    bool quoted = false;
    for (; *rest && (quoted || (*rest != L' ' && *rest != L'\t')); rest++)
        if (*rest == L'"')
            quoted = !quoted;
    std::wstring command = L"\"" + folder + L"\\demohost.exe\"" + rest;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        folder.c_str(), &startup, &process))
        return 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<int>(status);
}
