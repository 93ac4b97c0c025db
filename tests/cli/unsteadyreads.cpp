// A disc image that does not read the same twice, as a scratched disc or a drive without
// accurate stream does, for a child process that preloads this library (LD_PRELOAD) with
// VORTAN_UNSTEADY_FILE set to the image's data file, VORTAN_UNSTEADY_BYTES to a stretch of it
// ("from-to", byte offsets, `to` excluded) and VORTAN_UNSTEADY_READER to n: the CD library
// reads an image's data file through the C library's stdio, and the bytes of the stretch come
// back inverted to the n-th distinct thread to read in it. Each pass of an extraction reads
// on a thread of its own, but the error-correcting reader reads ahead and keeps what it read
// for the passes after (an earlier track's pass may read the stretch, a later one find it
// kept): which reader is which pass is fixed for a given disc and order of reads, and a test
// states what it found.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <string>

// Takes the place of the C library's fopen, fread and fclose for the whole program: calls
// pass through unchanged, except reads of the armed file by its chosen reader. No Qt, so that
// it loads into any program.
namespace {

std::mutex mutex;
// Built on first use: another library's constructor may open a file before this library's
// own are run, and arming then must not be undone by them.
struct Armed {
    std::string target;          // the armed file's real path; empty: disarmed
    std::map<FILE*, bool> known; // whether each file read or opened since arming is the armed one
};
Armed& armed() {
    static Armed state;
    return state;
}
long long stretchFrom = 0;
long long stretchTo = 0;
int chosenReader = 0; // 1-based
int readers = 0;      // threads that have read in the stretch
// This thread's place among them (thread identifiers are reused; this is not).
thread_local int readerNumber = 0;

template <typename Function> Function real(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

std::string realPath(const char* path) {
    char resolved[PATH_MAX];
    return path && ::realpath(path, resolved) ? std::string(resolved) : std::string();
}

// Whether `file` is the armed file; a file opened before arming is known by its descriptor.
// Under the mutex.
bool isArmed(FILE* file) {
    if (armed().target.empty())
        return false;
    const auto found = armed().known.find(file);
    if (found != armed().known.end())
        return found->second;
    const std::string descriptor = "/proc/self/fd/" + std::to_string(::fileno(file));
    return armed().known[file] = realPath(descriptor.c_str()) == armed().target;
}

void arm(const std::string& path, long long from, long long to, int reader) {
    const std::lock_guard lock(mutex);
    armed().target = realPath(path.c_str());
    stretchFrom = from;
    stretchTo = to;
    chosenReader = reader;
    armed().known.clear();
    readers = 0;
}

// From the environment of a child process that preloads this, at the first file opened.
void armFromEnvironment() {
    static std::once_flag once;
    std::call_once(once, [] {
        const char* file = std::getenv("VORTAN_UNSTEADY_FILE");
        const char* bytes = std::getenv("VORTAN_UNSTEADY_BYTES");
        const char* reader = std::getenv("VORTAN_UNSTEADY_READER");
        long long from = 0;
        long long to = 0;
        if (file && bytes && reader && std::sscanf(bytes, "%lld-%lld", &from, &to) == 2)
            arm(file, from, to, std::atoi(reader));
    });
}

} // namespace

extern "C" FILE* fopen(const char* path, const char* mode) {
    static const auto open = real<FILE* (*)(const char*, const char*)>("fopen");
    armFromEnvironment();
    FILE* file = open(path, mode);
    const std::lock_guard lock(mutex);
    if (file && !armed().target.empty())
        armed().known[file] = realPath(path) == armed().target;
    return file;
}

extern "C" int fclose(FILE* file) {
    static const auto close = real<int (*)(FILE*)>("fclose");
    {
        const std::lock_guard lock(mutex);
        armed().known.erase(file);
    }
    return close(file);
}

extern "C" size_t fread(void* buffer, size_t size, size_t count, FILE* file) {
    static const auto read = real<size_t (*)(void*, size_t, size_t, FILE*)>("fread");
    bool mine = false;
    long long first = 0; // the stretch
    long long end = 0;
    {
        const std::lock_guard lock(mutex);
        mine = isArmed(file);
        first = stretchFrom;
        end = stretchTo;
    }
    const long long at = mine ? ::ftello(file) : -1;
    const size_t got = read(buffer, size, count, file);
    if (at < 0)
        return got;
    const long long from = std::max(at, first);
    const long long to = std::min(at + static_cast<long long>(got * size), end);
    const std::lock_guard lock(mutex);
    if (from >= to)
        return got;
    if (readerNumber == 0)
        readerNumber = ++readers;
    if (readerNumber == chosenReader) {
        auto* bytes = static_cast<unsigned char*>(buffer);
        for (long long i = from; i < to; ++i)
            bytes[i - at] = static_cast<unsigned char>(~bytes[i - at]);
    }
    return got;
}
