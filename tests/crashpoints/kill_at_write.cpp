// A power cut at a chosen moment, for LD_PRELOAD: counts every write and
// sync the process makes to the store, the page history and their logs, and
// kills the process with SIGKILL right after the chosen one has completed.
//
//   SORABUN_KILL_FILE=store.sqlite-wal SORABUN_KILL_AT=17   kill after the 17th call on that file
//   SORABUN_COUNT_FILE=path    at a normal exit, "<file> <calls>" a line for each file
//   SORABUN_TRACE_FILE=path    a line for each call counted: "<file> <n> <call> <bytes> <thread>"
//
// Counted: write, pwrite, pwrite64, writev, fsync, fdatasync, ftruncate and
// ftruncate64 on a descriptor whose file is named store.sqlite,
// store.sqlite-wal, history.sqlite or history.sqlite-wal. The -shm files are
// written through a mapping and are left alone. A descriptor's file is known
// by its device and inode, so a descriptor closed and opened again on
// another file is named anew. SQLite is reached through the system library,
// whose calls into the C library this library stands in front of; a VFS of
// our own would need the program to choose it.

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int FileCount = 4;
const char* const FileNames[FileCount] = {"store.sqlite", "store.sqlite-wal", "history.sqlite",
                                          "history.sqlite-wal"};
constexpr int NotCounted = -1;

struct Known {
    dev_t dev = 0;
    ino_t ino = 0;
    int file = NotCounted;
    bool valid = false;
};

constexpr int KnownFds = 4096;
Known known[KnownFds];
long calls[FileCount];
int killFile = NotCounted;
long killAt = 0;
int traceFd = -1;
pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;

// The C library's own functions, looked up before the program runs, or at
// the first call when a library's start-up writes before that.
using WriteFn = ssize_t (*)(int, const void*, size_t);
using PwriteFn = ssize_t (*)(int, const void*, size_t, off_t);
using Pwrite64Fn = ssize_t (*)(int, const void*, size_t, off64_t);
using WritevFn = ssize_t (*)(int, const struct iovec*, int);
using SyncFn = int (*)(int);
using TruncateFn = int (*)(int, off_t);
using Truncate64Fn = int (*)(int, off64_t);

template <typename F> F real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

WriteFn realWrite;
PwriteFn realPwrite;
Pwrite64Fn realPwrite64;
WritevFn realWritev;
SyncFn realFsync;
SyncFn realFdatasync;
TruncateFn realFtruncate;
Truncate64Fn realFtruncate64;

void lookUp() {
    if (realFtruncate64) // the last one looked up
        return;
    realWrite = real<WriteFn>("write");
    realPwrite = real<PwriteFn>("pwrite");
    realPwrite64 = real<Pwrite64Fn>("pwrite64");
    realWritev = real<WritevFn>("writev");
    realFsync = real<SyncFn>("fsync");
    realFdatasync = real<SyncFn>("fdatasync");
    realFtruncate = real<TruncateFn>("ftruncate");
    realFtruncate64 = real<Truncate64Fn>("ftruncate64");
}

int fileNamed(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const char* base = slash ? slash + 1 : path;
    for (int i = 0; i < FileCount; ++i)
        if (std::strcmp(base, FileNames[i]) == 0)
            return i;
    return NotCounted; // another file, or one removed (" (deleted)")
}

// Which of the counted files the descriptor writes, if any. Called with the
// lock held.
int fileOf(int fd) {
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return NotCounted;
    Known* k = fd < KnownFds ? &known[fd] : nullptr;
    if (k && k->valid && k->dev == st.st_dev && k->ino == st.st_ino)
        return k->file;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char path[4096];
    const ssize_t n = ::readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return NotCounted;
    path[n] = '\0';
    const int file = fileNamed(path);
    if (k)
        *k = {st.st_dev, st.st_ino, file, true};
    return file;
}

// After a call on `fd` has completed: counts it, and ends the process when
// it is the chosen one. `errno` is the call's own on return.
void completed(int fd, const char* call, long long bytes) {
    const int saved = errno;
    pthread_mutex_lock(&lock);
    const int file = fileOf(fd);
    if (file == NotCounted) {
        pthread_mutex_unlock(&lock);
        errno = saved;
        return;
    }
    const long n = ++calls[file];
    if (traceFd >= 0) {
        char line[160];
        const int len = std::snprintf(line, sizeof line, "%s %ld %s %lld %ld\n", FileNames[file], n,
                                      call, bytes, long(::syscall(SYS_gettid)));
        if (len > 0 && realWrite) [[maybe_unused]]
            const ssize_t w = realWrite(traceFd, line, size_t(len));
    }
    if (file == killFile && n == killAt)
        ::raise(SIGKILL); // the lock dies with the process
    pthread_mutex_unlock(&lock);
    errno = saved;
}

__attribute__((constructor)) void start() {
    lookUp();
    if (const char* name = std::getenv("SORABUN_KILL_FILE"))
        killFile = fileNamed(name);
    if (const char* at = std::getenv("SORABUN_KILL_AT"))
        killAt = std::atol(at);
    if (const char* trace = std::getenv("SORABUN_TRACE_FILE"))
        traceFd = ::open(trace, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
}

// A normal exit: how many calls each file had.
__attribute__((destructor)) void finish() {
    const char* path = std::getenv("SORABUN_COUNT_FILE");
    if (!path)
        return;
    pthread_mutex_lock(&lock);
    if (FILE* out = std::fopen(path, "w")) {
        for (int i = 0; i < FileCount; ++i)
            std::fprintf(out, "%s %ld\n", FileNames[i], calls[i]);
        std::fclose(out);
    }
    pthread_mutex_unlock(&lock);
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* buf, size_t count) {
    lookUp();
    const ssize_t r = realWrite(fd, buf, count);
    completed(fd, "write", (long long)count);
    return r;
}

ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset) {
    lookUp();
    const ssize_t r = realPwrite(fd, buf, count, offset);
    completed(fd, "pwrite", (long long)count);
    return r;
}

ssize_t pwrite64(int fd, const void* buf, size_t count, off64_t offset) {
    lookUp();
    const ssize_t r = realPwrite64(fd, buf, count, offset);
    completed(fd, "pwrite64", (long long)count);
    return r;
}

ssize_t writev(int fd, const struct iovec* iov, int iovcnt) {
    lookUp();
    const ssize_t r = realWritev(fd, iov, iovcnt);
    long long bytes = 0;
    for (int i = 0; i < iovcnt; ++i)
        bytes += (long long)iov[i].iov_len;
    completed(fd, "writev", bytes);
    return r;
}

int fsync(int fd) {
    lookUp();
    const int r = realFsync(fd);
    completed(fd, "fsync", 0);
    return r;
}

int fdatasync(int fd) {
    lookUp();
    const int r = realFdatasync(fd);
    completed(fd, "fdatasync", 0);
    return r;
}

int ftruncate(int fd, off_t length) {
    lookUp();
    const int r = realFtruncate(fd, length);
    completed(fd, "ftruncate", (long long)length);
    return r;
}

int ftruncate64(int fd, off64_t length) {
    lookUp();
    const int r = realFtruncate64(fd, length);
    completed(fd, "ftruncate64", (long long)length);
    return r;
}

} // extern "C"
