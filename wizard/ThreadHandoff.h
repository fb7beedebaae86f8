// Hand-overs from a worker thread to the user-interface thread through Qt's event queue.
// The queue is locked, but a Qt built without the thread sanitizer hides that lock from it,
// which would make every posted event look like a race. In a sanitizer build these two
// tell it what the lock does; in any other build they compile to nothing.
#pragma once

#if defined(__SANITIZE_THREAD__)
#define TWINEX_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TWINEX_TSAN 1
#endif
#endif

#ifdef TWINEX_TSAN
extern "C" void __tsan_acquire(void* pAddr);
extern "C" void __tsan_release(void* pAddr);
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

// On the worker: everything written before stays visible to the receiver; the post itself
// (the event and Qt's queue) is Qt's business.
template <class FPost>
void HandoffPost(const void* pToken, FPost&& fnPost) {
#ifdef TWINEX_TSAN
    __tsan_release(const_cast<void*>(pToken));
    __tsan_ignore_thread_begin();
    fnPost();
    __tsan_ignore_thread_end();
#else
    (void)pToken;
    fnPost();
#endif
}

// On the user-interface thread, first thing when the posted event or call arrives.
inline void HandoffReceive(const void* pToken) {
#ifdef TWINEX_TSAN
    __tsan_acquire(const_cast<void*>(pToken));
#else
    (void)pToken;
#endif
}
