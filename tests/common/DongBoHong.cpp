// Loaded with LD_PRELOAD by the tests: every fdatasync of a video file fails with EIO, as a disk that loses
// writes reports it. Other files (the store's, the journal's) sync as usual.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern "C" int fdatasync(int fd) {
    char duong[64];
    std::snprintf(duong, sizeof duong, "/proc/self/fd/%d", fd);
    char dich[4096];
    const ssize_t n = ::readlink(duong, dich, sizeof dich - 1);
    if (n > 4 && std::memcmp(dich + n - 4, ".mp4", 4) == 0) {
        errno = EIO;
        return -1;
    }
    using Ham = int (*)(int);
    static const Ham that = reinterpret_cast<Ham>(::dlsym(RTLD_NEXT, "fdatasync"));
    return that ? that(fd) : (errno = ENOSYS, -1);
}
