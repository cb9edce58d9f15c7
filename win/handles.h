#pragma once
// RAII owners for kernel and GDI handles. The type says who frees what.
#include <windows.h>
#include <utility>

namespace win {

// Owns a kernel handle (process, thread, file, mutex). Both null and
// INVALID_HANDLE_VALUE mean "none".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept { reset(o.release()); return *this; }
    ~UniqueHandle() { reset(); }

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }
    HANDLE release() { HANDLE h = h_; h_ = INVALID_HANDLE_VALUE; return h; }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (valid()) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// Owns a FindFirstFile listing.
class FindHandle {
public:
    FindHandle() = default;
    explicit FindHandle(HANDLE h) : h_(h) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() { if (valid()) FindClose(h_); }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// Owns a GDI object (bitmap, brush, font, region, pen).
template <typename T>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T h) : h_(h) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& o) noexcept : h_(o.release()) {}
    GdiObject& operator=(GdiObject&& o) noexcept { reset(o.release()); return *this; }
    ~GdiObject() { reset(); }

    T get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    T release() { T h = h_; h_ = nullptr; return h; }
    void reset(T h = nullptr) {
        if (h_) DeleteObject(h_);
        h_ = h;
    }

private:
    T h_ = nullptr;
};

using BitmapHandle = GdiObject<HBITMAP>;
using BrushHandle = GdiObject<HBRUSH>;
using FontHandle = GdiObject<HFONT>;
using RegionHandle = GdiObject<HRGN>;

// Owns a memory device context made by CreateCompatibleDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC() { if (dc_) DeleteDC(dc_); }
    HDC get() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a DC for the lifetime of this object.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() { if (old_) SelectObject(dc_, old_); }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A window DC from GetDC, released on destruction.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() { if (dc_) ReleaseDC(hwnd_, dc_); }
    operator HDC() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint on construction, EndPaint on destruction: the update region is
// only validated by EndPaint, which must follow every BeginPaint.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {}
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(hwnd_, &paint_); }
    HDC dc() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Ownership of a mutex held by the calling thread, given back with
// ReleaseMutex when the scope ends. The handle itself is not closed.
class MutexOwnershipScope {
public:
    // Ownership the thread already has: a mutex it has just created with
    // initial ownership requested.
    static MutexOwnershipScope Adopt(HANDLE mutex) { return MutexOwnershipScope(mutex, true); }
    // Waits until no other thread owns the mutex. An abandoned mutex also
    // passes to the waiter.
    static MutexOwnershipScope WaitFor(HANDLE mutex) {
        const DWORD waited = WaitForSingleObject(mutex, INFINITE);
        return MutexOwnershipScope(mutex, waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED);
    }
    MutexOwnershipScope(const MutexOwnershipScope&) = delete;
    MutexOwnershipScope& operator=(const MutexOwnershipScope&) = delete;
    ~MutexOwnershipScope() { if (owned_) ReleaseMutex(mutex_); }

private:
    MutexOwnershipScope(HANDLE mutex, bool owned) : mutex_(mutex), owned_(owned) {}

    HANDLE mutex_;
    bool owned_;
};

// A critical section, initialised and deleted with its owner.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    ~CriticalSection() { DeleteCriticalSection(&cs_); }
    void Enter() { EnterCriticalSection(&cs_); }
    void Leave() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class LockScope {
public:
    explicit LockScope(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
    LockScope(const LockScope&) = delete;
    LockScope& operator=(const LockScope&) = delete;
    ~LockScope() { cs_.Leave(); }

private:
    CriticalSection& cs_;
};

}  // namespace win
