#include "win/gdiplus_session.h"

#include <gdiplus.h>

namespace win {

GdiplusSession::GdiplusSession() {
    const Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, no suppression
    m_started = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
}

GdiplusSession::~GdiplusSession() {
    if (m_started && s_uses == 0) Gdiplus::GdiplusShutdown(m_token);
}

}  // namespace win
