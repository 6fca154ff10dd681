#include "platform/large_memory.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace largememory {

namespace {

constexpr std::uintptr_t HugePage = std::uintptr_t(2) << 20;
// Mappings smaller than this are left alone: the toolkit's arrays of a page
// worth the request are tens of megabytes.
constexpr std::uintptr_t WorthFrom = std::uintptr_t(8) << 20;

void advise(std::uintptr_t from, std::uintptr_t to) {
    const std::uintptr_t a = (from + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t b = to & ~(HugePage - 1);
    if (b > a)
        ::madvise(reinterpret_cast<void*>(a), b - a, MADV_HUGEPAGE);
}

std::uintptr_t hex(const char*& s) {
    std::uintptr_t v = 0;
    for (;; ++s) {
        const char c = *s;
        if (c >= '0' && c <= '9')
            v = v * 16 + std::uintptr_t(c - '0');
        else if (c >= 'a' && c <= 'f')
            v = v * 16 + std::uintptr_t(c - 'a' + 10);
        else
            return v;
    }
}

// The next field of a line of /proc/self/maps, from s on; s moves past it.
std::string_view field(const char*& s, const char* end) {
    while (s < end && *s == ' ')
        ++s;
    const char* start = s;
    while (s < end && *s != ' ')
        ++s;
    return std::string_view(start, std::size_t(s - start));
}

// One line of /proc/self/maps: "start-end perms offset dev inode [name]".
// Advises it when it is a large private anonymous mapping that may be written
// (the heap among them).
void adviseLine(const char* line, const char* end) {
    const char* s = line;
    const std::uintptr_t from = hex(s);
    if (s >= end || *s != '-')
        return;
    const std::uintptr_t to = hex(++s);
    const std::string_view perms = field(s, end);
    field(s, end); // offset
    field(s, end); // device
    const std::string_view inode = field(s, end);
    const std::string_view name = field(s, end);
    if (to - from >= WorthFrom && perms == "rw-p" && inode == "0" &&
        (name.empty() || name == "[heap]"))
        advise(from, to);
}

} // namespace

void preferHugePages(void* p, std::size_t n) {
    const auto from = reinterpret_cast<std::uintptr_t>(p);
    advise(from, from + n);
}

void preferHugePagesWhereLarge() {
    const int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    // Read and handled a buffer at a time: no allocation, nothing to free.
    char buf[16384];
    std::size_t kept = 0;
    for (;;) {
        const ssize_t r = ::read(fd, buf + kept, sizeof buf - kept);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        const char* const filled = buf + kept + r;
        const char* line = buf;
        for (const char* p = line; p < filled; ++p) {
            if (*p != '\n')
                continue;
            adviseLine(line, p);
            line = p + 1;
        }
        kept = std::size_t(filled - line);
        for (std::size_t i = 0; i < kept; ++i)
            buf[i] = line[i];
        if (kept == sizeof buf)
            kept = 0; // a line longer than the buffer: not one of ours
    }
    ::close(fd);
}

} // namespace largememory
