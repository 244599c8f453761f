// A library with thread-local data. Loaded with dlopen, its TLS is dynamic: glibc mallocs
// each thread's block of it on the thread's first use.
extern "C" void* tlsmod_touch() {
    static thread_local long value;
    return &value;
}
