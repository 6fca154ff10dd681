// File names named on the command line: each one entry, spaces and all, shown
// in lower case and opened under the name as given.

#include "fuzz_common.h"
#include "intake/argument_split.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const QString& s :
         {QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)),
          unitsOf(data, size)}) {
        const QStringList given = s.split(u'\n');
        const QList<ListedFile> listed = listArguments(given);
        FUZZ_CHECK(listed.size() == given.size());
        for (qsizetype i = 0; i < listed.size(); ++i)
            FUZZ_CHECK(listed[i].name == given[i] && listed[i].shown == given[i].toLower());
    }
    return 0;
}
