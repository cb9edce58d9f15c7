#pragma once
// Reading the environment, by which the tests configure the engines.
#include <windows.h>

#include <string>

namespace engines {

// The variable's value; empty when it is not set.
inline std::string EnvironmentValue(const char* name) {
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0) return {};
    std::string value(size, '\0');
    const DWORD length = GetEnvironmentVariableA(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

}  // namespace engines
