#pragma once
// Image lists: ImageList borrows a handle, OwnedImageList destroys its own.
#include <windows.h>
#include <commctrl.h>

namespace win {

class ImageList {
public:
    ImageList() = default;
    explicit ImageList(HIMAGELIST list) : m_list(list) {}
    HIMAGELIST Handle() const { return m_list; }
    operator HIMAGELIST() const { return m_list; }
    int Count() const { return ImageList_GetImageCount(m_list); }
    // Appends the bitmap's images; the index of the first, or -1.
    int Add(HBITMAP bitmap) const { return ImageList_Add(m_list, bitmap, nullptr); }
    bool SetCount(int count) const { return ImageList_SetImageCount(m_list, static_cast<UINT>(count)) != FALSE; }
    void RemoveAll() const { ImageList_Remove(m_list, -1); }
    bool Replace(int index, HBITMAP bitmap) const { return ImageList_Replace(m_list, index, bitmap, nullptr) != FALSE; }
    void SetBackground(COLORREF colour) const { ImageList_SetBkColor(m_list, colour); }

protected:
    HIMAGELIST m_list = nullptr;
};

class OwnedImageList : public ImageList {
public:
    OwnedImageList() = default;
    OwnedImageList(const OwnedImageList&) = delete;
    OwnedImageList& operator=(const OwnedImageList&) = delete;
    ~OwnedImageList() { Destroy(); }

    bool Create(int width, int height, UINT flags, int initial, int grow) {
        Destroy();
        m_list = ImageList_Create(width, height, flags, initial, grow);
        return m_list != nullptr;
    }
    void Destroy() {
        if (m_list) ImageList_Destroy(m_list);
        m_list = nullptr;
    }
};

}  // namespace win
