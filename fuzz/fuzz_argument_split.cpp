// The argument-splitting rule: every single space separates two names, so
// the names joined with spaces give the argument string back, unit for unit.

#include "fuzz_common.h"
#include "intake/argument_split.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const QString& s :
         {QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)),
          unitsOf(data, size)}) {
        const QList<ListedFile> entries = splitArguments(s);
        FUZZ_CHECK(entries.size() == s.count(u' ') + 1);
        QStringList names;
        for (const ListedFile& e : entries) {
            FUZZ_CHECK(!e.name.contains(u' '));
            FUZZ_CHECK(e.shown == e.name.toLower());
            names << e.name;
        }
        FUZZ_CHECK(names.join(u' ') == s);

        // Names the system split already stay whole, spaces and all.
        const QStringList given = s.split(u'\n');
        const QList<ListedFile> listed = listArguments(given);
        FUZZ_CHECK(listed.size() == given.size());
        for (qsizetype i = 0; i < listed.size(); ++i)
            FUZZ_CHECK(listed[i].name == given[i] && listed[i] == listedFile(given[i]));
    }
    return 0;
}
