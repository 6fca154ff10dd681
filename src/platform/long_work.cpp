#include "platform/long_work.h"

#include <QApplication>
#include <QProgressDialog>

namespace {
LongWork* outermost = nullptr;
constexpr qint64 BusyAfterMs = 500;
constexpr qint64 DialogAfterMs = 2000;
constexpr qint64 RefreshMs = 100;
constexpr int Steps = 1000;
} // namespace

LongWork::LongWork(const QString& label) : m_label(label), m_outermost(!outermost) {
    if (m_outermost)
        outermost = this;
    m_clock.start();
}

LongWork::~LongWork() {
    if (m_outermost)
        outermost = nullptr;
    delete m_dialog;
    if (m_busyCursor)
        QApplication::restoreOverrideCursor();
}

void LongWork::startsNow() {
    if (outermost)
        outermost->m_clock.restart();
}

bool LongWork::running() {
    return outermost != nullptr;
}

void LongWork::progress(qint64 done, qint64 total) {
    if (outermost)
        outermost->report(done, total);
}

void LongWork::report(qint64 done, qint64 total) {
    const qint64 ms = m_clock.elapsed();
    if (ms < BusyAfterMs || ms - m_lastShown < RefreshMs)
        return;
    m_lastShown = ms;
    if (!m_busyCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_busyCursor = true;
    }
    if (ms >= DialogAfterMs && !m_dialog) {
        // No cancel button; the close box and Esc do not stop the work either.
        m_dialog = new QProgressDialog(m_label, QString(), 0, Steps, QApplication::activeWindow());
        m_dialog->setWindowTitle(QStringLiteral("Sorabun"));
        m_dialog->setWindowModality(Qt::ApplicationModal);
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
