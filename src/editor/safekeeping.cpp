#include "editor/safekeeping.h"

#include "editor/pages_menu.h"
#include "editor/workspace.h"
#include "platform/long_work.h"
#include "store/keys.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextDocument>

#include <cstdio>

// ---- the idle save ----------------------------------------------------------------

IdleSave::IdleSave(Workspace& ws) : m_ws(ws), m_capture(this) {
    m_pause.setSingleShot(true);
    m_longest.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, [this] { save(); });
    connect(&m_longest, &QTimer::timeout, this, [this] { save(); });
    for (TextView* view : {&ws.views.Text1, &ws.views.Text2}) {
        connect(view, &QPlainTextEdit::textChanged, this, [this] { touched(); });
        connect(view, &QPlainTextEdit::cursorPositionChanged, this, [this] { touched(); });
        connect(view, &QPlainTextEdit::selectionChanged, this, [this] { touched(); });
    }
}

IdleSave::~IdleSave() {
    stop();
}

IdleSave::Place IdleSave::place() const {
    TextView& shown = m_ws.views.visible();
    return {m_ws.state.CurrentPage, shown.selStart(), shown.selLength()};
}

void IdleSave::start() {
    if (!m_started) {
        m_started = true;
        m_written = place();
        // A store that could not be opened was reported at start-up already.
        m_failureShown = !m_ws.store.isOpen();
    }
    m_watching = true;
}

void IdleSave::stop() {
    m_watching = false;
    m_pause.stop();
    m_longest.stop();
    m_capture.cancel();
    m_ws.store.waitForBackground();
}

bool IdleSave::isIdle() const {
    return !m_pause.isActive() && !m_longest.isActive() && !m_capture.running() && !m_writing;
}

void IdleSave::touched() {
    if (!m_watching)
        return;
    m_pause.start(pauseMs);
    if (!m_longest.isActive())
        m_longest.start(longestWaitMs);
}

void IdleSave::save() {
    m_pause.stop();
    m_longest.stop();
    if (!m_watching || m_capture.running() || m_writing)
        return; // what changes meanwhile is written when this ends
    if (LongWork::running()) {
        touched(); // a page half read or built is written once it is whole
        return;
    }
    const Views& views = m_ws.views;
    const quint64 marks = views.storeMarks();
    if (!views.pageChanged()) {
        if (!(place() == m_written))
            send(marks, std::nullopt);
        return;
    }
    const int page = m_ws.state.CurrentPage;
    m_capture.start(m_ws.views.visible(), [this, marks, page](doctext::Raw raw) {
        // Another page on show, or the page stored or read meanwhile: the
        // text taken is no longer what needs writing.
        if (m_ws.views.storeMarks() != marks || m_ws.state.CurrentPage != page) {
            touched();
            return;
        }
        send(marks, std::move(raw));
    });
}

void IdleSave::send(quint64 marks, std::optional<doctext::Raw> raw) {
    const Place now = place();
    const Place before = m_written;
    const quint64 edits = m_ws.views.edits();
    const bool withText = raw.has_value();
    // Every few minutes the text written is kept in the page history too.
    const Snapshots::Keeper keep = withText ? m_ws.snapshots.dueFor(now.page) : nullptr;
    auto make = [raw = std::move(raw), now, before, keep] {
        SettingsStore::Values values;
        if (raw) {
            QString text = doctext::textOf(*raw);
            if (keep)
                keep(text);
            values.emplace_back(keys::page(now.page), std::move(text));
        }
        // The caret belongs to the page on show: with another page it is written anew.
        if (now.page != before.page || now.start != before.start || now.length != before.length) {
            values.emplace_back(keys::SelStart, QString::number(now.start));
            values.emplace_back(keys::SelLen, QString::number(now.length));
        }
        if (now.page != before.page)
            values.emplace_back(keys::Page, QString::number(now.page));
        return values;
    };
    m_writing = true;
    m_ws.store.writeInBackground(std::move(make), this,
                                 [this, marks, edits, now, withText](SettingsStore::Failure f) {
                                     finished(f, marks, edits, now, withText);
                                 });
}

void IdleSave::finished(SettingsStore::Failure failure, quint64 marks, quint64 edits, Place now,
                        bool withText) {
    m_writing = false;
    Views& views = m_ws.views;
    if (views.storeMarks() != marks) {
        // The page was stored or replaced meanwhile: that write stands.
        touched();
        return;
    }
    if (failure != SettingsStore::Failure::None) {
        // Said once; the next edit tries again, the next success clears it.
        if (!m_failureShown) {
            m_failureShown = true;
            m_ws.platform.prompts.notice(
                QStringLiteral("入力した内容を自動で保存できませんでした。\r\n") +
                safekeeping::failureDetail(m_ws.store, failure) +
                QStringLiteral("\r\nこのままでは、異常終了したときに入力した内容が失われる"
                               "おそれがあります。空き容量を確保するなど原因を取り除くか、"
                               "「ファイルに出力」でファイルに書き出してください。"));
        }
        return;
    }
    m_failureShown = false;
    if (withText)
        views.markStored(edits);
    m_written = now;
    if (views.pageChanged() || !(place() == m_written))
        touched();
}

// ---- messages and recovery files ---------------------------------------------------

namespace safekeeping {

QString failureDetail(const SettingsStore& store, SettingsStore::Failure failure) {
    using F = SettingsStore::Failure;
    QString reason;
    switch (failure) {
    case F::DiskFull:
        reason = QStringLiteral("ディスクの空き容量が足りません。");
        break;
    case F::ReadOnly:
        reason = QStringLiteral("保存先のファイルに書き込めません。");
        break;
    case F::Busy:
        reason = QStringLiteral("ほかのプログラムが保存先のファイルを使用しています。");
        break;
    case F::NoStore:
        reason = QStringLiteral("保存先のファイルを開けませんでした。");
        break;
    case F::Io:
    case F::None:
        reason = QStringLiteral("保存先のファイルの読み書きでエラーが発生しました。");
        break;
    }
    return reason + QStringLiteral("\r\n保存先: ") + QDir::toNativeSeparators(store.path());
}

namespace {
const QString StillShown =
    QStringLiteral("\r\n表示中の内容はそのまま残っています。「ファイルに出力」でファイルに"
                   "書き出すこともできます。");
}

QString switchRefused(const SettingsStore& store, int page) {
    return QStringLiteral("ページ %1 を保存できなかったため、ページを切り替えませんでした。\r\n")
               .arg(page) +
           failureDetail(store, store.failure()) + StillShown;
}

QString pageNotStored(const SettingsStore& store, int page) {
    return QStringLiteral("ページ %1 を保存できませんでした。\r\n").arg(page) +
           failureDetail(store, store.failure()) + StillShown;
}

QString fileNotStored(const SettingsStore& store, int page) {
    return QStringLiteral("ファイルをページ %1 に保存できませんでした。\r\n").arg(page) +
           failureDetail(store, store.failure());
}

QString noStore(const SettingsStore& store) {
    return QStringLiteral("メモを保存するファイルを開けませんでした。\r\n保存先: ") +
           QDir::toNativeSeparators(store.path()) +
           QStringLiteral("\r\nこのまま使うことはできますが、入力した内容は保存されません。"
                          "必要な内容は「ファイルに出力」でファイルに書き出してください。");
}

QString keptAside(const QString& asidePath) {
    return QStringLiteral("メモを保存していたファイルが壊れていたため、別の名前で残して、"
                          "新しいファイルで始めました。\r\n残したファイル: ") +
           QDir::toNativeSeparators(asidePath) +
           QStringLiteral("\r\nこのファイルは「アンインストールの準備」で削除されます。");
}

QString historyKeptAside(const QString& asidePath) {
    return QStringLiteral("ページの履歴を保存していたファイルが壊れていたため、別の名前で残して、"
                          "新しい履歴で始めました。ページの内容はそのまま残っています。\r\n"
                          "残したファイル: ") +
           QDir::toNativeSeparators(asidePath) +
           QStringLiteral("\r\nこのファイルは「アンインストールの準備」で削除されます。");
}

QString endRefused(const SettingsStore& store, const QString& file) {
    return QStringLiteral("メモを保存できなかったため、終了していません。\r\n") +
           failureDetail(store, store.failure()) +
           QStringLiteral("\r\nはい＝終了しないで戻る（「ファイルに出力」でページを書き出すか、"
                          "原因を取り除いてからもう一度終了してください）\r\n"
                          "いいえ＝保存せずに終了する") +
           (file.isEmpty() ? QString()
                           : QStringLiteral("（表示中のページは次のファイルに残します: ") +
                                 QDir::toNativeSeparators(file) + QStringLiteral("）"));
}

QString recoveryFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/sorabun/recovery");
}

QString recoveryPath(int page) {
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    const QString base = recoveryFolder() + u'/' + stamp;
    QString folder = base;
    for (int n = 2; QFileInfo::exists(folder); ++n)
        folder = base + u'-' + QString::number(n);
    return folder + QStringLiteral("/page-%1.txt").arg(page);
}

bool writeRecovery(const QString& path, const QString& text) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.commit();
}

void keepUnsaved(Views& views, const QString& path) {
    // A page half read or built is no page to keep.
    if (!views.pageChanged() || LongWork::running())
        return;
    const QByteArray where = QFile::encodeName(QDir::toNativeSeparators(path));
    if (writeRecovery(path, views.visible().text()))
        std::fprintf(stderr, "sorabun: the store refused the page on show; it was written to %s\n",
                     where.constData());
    else
        std::fprintf(stderr,
                     "sorabun: the store refused the page on show, and %s could not be written\n",
                     where.constData());
}

} // namespace safekeeping
