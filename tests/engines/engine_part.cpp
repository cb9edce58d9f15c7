// A library the stand-in engine with a part imports from its own folder, as the
// real engine imports its runtime. Built twice, under two names it reports,
// so a test can tell which of the two the engine loaded.
#ifndef VANTREO_ENGINE_PART_NAME
#error "VANTREO_ENGINE_PART_NAME must name this build"
#endif

extern "C" __declspec(dllexport) const char* EnginePartName() { return VANTREO_ENGINE_PART_NAME; }
