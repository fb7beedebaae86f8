// In a thread-sanitizer build: Qt is not instrumented, so its locks, wait conditions and
// thread pool are invisible to the sanitizer, and the memory Qt hands between its own threads
// (the raster engine paints in a pool) looks raced. Qt's calls into the sanitizer are
// therefore ignored; our own code stays fully checked, and its hand-overs through Qt's event
// queue are annotated (ThreadHandoff.h).
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n";
}
#endif
