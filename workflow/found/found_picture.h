#pragma once
// A found picture's bytes, read once into memory so that no decoder holds the
// file open: the engine, a clean-up or a copy may want it while a thumbnail
// is made. The memory is movable global memory, so GDI+ can read it as a
// stream without a second copy.
#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "win/handles.h"

namespace workflow {

// Files larger than this are not read for a thumbnail: no picture a camera
// or a scanner writes comes near it, and a worker must not hold gigabytes.
inline constexpr uint64_t kMaxPictureFileBytes = uint64_t{128} << 20;

class FoundPicture {
public:
    // A found file opened but not yet read: its size tells whether reading
    // it must wait for a turn.
    class OpenFile {
    public:
        uint64_t Size() const { return m_size; }
        // Exactly `into.size()` bytes from `offset`, for a file read in pieces.
        bool ReadAt(uint64_t offset, std::span<uint8_t> into) const;

    private:
        friend class FoundPicture;
        OpenFile(win::UniqueHandle handle, uint64_t size) : m_handle(std::move(handle)), m_size(size) {}
        win::UniqueHandle m_handle;
        uint64_t m_size;
    };

    // None when the file cannot be opened, is empty or larger than `maxSize`,
    // or is a link or other reparse point (its bytes would come from outside
    // the data folder). A file read only in pieces may be of any size.
    static std::optional<OpenFile> Open(const std::string& path, uint64_t maxSize = kMaxPictureFileBytes);
    // None when the file cannot be read whole.
    static std::optional<FoundPicture> Read(OpenFile file);
    // Bytes read already, copied; none when memory is short or there are none.
    static std::optional<FoundPicture> Copy(std::span<const uint8_t> bytes);

    FoundPicture(const FoundPicture&) = delete;
    FoundPicture& operator=(const FoundPicture&) = delete;
    FoundPicture(FoundPicture&& o) noexcept;
    FoundPicture& operator=(FoundPicture&& o) noexcept;
    ~FoundPicture();

    std::span<const uint8_t> Bytes() const { return {m_data, m_size}; }
    // A stream over the same memory for GDI+; the stream must go before this
    // object does. Null when none could be made.
    IStream* NewStream() const;

private:
    FoundPicture(HGLOBAL memory, size_t size);
    void Free();

    HGLOBAL m_memory = nullptr;
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

}  // namespace workflow
