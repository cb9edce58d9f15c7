#pragma once
// The benchmark's sections. Each one makes its own input, prints its own
// table and cleans up after itself.

namespace bench {

struct Section {
    const char* name;
    const char* description;
    void (*run)();
    // Too long to run with every section: run only when named.
    bool onlyWhenNamed;
};

void RunThumbnailSection();
void RunScanSection();
void RunMemorySection();
void RunPhotoSection();
void RunPaceSection();
void RunScaleSection();
void RunViewSection();
void RunCopySection();
void RunCloseSection();

// Said by a section whose figures cannot be trusted, once it has printed why:
// the benchmark then ends with a non-zero exit code.
void MarkFailed();

}  // namespace bench
