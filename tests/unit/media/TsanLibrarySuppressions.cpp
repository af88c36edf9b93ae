// Built into the media tests under ThreadSanitizer only.
//
// Qt hands queued calls and its own work between threads through futex locks that
// ThreadSanitizer cannot see, so Qt's allocation of an event on one thread and its release on
// another would read as a race. Calls made from inside the (uninstrumented) Qt libraries are
// ignored here; the accesses of our own code are still checked, and all the state the image
// loader shares between threads is guarded by its own mutex.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n";
}
