#include "tests/support/import_patch.h"

namespace testing_support {

namespace {
void WriteEntry(void** entry, void* value) {
    DWORD protection = 0;
    VirtualProtect(entry, sizeof(void*), PAGE_READWRITE, &protection);
    *entry = value;
    VirtualProtect(entry, sizeof(void*), protection, &protection);
}
}  // namespace

ImportPatch::ImportPatch(const char* dll, const char* function, void* replacement) {
    HMODULE library = LoadLibraryA(dll);
    m_original = library ? reinterpret_cast<void*>(GetProcAddress(library, function)) : nullptr;
    if (!m_original) return;

    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    // Every table entry that holds the function's address is rewritten,
    // whether it was imported by name or by ordinal.
    for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name; ++descriptor) {
        for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk); thunk->u1.Function;
             ++thunk) {
            auto** entry = reinterpret_cast<void**>(&thunk->u1.Function);
            if (*entry == m_original) {
                WriteEntry(entry, replacement);
                m_patched.push_back(entry);
            }
        }
    }
}

ImportPatch::~ImportPatch() {
    for (void** entry : m_patched) WriteEntry(entry, m_original);
}

}  // namespace testing_support
