#pragma once

#include <QAbstractItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <vector>

namespace search {
class AllPagesSearch;
}

// A count as the list writes it: "12", "10,000".
QString foundCount(qsizetype n);

// The rows of a search over every page: a row for each page with a match
// (its number and count), and under it a row for each match listed (page,
// line, the line around the match). Rows are added as the search finds them.
class FoundModel : public QAbstractItemModel {
public:
    // The match within the excerpt of a match row: QPoint(from, length).
    static constexpr int MarkRole = Qt::UserRole + 1;
    enum Column { PageColumn, LineColumn, TextColumn, Columns };

    explicit FoundModel(const search::AllPagesSearch& search, QObject* parent = nullptr);

    // Takes in what the search found since the last call.
    void catchUp();
    // The page (index into the search's pages) and match (-1 for the page's
    // own row) of a row.
    struct Row {
        qsizetype page = -1;
        qsizetype match = -1;
    };
    Row rowOf(const QModelIndex& index) const;
    // " 3 ページ（12 件）" and the like: the caption of a page's row.
    QString pageCaption(qsizetype page) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QVariant matchData(const Row& row, int column, int role) const;

    const search::AllPagesSearch& m_search;
    std::vector<int> m_rows; // match rows taken in, per page taken in
};

// Paints the excerpt of a match row with the match marked.
class MarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// The list itself: Enter and a double-click choose a row (`chosen`), on
// every platform alike; a page's row stays open.
class FoundList : public QTreeView {
    Q_OBJECT
public:
    explicit FoundList(QWidget* parent = nullptr);

signals:
    void chosen();

protected:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};
