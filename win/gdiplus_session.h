#pragma once
// GDI+ started for the lifetime of this object. Every GDI+ object must be
// gone before it is destroyed: GdiplusShutdown frees what they point to.
#include <windows.h>

namespace win {

class GdiplusSession {
public:
    GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    ~GdiplusSession();

    bool started() const { return m_started; }

private:
    ULONG_PTR m_token = 0;
    bool m_started = false;
};

}  // namespace win
