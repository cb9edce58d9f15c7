#include "tests/support/engine_variables.h"

#include <string>

namespace testing_support {

namespace {

constexpr char kPrefix[] = "VANTREO_";

// The block with every VANTREO_ variable of this process in place of its own.
std::string WithTestVariables(const char* block) {
    std::string result;
    for (const char* entry = block; *entry; entry += strlen(entry) + 1) {
        if (_strnicmp(entry, kPrefix, sizeof kPrefix - 1) == 0) continue;
        result += entry;
        result += '\0';
    }
    char* own = GetEnvironmentStringsA();
    for (const char* entry = own; own && *entry; entry += strlen(entry) + 1) {
        if (_strnicmp(entry, kPrefix, sizeof kPrefix - 1) != 0) continue;
        result += entry;
        result += '\0';
    }
    if (own) FreeEnvironmentStringsA(own);
    result += '\0';
    return result;
}

using CreateProcessFunction = decltype(&CreateProcessA);

// The system's own function: a call through the import table would come back here.
CreateProcessFunction SystemCreateProcess() {
    static const auto function =
        reinterpret_cast<CreateProcessFunction>(GetProcAddress(LoadLibraryA("kernel32.dll"), "CreateProcessA"));
    return function;
}

BOOL WINAPI CreateProcessWithTestVariables(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES process,
                                           LPSECURITY_ATTRIBUTES thread, BOOL inherit, DWORD flags, LPVOID environment,
                                           LPCSTR folder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION started) {
    if (!environment || (flags & CREATE_UNICODE_ENVIRONMENT))
        return SystemCreateProcess()(application, commandLine, process, thread, inherit, flags, environment, folder,
                                     startup, started);
    std::string block = WithTestVariables(static_cast<const char*>(environment));
    return SystemCreateProcess()(application, commandLine, process, thread, inherit, flags, block.data(), folder,
                                 startup, started);
}

}  // namespace

EngineVariablesPassed::EngineVariablesPassed()
    : m_patch("kernel32.dll", "CreateProcessA", reinterpret_cast<void*>(&CreateProcessWithTestVariables)) {
    SystemCreateProcess();
}

}  // namespace testing_support
