#include "workflow/found/found_picture.h"

#include <algorithm>
#include <utility>

#include "workflow/files/folder_tree.h"

namespace workflow {

std::optional<FoundPicture::OpenFile> FoundPicture::Open(const std::string& path, uint64_t maxSize) {
    // Sharing delete lets a clean-up remove the file while it is read; the
    // reparse flag opens a link itself instead of what it points to.
    win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN,
                                       nullptr));
    if (!file) return std::nullopt;
    // The attributes and size by the calls that ask for nothing else: under
    // Wine, GetFileInformationByHandle also looks up the volume, which costs
    // more than reading a small picture.
    FILE_BASIC_INFO basic{};
    LARGE_INTEGER length{};
    if (!GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
        !GetFileSizeEx(file.get(), &length))
        return std::nullopt;
    if (basic.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    const uint64_t size = static_cast<uint64_t>(length.QuadPart);
    if (size == 0 || size > maxSize) return std::nullopt;
    return OpenFile(std::move(file), size);
}

bool FoundPicture::OpenFile::ReadAt(uint64_t offset, std::span<uint8_t> into) const {
    // An offset in the request, on a handle opened for synchronous reads,
    // reads there and waits.
    while (!into.empty()) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD read = 0;
        const DWORD asked = static_cast<DWORD>(std::min<size_t>(into.size(), size_t{1} << 30));
        if (!ReadFile(m_handle.get(), into.data(), asked, &read, &at) || read == 0) return false;
        into = into.subspan(read);
        offset += read;
    }
    return true;
}

std::optional<FoundPicture> FoundPicture::Read(OpenFile file) {
    const uint64_t size = file.m_size;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
    if (!memory) return std::nullopt;
    FoundPicture picture(memory, static_cast<size_t>(size));
    if (!picture.m_data) return std::nullopt;
    if (!ReadWhole(file.m_handle.get(), {const_cast<uint8_t*>(picture.m_data), static_cast<size_t>(size)}))
        return std::nullopt;
    return picture;
}

std::optional<FoundPicture> FoundPicture::Copy(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return std::nullopt;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return std::nullopt;
    FoundPicture picture(memory, bytes.size());
    if (!picture.m_data) return std::nullopt;
    std::copy(bytes.begin(), bytes.end(), const_cast<uint8_t*>(picture.m_data));
    return picture;
}

FoundPicture::FoundPicture(HGLOBAL memory, size_t size)
    : m_memory(memory), m_data(static_cast<const uint8_t*>(GlobalLock(memory))), m_size(size) {}

FoundPicture::FoundPicture(FoundPicture&& o) noexcept
    : m_memory(std::exchange(o.m_memory, nullptr)), m_data(std::exchange(o.m_data, nullptr)),
      m_size(std::exchange(o.m_size, 0)) {}

FoundPicture& FoundPicture::operator=(FoundPicture&& o) noexcept {
    if (this != &o) {
        Free();
        m_memory = std::exchange(o.m_memory, nullptr);
        m_data = std::exchange(o.m_data, nullptr);
        m_size = std::exchange(o.m_size, 0);
    }
    return *this;
}

FoundPicture::~FoundPicture() { Free(); }

void FoundPicture::Free() {
    if (!m_memory) return;
    if (m_data) GlobalUnlock(m_memory);
    GlobalFree(m_memory);
    m_memory = nullptr;
    m_data = nullptr;
}

IStream* FoundPicture::NewStream() const {
    IStream* stream = nullptr;
    // The stream does not own the memory: this object frees it. It is as long
    // as the allocation, which may be rounded up by a few bytes: those are zeros.
    if (FAILED(CreateStreamOnHGlobal(m_memory, FALSE, &stream))) return nullptr;
    return stream;
}

}  // namespace workflow
