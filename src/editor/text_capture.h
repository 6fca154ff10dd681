#pragma once

#include "editor/textview.h"

#include <QObject>
#include <QPointer>
#include <QTextBlock>

#include <functional>

// Takes the whole text of a view a slice at a time, between events, so that
// no single step holds up the user-interface thread. An edit made meanwhile
// sends it back to the block where the edit happened.
class TextCapture : public QObject {
public:
    explicit TextCapture(QObject* parent = nullptr) : QObject(parent) {}
    // Starts taking the text of `view`; `done` gets it once it is whole.
    void start(TextView& view, std::function<void(doctext::Raw)> done);
    void cancel();
    bool running() const { return bool(m_done); }
    // Takes the next slice; the event loop calls it until the text is whole.
    void step();

    // Units taken in one step: about a millisecond of copying.
    static constexpr qsizetype SliceUnits = 256 * 1024;

private:
    void changed(int position);

    QPointer<TextView> m_view;
    QMetaObject::Connection m_watch;
    doctext::Raw m_raw;
    QTextBlock m_next;
    std::function<void(doctext::Raw)> m_done;
};
