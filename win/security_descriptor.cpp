#include "win/security_descriptor.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "win/handles.h"

namespace win {

std::optional<SecurityDescriptor> SecurityDescriptor::FromText(const std::string& text) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return std::nullopt;
    return SecurityDescriptor(descriptor);
}

std::string CurrentUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    const UniqueHandle owned(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<LONGLONG> buffer(size / sizeof(LONGLONG) + 1);
    if (!GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)),
                             &size))
        return {};
    char* text = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
    std::string sid = text;
    LocalFree(text);
    return sid;
}

bool ApplySecurity(HANDLE object, const SecurityDescriptor& descriptor) {
    PSID owner = nullptr;
    PACL acl = nullptr;
    BOOL ownerDefaulted = FALSE, present = FALSE, aclDefaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor.get(), &owner, &ownerDefaulted) ||
        !GetSecurityDescriptorDacl(descriptor.get(), &present, &acl, &aclDefaulted) || !present)
        return false;
    SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
    if (owner) what |= OWNER_SECURITY_INFORMATION;
    const DWORD result = SetSecurityInfo(object, SE_FILE_OBJECT, what, owner, nullptr, acl, nullptr);
    SetLastError(result);
    return result == ERROR_SUCCESS;
}

}  // namespace win
