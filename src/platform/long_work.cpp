#include "platform/long_work.h"

#include <QApplication>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

namespace {
LongWork* outermost = nullptr;
LongWork* innermost = nullptr;
LongWork::Pace currentPace;
constexpr int Steps = 1000;
// How often an action waiting for the work looks whether it has ended.
constexpr int WaitStepMs = 50;

int loopLevel() {
    return QThread::currentThread()->loopLevel();
}
} // namespace

LongWork::LongWork(const QString& label)
    : m_label(label), m_outermost(!outermost), m_enclosing(innermost), m_loopLevel(loopLevel()) {
    if (m_outermost)
        outermost = this;
    innermost = this;
    m_clock.start();
}

LongWork::~LongWork() {
    innermost = m_enclosing;
    if (m_outermost)
        outermost = nullptr;
    delete m_dialog;
    if (m_busyCursor)
        QApplication::restoreOverrideCursor();
}

void LongWork::setPace(const Pace& pace) {
    currentPace = pace;
}

LongWork::Pace LongWork::pace() {
    return currentPace;
}

void LongWork::startsNow() {
    if (outermost)
        outermost->m_clock.restart();
}

bool LongWork::running() {
    // Scopes opened inside a dialog run at a deeper level than those around.
    return innermost && loopLevel() <= innermost->m_loopLevel;
}

void LongWork::afterWork(QObject* context, std::function<void()> action) {
    if (!running()) {
        action();
        return;
    }
    // Looked at again from the event loop: events reach it inside the work
    // too, and right after the work the page may still wait for its number.
    QTimer::singleShot(WaitStepMs, context, [context, action = std::move(action)]() mutable {
        afterWork(context, std::move(action));
    });
}

void LongWork::progress(qint64 done, qint64 total) {
    if (outermost)
        outermost->report(done, total);
}

void LongWork::report(qint64 done, qint64 total) {
    const qint64 ms = m_clock.elapsed();
    if (ms < currentPace.busyAfterMs || ms - m_lastShown < currentPace.refreshMs)
        return;
    m_lastShown = ms;
    if (!m_busyCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_busyCursor = true;
    }
    if (ms >= currentPace.dialogAfterMs && !m_dialog) {
        // No cancel button; the close box and Esc do not stop the work either.
        // Not modal: input waits anyway (see below), and a window behind a
        // modal one never hears of its close box, so a window closed during
        // the work would stay open once it is done.
        m_dialog = new QProgressDialog(m_label, QString(), 0, Steps, QApplication::activeWindow());
        m_dialog->setWindowTitle(QStringLiteral("Sorabun"));
        m_dialog->setWindowModality(Qt::NonModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->show();
    }
    if (m_dialog)
        m_dialog->setValue(total > 0 ? int(std::min(done, total) * Steps / total) : 0);
    // Only what shows the state is handled: no input reaches the program.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
