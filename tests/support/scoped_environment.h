#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace testing_support {

// Sets an environment variable (or removes it, for null) for the engines this
// test starts, and puts the old value back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name) {
        const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
        if (size > 0) {
            std::string old(size, '\0');
            old.resize(GetEnvironmentVariableA(name, old.data(), size));
            m_old = old;
        }
        SetEnvironmentVariableA(name, value);
    }
    ScopedEnvironment(const char* name, const std::string& value) : ScopedEnvironment(name, value.c_str()) {}
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() { SetEnvironmentVariableA(m_name.c_str(), m_old ? m_old->c_str() : nullptr); }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

}  // namespace testing_support
