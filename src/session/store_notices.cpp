#include "session/store_notices.h"

#include "session/recovery_file.h"

#include <QDir>

namespace notices {

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
           QStringLiteral("\r\nこのファイルは「アンイストールの準備」で削除されます。");
}

QString historyKeptAside(const QString& asidePath) {
    return QStringLiteral("ページの履歴を保存していたファイルが壊れていたため、別の名前で残して、"
                          "新しい履歴で始めました。ページの内容はそのまま残っています。\r\n"
                          "残したファイル: ") +
           QDir::toNativeSeparators(asidePath) +
           QStringLiteral("\r\nこのファイルは「アンイストールの準備」で削除されます。");
}

QString historyRefused(const QString& historyPath, PageHistory::Failure failure) {
    using F = PageHistory::Failure;
    QString reason;
    switch (failure) {
    case F::DiskFull:
        reason = QStringLiteral("ディスクの空き容量が足りません。");
        break;
    case F::ReadOnly:
        reason = QStringLiteral("履歴のファイルに書き込めません。");
        break;
    case F::Busy:
        reason = QStringLiteral("ほかのプログラムが履歴のファイルを使用しています。");
        break;
    case F::TooLarge:
        reason = QStringLiteral("ページが大きすぎて履歴に保存できません。");
        break;
    case F::OutOfMemory:
        reason = QStringLiteral("メモリが足りません。");
        break;
    case F::Io:
    case F::None:
        reason = QStringLiteral("履歴のファイルの読み書きでエラーが発生しました。");
        break;
    }
    const bool retried = failure != F::TooLarge && failure != F::OutOfMemory;
    return QStringLiteral("ページの履歴を保存できませんでした。") + reason +
           QStringLiteral("\r\n保存先: ") + QDir::toNativeSeparators(historyPath) +
           (retried ? QStringLiteral("\r\n保存できなかった履歴は、原因を取り除くと次の保存のときに"
                                     "保存されます。")
                    : QStringLiteral("\r\nこの履歴は保存されません。")) +
           QStringLiteral("\r\nページの内容はそのまま残っています。");
}

QString endRefused(const SettingsStore& store, const std::optional<QString>& kept) {
    QString where;
    if (kept && kept->isEmpty())
        where = QStringLiteral("（表示中のページはファイルにも残せませんでした。"
                               "終了すると失われます）");
    else if (kept)
        where = QStringLiteral("（表示中のページは次のファイルに残してあります: ") +
                QDir::toNativeSeparators(*kept) + QStringLiteral("）") +
                (recovery::isShortLived(*kept)
                     ? QStringLiteral("\r\nこのファイルはログアウトすると消えます。"
                                      "必要なら別の場所に移してください。")
                     : QString());
    return QStringLiteral("メモを保存できなかったため、終了していません。\r\n") +
           failureDetail(store, store.failure()) +
           QStringLiteral("\r\nはい＝終了しないで戻る（「ファイルに出力」でページを書き出すか、"
                          "原因を取り除いてからもう一度終了してください）\r\n"
                          "いいえ＝保存せずに終了する") +
           where;
}

} // namespace notices
