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
    explicit UniqueHandle(HANDLE h) : m_h(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : m_h(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept { reset(o.release()); return *this; }
    ~UniqueHandle() { reset(); }

    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }
    HANDLE release() { HANDLE h = m_h; m_h = INVALID_HANDLE_VALUE; return h; }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (valid()) CloseHandle(m_h);
        m_h = h;
    }

private:
    HANDLE m_h = INVALID_HANDLE_VALUE;
};

// Owns a FindFirstFile listing.
class FindHandle {
public:
    FindHandle() = default;
    explicit FindHandle(HANDLE h) : m_h(h) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() { if (valid()) FindClose(m_h); }
    bool valid() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }
    HANDLE get() const { return m_h; }

private:
    HANDLE m_h = INVALID_HANDLE_VALUE;
};

// Owns a GDI object (bitmap, brush, font, region, pen).
template <typename T>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T h) : m_h(h) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& o) noexcept : m_h(o.release()) {}
    GdiObject& operator=(GdiObject&& o) noexcept { reset(o.release()); return *this; }
    ~GdiObject() { reset(); }

    T get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    T release() { T h = m_h; m_h = nullptr; return h; }
    void reset(T h = nullptr) {
        if (m_h) DeleteObject(m_h);
        m_h = h;
    }

private:
    T m_h = nullptr;
};

using BitmapHandle = GdiObject<HBITMAP>;
using BrushHandle = GdiObject<HBRUSH>;
using FontHandle = GdiObject<HFONT>;
using RegionHandle = GdiObject<HRGN>;

// Owns a memory device context made by CreateCompatibleDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : m_dc(CreateCompatibleDC(compatibleWith)) {}
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC() { if (m_dc) DeleteDC(m_dc); }
    HDC get() const { return m_dc; }
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

// Selects an object into a DC for the lifetime of this object.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(SelectObject(dc, obj)) {}
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() { if (m_old) SelectObject(m_dc, m_old); }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A window DC from GetDC, released on destruction.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() { if (m_dc) ReleaseDC(m_hwnd, m_dc); }
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// BeginPaint on construction, EndPaint on destruction: the update region is
// only validated by EndPaint, which must follow every BeginPaint.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : m_hwnd(hwnd), m_dc(BeginPaint(hwnd, &m_paint)) {}
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(m_hwnd, &m_paint); }
    HDC dc() const { return m_dc; }
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
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
    ~MutexOwnershipScope() { if (m_owned) ReleaseMutex(m_mutex); }

private:
    MutexOwnershipScope(HANDLE mutex, bool owned) : m_mutex(mutex), m_owned(owned) {}

    HANDLE m_mutex;
    bool m_owned;
};

}  // namespace win
