#pragma once
// Owners of the GDI+ flat API's objects that the thumbnails are drawn with,
// and the file opens they start from.
#include <windows.h>
#include <gdiplus.h>

#include <string>

namespace workflow {

namespace gdip = Gdiplus::DllExports;

// Owns a COM stream.
class ComStream {
public:
    explicit ComStream(IStream* stream) : m_stream(stream) {}
    ComStream(const ComStream&) = delete;
    ComStream& operator=(const ComStream&) = delete;
    ~ComStream() { if (m_stream) m_stream->Release(); }
    IStream* get() const { return m_stream; }
    explicit operator bool() const { return m_stream != nullptr; }

private:
    IStream* m_stream;
};

// Owns a GDI+ image or bitmap. A bitmap opened from a file keeps the file
// open until it is disposed.
class GdiplusImage {
public:
    GdiplusImage() = default;
    explicit GdiplusImage(Gdiplus::GpImage* image) : m_image(image) {}
    GdiplusImage(const GdiplusImage&) = delete;
    GdiplusImage& operator=(const GdiplusImage&) = delete;
    GdiplusImage(GdiplusImage&& o) noexcept : m_image(o.release()) {}
    GdiplusImage& operator=(GdiplusImage&& o) noexcept { reset(o.release()); return *this; }
    ~GdiplusImage() { reset(); }

    Gdiplus::GpImage* get() const { return m_image; }
    explicit operator bool() const { return m_image != nullptr; }
    Gdiplus::GpImage* release() { Gdiplus::GpImage* image = m_image; m_image = nullptr; return image; }
    void reset(Gdiplus::GpImage* image = nullptr) {
        if (m_image) gdip::GdipDisposeImage(m_image);
        m_image = image;
    }

private:
    Gdiplus::GpImage* m_image = nullptr;
};

// Owns a drawing surface opened on an image.
class GdiplusGraphics {
public:
    explicit GdiplusGraphics(Gdiplus::GpImage* image) {
        if (image) gdip::GdipGetImageGraphicsContext(image, &m_graphics);
    }
    GdiplusGraphics(const GdiplusGraphics&) = delete;
    GdiplusGraphics& operator=(const GdiplusGraphics&) = delete;
    ~GdiplusGraphics() { if (m_graphics) gdip::GdipDeleteGraphics(m_graphics); }

    Gdiplus::GpGraphics* get() const { return m_graphics; }
    explicit operator bool() const { return m_graphics != nullptr; }

private:
    Gdiplus::GpGraphics* m_graphics = nullptr;
};

// An image opened from a file, or none when GDI+ cannot decode it.
GdiplusImage OpenImage(const std::string& path);
// Zero for an image that did not open: the decoders set at least one flag on
// every picture they understand.
UINT ImageFlags(const GdiplusImage& image);

}  // namespace workflow
