// Built into the media, browsing, details and services tests under ThreadSanitizer only.
//
// Qt and cpp-httplib are not built with ThreadSanitizer. Qt hands queued calls and its own work
// between threads through futex locks the sanitizer cannot see, and cpp-httplib's server
// threads share data through atomics compiled into the library, so an allocation on one thread
// and its use or release on another would read as a race. Calls made from inside those
// libraries are ignored here; the accesses of our own code are still checked, and all the state
// the image loader, the row cells and the detail screen share between threads is guarded by their
// own mutexes.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so\n"
           "called_from_lib:libQt6Gui.so\n"
           "called_from_lib:libcpp-httplib.so\n";
}
