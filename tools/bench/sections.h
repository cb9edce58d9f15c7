#pragma once
// The benchmark's sections. Each one makes its own input, prints its own
// table and cleans up after itself.

namespace bench {

struct Section {
    const char* name;
    const char* description;
    void (*run)();
};

void RunThumbnailSection();
void RunScanSection();
void RunMemorySection();
void RunPhotoSection();
void RunPaceSection();

}  // namespace bench
