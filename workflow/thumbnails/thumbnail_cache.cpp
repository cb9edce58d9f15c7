#include "workflow/thumbnails/thumbnail_cache.h"

#include <algorithm>
#include <utility>

#include "win/handles.h"
#include "workflow/thumbnails/thumbnails.h"

namespace workflow {

namespace {

// Thumbnails asked for again at a time: enough for every entry a screen
// shows, few enough that scrolling fast past thousands queues little work.
constexpr size_t kMaxRemaking = 64;
constexpr int kRemakers = 2;
constexpr int kBeingRemade = -2;

}  // namespace

win::BitmapHandle SquareBitmap(const std::vector<uint8_t>& rows) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kThumbnailSize;
    info.bmiHeader.biHeight = kThumbnailSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win::BitmapHandle bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap && bits) std::copy(rows.begin(), rows.end(), static_cast<uint8_t*>(bits));
    return bitmap;
}

bool CreateThumbnailList(win::OwnedImageList& list, int room) {
    if (!list.Create(kThumbnailSize, kThumbnailSize, ILC_COLOR24, room, kThumbnailGrowth)) return false;
    list.SetBackground(RGB(255, 255, 255));
    return true;
}

ThumbnailCache::ThumbnailCache(int capacity) : m_capacity(capacity < 1 ? 1 : capacity) {}

bool ThumbnailCache::Create(bool reserve) {
    // An image list grows by at most 256 images at a time, and each growth
    // copies every thumbnail held (up to 48 MB) inside a tick of the window's
    // thread: a scan's list has room for the whole budget from the start.
    // The empty square and the placeholder take two images more.
    if (!CreateThumbnailList(m_images, reserve ? m_capacity + 2 : 0) && !(reserve && CreateThumbnailList(m_images)))
        return false;
    Clear();
    return true;
}

void ThumbnailCache::Clear() {
    m_remaker.reset();
    m_remaking.clear();
    m_placeholderImage = -1;
    m_owners.clear();
    m_shown.clear();
    m_hand = 0;
    m_ownImages = 0;
    if (!m_images.Handle()) return;
    m_images.RemoveAll();
    const win::BitmapHandle empty =
        SquareBitmap(std::vector<uint8_t>(size_t{kThumbnailSize} * kThumbnailSize * 3, 0xFF));
    m_images.Add(empty.get());
    m_owners.push_back(nullptr);
    m_shown.push_back(0);
}

bool ThumbnailCache::PutBitmap(FoundPhoto& photo, HBITMAP bitmap) {
    if (photo.shows == FoundPhoto::Shows::Placeholder) {
        if (m_placeholderImage >= 0) return true;
        m_placeholderImage = m_images.Add(bitmap);
        if (m_placeholderImage < 0) return false;
        m_owners.push_back(nullptr);
        m_shown.push_back(0);
        return true;
    }
    if (!bitmap) {
        photo.shows = FoundPhoto::Shows::Nothing;
        return true;
    }
    photo.shows = FoundPhoto::Shows::Own;
    int image = -1;
    if (m_ownImages < m_capacity) {
        image = m_images.Add(bitmap);
        if (image < 0) return false;
        m_owners.resize(static_cast<size_t>(image) + 1, nullptr);
        m_shown.resize(static_cast<size_t>(image) + 1, 0);
        ++m_ownImages;
    } else {
        image = TakeSlot();
        if (image < 0 || !m_images.Replace(image, bitmap)) return false;
    }
    m_owners[static_cast<size_t>(image)] = &photo;
    m_shown[static_cast<size_t>(image)] = 1;
    photo.cacheSlot = image;
    return true;
}

bool ThumbnailCache::Put(FoundPhoto& photo, const ThumbnailImage& image) {
    const bool placeholderHeld = photo.shows == FoundPhoto::Shows::Placeholder && m_placeholderImage >= 0;
    if (!image.rows || placeholderHeld) return PutBitmap(photo, nullptr);
    if (image.rows->size() != size_t{kThumbnailSize} * kThumbnailSize * 3) return false;
    if (!m_staging) {
        m_staging = SquareBitmap(*image.rows);
        DIBSECTION section{};
        if (!m_staging->get() || GetObjectA(m_staging->get(), sizeof section, &section) != sizeof section) {
            m_staging.reset();
            return false;
        }
        m_stagingBits = static_cast<uint8_t*>(section.dsBm.bmBits);
    } else {
        // The image list may still be reading the bitmap's previous picture.
        GdiFlush();
        std::copy(image.rows->begin(), image.rows->end(), m_stagingBits);
    }
    return PutBitmap(photo, m_staging->get());
}

// The clock hand passes images shown since it last came by, clearing their
// mark, and drops the first one not shown since.
int ThumbnailCache::TakeSlot() {
    for (size_t step = 0; step < 2 * m_owners.size() + 1; ++step) {
        m_hand = (m_hand + 1) % m_owners.size();
        FoundPhoto* owner = m_owners[m_hand];
        if (!owner) continue;
        if (m_shown[m_hand]) {
            m_shown[m_hand] = 0;
            continue;
        }
        owner->cacheSlot = -1;
        m_owners[m_hand] = nullptr;
        return static_cast<int>(m_hand);
    }
    return -1;
}

int ThumbnailCache::ImageOf(FoundPhoto& photo) {
    switch (photo.shows) {
    case FoundPhoto::Shows::Placeholder:
        return m_placeholderImage >= 0 ? m_placeholderImage : kEmptyImage;
    case FoundPhoto::Shows::Nothing:
        return kEmptyImage;
    case FoundPhoto::Shows::Own:
        break;
    }
    if (photo.cacheSlot >= 0) {
        m_shown[static_cast<size_t>(photo.cacheSlot)] = 1;
        return photo.cacheSlot;
    }
    if (photo.cacheSlot != kBeingRemade) Remake(photo);
    return kEmptyImage;
}

void ThumbnailCache::Remake(FoundPhoto& photo) {
    if (m_remaking.size() >= kMaxRemaking) return;
    if (!m_remaker) m_remaker = std::make_unique<ThumbnailPool>(kRemakers, kMaxRemaking);
    const uint64_t ticket = ++m_lastTicket;
    m_remaker->Submit(ticket, photo.path);
    m_remaking.emplace(ticket, &photo);
    photo.cacheSlot = kBeingRemade;
}

bool ThumbnailCache::TakeRemade() {
    bool any = false;
    for (auto it = m_remaking.begin(); it != m_remaking.end();) {
        std::optional<Thumbnail> made = m_remaker->Take(it->first);
        if (!made) {
            ++it;
            continue;
        }
        FoundPhoto& photo = *it->second;
        it = m_remaking.erase(it);
        photo.cacheSlot = -1;
        // A picture gone since (or no longer drawable) shows the empty square.
        Put(photo, made->Image());
        if (!made->rows.empty()) m_remaker->GiveBack(std::move(made->rows));
        any = true;
    }
    return any;
}

}  // namespace workflow
