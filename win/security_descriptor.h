#pragma once
// A security descriptor made from its text form (SDDL), owned, and the text
// form of the current user's SID. Made from text so that what a folder is
// created with is a plain value the tests can read back.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace win {

class SecurityDescriptor {
public:
    // None when the text is not a valid descriptor.
    static std::optional<SecurityDescriptor> FromText(const std::string& text);

    PSECURITY_DESCRIPTOR get() const { return m_descriptor.get(); }

private:
    struct Free {
        void operator()(void* descriptor) const { LocalFree(descriptor); }
    };
    explicit SecurityDescriptor(PSECURITY_DESCRIPTOR descriptor) : m_descriptor(descriptor) {}
    std::unique_ptr<void, Free> m_descriptor;
};

// "S-1-5-21-..." of the user this process runs as; empty when unknown.
std::string CurrentUserSid();

// Gives an open file or folder the descriptor's owner and access list, the
// list protected from what the folder above would pass down. The handle needs
// WRITE_OWNER and WRITE_DAC.
bool ApplySecurity(HANDLE object, const SecurityDescriptor& descriptor);

}  // namespace win
