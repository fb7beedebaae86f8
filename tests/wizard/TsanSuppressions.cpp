// Qt is not built with the thread sanitizer: its locks are invisible to it and the memory it
// hands between its own threads looks raced, so races reported inside Qt's libraries are
// ignored. Our code stays checked; its hand-overs through Qt's queue are annotated.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\ncalled_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n";
}
#endif
