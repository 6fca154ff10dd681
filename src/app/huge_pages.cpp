#include "app/huge_pages.h"

#include "store/settings_store.h"

#include <QFile>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace hugepages {
namespace {

constexpr char Tunables[] = "GLIBC_TUNABLES";
constexpr char HugePages[] = "glibc.malloc.hugetlb=1";
// Set only between the two starts: empty when there were no tunables,
// else "=" and what they were.
constexpr char TunablesWere[] = "SORABUN_GLIBC_TUNABLES_WERE";

long long fileSize(const char* path) {
    struct stat st = {};
    return path && ::stat(path, &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : 0;
}

long long textsAtHand(char* argv[]) {
    const std::string store = QFile::encodeName(SettingsStore::defaultPath()).toStdString();
    long long total = fileSize(store.c_str()) + fileSize((store + "-wal").c_str());
    for (int i = 1; argv[i]; ++i)
        total += fileSize(argv[i]);
    return total;
}

// Huge pages come on request ("madvise"); "always" gives them without one,
// "never" not at all.
bool givenOnRequest() {
    std::ifstream f("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    std::getline(f, modes);
    return modes.find("[madvise]") != std::string::npos;
}

void restore(const char* were) {
    if (were)
        ::setenv(Tunables, were, 1);
    else
        ::unsetenv(Tunables);
    ::unsetenv(TunablesWere);
}

} // namespace

void preferForLargeTexts(char* argv[]) {
    if (const char* were = std::getenv(TunablesWere)) {
        const std::string before = were;
        restore(before.empty() ? nullptr : before.c_str() + 1);
        return;
    }
    const char* tunables = std::getenv(Tunables);
    const std::string current = tunables ? tunables : "";
    if (current.find("glibc.malloc.hugetlb") != std::string::npos)
        return; // whoever started the program chose
    if (textsAtHand(argv) < WorthFrom || !givenOnRequest())
        return;
    ::setenv(TunablesWere, tunables ? ("=" + current).c_str() : "", 1);
    ::setenv(Tunables, (current.empty() ? HugePages : current + ":" + HugePages).c_str(), 1);
    ::execv("/proc/self/exe", argv);
    // Not possible here: the program goes on as it was started.
    restore(tunables ? current.c_str() : nullptr);
}

} // namespace hugepages
