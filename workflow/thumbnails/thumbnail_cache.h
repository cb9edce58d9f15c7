#pragma once
// The thumbnails the photo list shows, in a fixed budget: a whole disk can
// yield hundreds of thousands of pictures, and one 64 x 64 thumbnail is 12 KB.
// The list asks for each entry's image when it draws it; a thumbnail dropped
// to make room is made again in the background, and the entry shows an empty
// square until it is ready. Nothing is written to disk: the disk searched may
// be the only one.
//
// Threads: every method on the window's thread, and no lock of its own;
// thumbnails made again come back from the workers of a ThumbnailPool.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "win/handles.h"
#include "win/controls/image_list.h"
#include "workflow/found/found_item.h"
#include "workflow/thumbnails/thumbnail_pool.h"
#include "workflow/thumbnails/thumbnails.h"

namespace workflow {

// Slots added each time a thumbnail list without room reserved is full: the
// most an image list takes at a time. Every growth copies all the thumbnails
// held, which is why a scan's list reserves its whole budget at once.
inline constexpr int kThumbnailGrowth = 256;

// A thumbnail square given as bottom-up rows of blue, green, red (what
// ScaleIntoSquare makes) as a bitmap of its own.
win::BitmapHandle SquareBitmap(const std::vector<uint8_t>& rows);

// An empty 24-bit list of thumbnails on white with room for `room` before it
// first grows, then growing by kThumbnailGrowth.
bool CreateThumbnailList(win::OwnedImageList& list, int room = 0);

// About 48 MB of thumbnails, far more than a screen shows.
inline constexpr int kThumbnailCacheSize = 4096;

class ThumbnailCache {
public:
    explicit ThumbnailCache(int capacity = kThumbnailCacheSize);
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    // Makes the image list anew, holding the empty square, with room for the
    // whole budget when `reserve` (a scan is starting: about 48 MB); false
    // when it cannot. A list view showing the old list must be given this one.
    bool Create(bool reserve = false);
    HIMAGELIST List() const { return m_images.Handle(); }

    // Holds the square as what the photo shows: its own thumbnail, dropping
    // the one shown least recently when the budget is spent, or the
    // placeholder (one image for every photo showing it). No rows show the
    // empty square. The rows go through one bitmap kept for them, so a
    // picture costs no bitmap of its own. False when the image list could
    // not take the picture.
    bool Put(FoundPhoto& photo, const ThumbnailImage& image);
    // The image the photo's entry shows now. A dropped thumbnail is asked for
    // again and the empty square is shown meanwhile.
    int ImageOf(FoundPhoto& photo);
    // Thumbnails made again since the last call are held; true when any was
    // (the list then draws its entries again).
    bool TakeRemade();
    bool Remaking() const { return !m_remaking.empty(); }
    // The photos are gone: everything held for them goes too.
    void Clear();

    static constexpr int kEmptyImage = 0;

private:
    bool PutBitmap(FoundPhoto& photo, HBITMAP bitmap);
    int TakeSlot();
    void Remake(FoundPhoto& photo);

    const int m_capacity;
    win::OwnedImageList m_images;
    // Rows are copied into this bitmap for the image list to take them.
    std::optional<win::BitmapHandle> m_staging;
    uint8_t* m_stagingBits = nullptr;
    int m_placeholderImage = -1;
    // Per image: the photo it holds and whether it was shown since the clock
    // hand last passed; the hand drops the first image not shown since.
    std::vector<FoundPhoto*> m_owners;
    std::vector<uint8_t> m_shown;
    size_t m_hand = 0;
    int m_ownImages = 0;
    std::unique_ptr<ThumbnailPool> m_remaker;
    uint64_t m_lastTicket = 0;
    std::unordered_map<uint64_t, FoundPhoto*> m_remaking;
};

}  // namespace workflow
