// The access lists of the folders the engine runs from and writes into, read
// back from the descriptors they are made with. (Wine neither keeps nor
// enforces a folder's list, so the value is what can be checked here.)
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "win/security_descriptor.h"
#include "workflow/engine/work_folder_access.h"

namespace {

struct Grant {
    std::string sid;
    ACCESS_MASK mask;
    bool operator==(const Grant&) const = default;
};

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return {};
    std::string result = text;
    LocalFree(text);
    return result;
}

constexpr char kSystem[] = "S-1-5-18";
constexpr char kAdministrators[] = "S-1-5-32-544";
constexpr char kUser[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
constexpr ACCESS_MASK kFullControl = FILE_ALL_ACCESS;
constexpr ACCESS_MASK kReadAndList = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
// Any of these would let the user change what the engine runs or writes.
constexpr ACCESS_MASK kChanging = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                  FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

TEST(WorkFolderAccess, OnlyAdministratorsMayChangeAndNothingIsInheritedFromAbove) {
    const struct {
        const char* folder;
        std::string text;
        std::vector<Grant> grants;
    } rows[] = {
        {"the engine's copy", workflow::kAdministratorsOnlyAccess,
         {{kSystem, kFullControl}, {kAdministrators, kFullControl}}},
        {"the search's output", workflow::SearchOutputAccess(kUser),
         {{kSystem, kFullControl}, {kAdministrators, kFullControl}, {kUser, kReadAndList}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.folder);
        const std::optional<win::SecurityDescriptor> descriptor = win::SecurityDescriptor::FromText(row.text);
        ASSERT_TRUE(descriptor) << row.text;
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        ASSERT_TRUE(GetSecurityDescriptorControl(descriptor->get(), &control, &revision));
        EXPECT_TRUE(control & SE_DACL_PROTECTED);
        PSID owner = nullptr;
        BOOL defaulted = FALSE, present = FALSE;
        ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor->get(), &owner, &defaulted));
        EXPECT_EQ(SidText(owner), kAdministrators);
        PACL acl = nullptr;
        ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor->get(), &present, &acl, &defaulted));
        ASSERT_TRUE(present && acl);
        std::vector<Grant> grants;
        for (DWORD i = 0; i < acl->AceCount; ++i) {
            void* ace = nullptr;
            ASSERT_TRUE(GetAce(acl, i, &ace));
            const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
            ASSERT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
            // Passed down to every file and folder made inside, the engine's included.
            EXPECT_EQ(allowed->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << i;
            const std::string sid = SidText(const_cast<DWORD*>(&allowed->SidStart));
            grants.push_back({sid, allowed->Mask});
            if (sid != kSystem && sid != kAdministrators) EXPECT_EQ(allowed->Mask & kChanging, 0u) << sid;
        }
        EXPECT_EQ(grants, row.grants);
    }
}

// The user the folders are readable by is the one the program runs as.
TEST(WorkFolderAccess, TheUserIsTheOneTheProgramRunsAs) {
    const std::string sid = win::CurrentUserSid();
    ASSERT_EQ(sid.rfind("S-1-5-", 0), 0u) << sid;
    EXPECT_NE(workflow::SearchOutputAccess(sid).find(";;;" + sid + ")"), std::string::npos);
}

}  // namespace
