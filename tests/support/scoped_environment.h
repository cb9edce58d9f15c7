#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace testing_support {

// Sets an environment variable (or removes it, for null) for the engines this
// test starts, and puts the old value back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
        if (size > 0) {
            std::string old(size, '\0');
            old.resize(GetEnvironmentVariableA(name, old.data(), size));
            old_ = old;
        }
        SetEnvironmentVariableA(name, value);
    }
    ScopedEnvironment(const char* name, const std::string& value) : ScopedEnvironment(name, value.c_str()) {}
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() { SetEnvironmentVariableA(name_.c_str(), old_ ? old_->c_str() : nullptr); }

private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace testing_support
