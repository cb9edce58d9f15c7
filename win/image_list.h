#pragma once
// Image lists: ImageList borrows a handle, OwnedImageList destroys its own.
#include <windows.h>
#include <commctrl.h>

namespace win {

class ImageList {
public:
    ImageList() = default;
    explicit ImageList(HIMAGELIST list) : list_(list) {}
    HIMAGELIST Handle() const { return list_; }
    operator HIMAGELIST() const { return list_; }
    int Count() const { return ImageList_GetImageCount(list_); }
    // Appends the bitmap's images; the index of the first, or -1.
    int Add(HBITMAP bitmap) const { return ImageList_Add(list_, bitmap, nullptr); }
    bool SetCount(int count) const { return ImageList_SetImageCount(list_, static_cast<UINT>(count)) != FALSE; }
    void RemoveAll() const { ImageList_Remove(list_, -1); }
    void Replace(int index, HBITMAP bitmap) const { ImageList_Replace(list_, index, bitmap, nullptr); }
    void SetBackground(COLORREF colour) const { ImageList_SetBkColor(list_, colour); }

protected:
    HIMAGELIST list_ = nullptr;
};

class OwnedImageList : public ImageList {
public:
    OwnedImageList() = default;
    OwnedImageList(const OwnedImageList&) = delete;
    OwnedImageList& operator=(const OwnedImageList&) = delete;
    ~OwnedImageList() { Destroy(); }

    bool Create(int width, int height, UINT flags, int initial, int grow) {
        Destroy();
        list_ = ImageList_Create(width, height, flags, initial, grow);
        return list_ != nullptr;
    }
    void Destroy() {
        if (list_) ImageList_Destroy(list_);
        list_ = nullptr;
    }
};

}  // namespace win
