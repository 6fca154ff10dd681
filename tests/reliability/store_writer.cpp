// A stand-in for a running Sorabun as far as the store sees it: it opens the
// store, switches pages (each switch stores the page left and reads the page
// shown) and then writes the whole shut-down batch in one transaction.
//
//   store_writer STORE TAG UNITS PAGE... [--gate] [--seq]
//
// PAGE... are the pages shown in turn: the first is the page on show at the
// start, the last the one on show at shut-down. --gate waits for a line on
// standard input before writing (to start two writers together); --seq
// counts shut-downs in the batch and prints the number this one got.
//
// Prints "ready" once the store is open and "done <ms>" at the end. Exits 0
// when every write succeeded, 2 when the store reported a failure.

#include "store/settings_store.h"
#include "store_model.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char* argv[]) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: store_writer STORE TAG UNITS PAGE... [--gate] [--seq]\n");
        return 64;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int tag = std::atoi(argv[2]);
    const qsizetype units = std::atoll(argv[3]);
    QList<int> pages;
    bool gate = false, seq = false;
    for (int i = 4; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gate") == 0)
            gate = true;
        else if (std::strcmp(argv[i], "--seq") == 0)
            seq = true;
        else
            pages.append(std::atoi(argv[i]));
    }

    SettingsStore store(path);
    if (!store.isOpen() || !store.keptAsidePath().isEmpty()) {
        std::fprintf(stderr, "store_writer %d: the store did not open cleanly\n", tag);
        return 2;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    if (gate) {
        std::string line;
        std::getline(std::cin, line);
    }

    QElapsedTimer timer;
    timer.start();
    // Page switches: store the page on show, then read the page to show.
    for (qsizetype i = 0; i + 1 < pages.size(); ++i) {
        const QString key = QString::number(pages[i]);
        store.WriteSetting(key, storemodel::pageText(pages[i], tag, units));
        [[maybe_unused]] const QString next = store.ReadSetting(QString::number(pages[i + 1]));
    }
    // Shut-down: every key in one transaction.
    int number = 0;
    {
        SettingsStore::Batch batch(store);
        if (seq) {
            number = store.ReadSetting(QStringLiteral("Seq"), QStringLiteral("0")).toInt() + 1;
            store.WriteSetting(QStringLiteral("Seq"), QString::number(number));
            store.WriteSetting(QStringLiteral("SeqTag"), QString::number(tag));
        }
        for (const QString& key : storemodel::shutdownKeys(pages.last()))
            store.WriteSetting(key, storemodel::valueFor(key, tag, units));
    }
    const SettingsStore::Failure failure = store.failure();
    if (seq)
        std::printf("seq %d\n", number);
    std::printf("done %.3f\n", double(timer.nsecsElapsed()) / 1e6);
    std::fflush(stdout);
    if (failure != SettingsStore::Failure::None) {
        std::fprintf(stderr, "store_writer %d: the store reported failure %d\n", tag, int(failure));
        return 2;
    }
    return 0;
}
