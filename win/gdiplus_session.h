#pragma once
// GDI+ started for the lifetime of this object. Every GDI+ object must be
// gone before it is destroyed: GdiplusShutdown frees what they point to.
// A thread that may still be drawing when the session ends (a worker left to
// finish in the background) holds a GdiplusSession::Use; while one is held
// the session leaves GDI+ running for the process's end to take down.
#include <windows.h>

#include <atomic>

namespace win {

class GdiplusSession {
public:
    GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    ~GdiplusSession();

    bool started() const { return m_started; }

    class Use {
    public:
        Use() { ++s_uses; }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        ~Use() { --s_uses; }
    };

private:
    static inline std::atomic<int> s_uses{0};
    ULONG_PTR m_token = 0;
    bool m_started = false;
};

}  // namespace win
