#pragma once

#include <QDialog>

#include <optional>

class QLabel;
class QPushButton;
class QTreeWidget;
class TextView;
struct Workspace;

// "ページの履歴": the snapshots of the page on show, newest first, each with
// when it was taken and how many characters it holds; a preview of the one
// chosen; and "このページに戻す", which puts its text into the page as one
// edit that Ctrl+Z undoes, after keeping the page as it is now.
class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    // Client size in twips.
    static constexpr double ClientWidth = 9000;
    static constexpr double ClientHeight = 5700;
    // The preview shows at most this many units of a long text.
    static constexpr qsizetype PreviewUnits = qsizetype(1) << 20;

    explicit HistoryDialog(Workspace& ws, QWidget* parent = nullptr);
    ~HistoryDialog() override;

    // Lists the snapshots of the page on show and chooses the newest.
    void listSnapshots();
    // The chosen snapshot into the preview.
    void previewChosen();
    void restoreChosen(); // このページに戻す
    void cancel();        // キャンセル

    // When a snapshot was taken, as a person says it: "たった今", "3 分前",
    // "今日 9:30", "昨日 14:05", "5月3日 14:05", "2024年5月3日 14:05".
    static QString whenText(qint64 takenMs, qint64 nowMs);
    // "1,234 文字"
    static QString countText(qsizetype units);

    // The controls, by role: what assistive tools name and tests reach.
    struct Controls {
        QLabel* listCaption; // names the list
        QTreeWidget* snapshotList;
        QLabel* previewCaption; // names the preview
        TextView* preview;      // the preview, read-only
        QLabel* noteLine;       // what is worth knowing about the list or the preview
        QPushButton* restoreButton;
        QPushButton* cancelButton;
    };
    Controls controls() const {
        return {m_listCaption, m_snapshotList,  m_previewCaption, m_preview,
                m_noteLine,    m_restoreButton, m_cancelButton};
    }

private:
    Workspace& m_ws;
    std::optional<QString> m_chosen; // the text of the snapshot chosen
    QLabel* m_listCaption;
    QTreeWidget* m_snapshotList;
    QLabel* m_previewCaption;
    TextView* m_preview;
    QLabel* m_noteLine;
    QPushButton* m_restoreButton;
    QPushButton* m_cancelButton;
};
