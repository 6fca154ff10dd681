#include "search/found_list.h"

#include "search/all_pages_search.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>

namespace {

// Page rows have the internal id 0; a match row that of its page's row + 1.
constexpr quintptr PageRowId = 0;

// The marked match: a light yellow a highlighter leaves, dark text on it.
const QColor MarkBackground(255, 226, 92);
const QColor MarkText(0, 0, 0);

// Page and line numbers centred under their headings.
QVariant alignment(int column) {
    const Qt::Alignment across =
        column == FoundModel::TextColumn ? Qt::AlignLeft : Qt::AlignHCenter;
    return QVariant::fromValue(across | Qt::AlignVCenter);
}

} // namespace

QString foundCount(qsizetype n) {
    return QLocale(QLocale::Japanese, QLocale::Japan).toString(qlonglong(n));
}

FoundModel::FoundModel(const search::AllPagesSearch& search, QObject* parent)
    : QAbstractItemModel(parent), m_search(search) {}

void FoundModel::catchUp() {
    const auto& pages = m_search.pages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const int page = int(i);
        const int listed = int(pages[i].listed.size());
        if (i == m_rows.size()) {
            // With its rows: the list opens it as it comes in.
            beginInsertRows({}, page, page);
            m_rows.push_back(listed);
            endInsertRows();
        } else if (listed > m_rows[i]) {
            beginInsertRows(index(page, 0), m_rows[i], listed - 1);
            m_rows[i] = listed;
            endInsertRows();
        }
    }
    // The count of the page being searched may have grown.
    if (!m_rows.empty()) {
        const QModelIndex last = index(int(m_rows.size()) - 1, 0);
        emit dataChanged(last, last, {Qt::DisplayRole});
    }
}

FoundModel::Row FoundModel::rowOf(const QModelIndex& index) const {
    if (!index.isValid())
        return {};
    if (index.internalId() == PageRowId)
        return {index.row(), -1};
    return {qsizetype(index.internalId() - 1), index.row()};
}

QString FoundModel::pageCaption(qsizetype page) const {
    const search::PageFound& p = m_search.pages()[page];
    QString caption = QStringLiteral("ページ %1（%2 件").arg(p.page).arg(foundCount(p.count));
    if (p.listed.isEmpty())
        caption += QStringLiteral("、一覧にはありません");
    else if (p.listed.size() < p.count)
        caption += QStringLiteral("、うち %1 件を一覧").arg(foundCount(p.listed.size()));
    return caption + u'）';
}

QModelIndex FoundModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= Columns)
        return {};
    if (!parent.isValid())
        return row < int(m_rows.size()) ? createIndex(row, column, PageRowId) : QModelIndex();
    if (parent.internalId() != PageRowId || row >= m_rows[parent.row()])
        return {};
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex FoundModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == PageRowId)
        return {};
    return createIndex(int(child.internalId() - 1), 0, PageRowId);
}

int FoundModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(m_rows.size());
    if (parent.internalId() != PageRowId || parent.column() != 0)
        return 0;
    return m_rows[parent.row()];
}

int FoundModel::columnCount(const QModelIndex&) const {
    return Columns;
}

QVariant FoundModel::data(const QModelIndex& index, int role) const {
    const Row row = rowOf(index);
    if (row.page < 0)
        return {};
    if (row.match >= 0)
        return matchData(row, index.column(), role);
    if (index.column() != PageColumn)
        return {};
    if (role == Qt::DisplayRole)
        return pageCaption(row.page);
    if (role == Qt::FontRole) {
        QFont bold; // the list's own font, in bold
        bold.setBold(true);
        return bold;
    }
    return {};
}

QVariant FoundModel::matchData(const Row& row, int column, int role) const {
    const search::PageFound& page = m_search.pages()[row.page];
    const search::Found& f = page.listed[row.match];
    if (role == MarkRole && column == TextColumn)
        return QPoint(int(f.markFrom), int(f.markLength));
    if (role == Qt::TextAlignmentRole)
        return alignment(column);
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case PageColumn:
        return QString::number(page.page);
    case LineColumn:
        return QString::number(f.line);
    default:
        return f.excerpt;
    }
}

QVariant FoundModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return alignment(section);
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case PageColumn:
        return QStringLiteral("ページ");
    case LineColumn:
        return QStringLiteral("行");
    default:
        return QStringLiteral("内容");
    }
}

// ---- the marked excerpt ------------------------------------------------------

void MarkDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    const QVariant mark = index.data(FoundModel::MarkRole);
    if (!mark.isValid())
        return QStyledItemDelegate::paint(painter, option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget); // background, selection

    const QRect area =
        style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(3, 0, -3, 0);
    const QPoint m = mark.toPoint();
    const QString parts[3] = {text.left(m.x()), text.mid(m.x(), m.y()), text.mid(m.x() + m.y())};
    const QFontMetrics metrics(opt.font);
    const bool selected = opt.state & QStyle::State_Selected;
    const QColor ordinary =
        opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);

    painter->save();
    painter->setClipRect(area);
    painter->setFont(opt.font);
    int x = area.left();
    for (int i = 0; i < 3; ++i) {
        const int width = metrics.horizontalAdvance(parts[i]);
        const QRect r(x, area.top(), width, area.height());
        if (i == 1)
            painter->fillRect(r.adjusted(0, 1, 0, -1), MarkBackground);
        painter->setPen(i == 1 ? MarkText : ordinary);
        painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, parts[i]);
        x += width;
    }
    painter->restore();
}

// ---- the list ----------------------------------------------------------------

FoundList::FoundList(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegateForColumn(FoundModel::TextColumn, new MarkDelegate(this));
    header()->setStretchLastSection(true);
    header()->setSectionsMovable(false);
}

void FoundList::rowsInserted(const QModelIndex& parent, int start, int end) {
    QTreeView::rowsInserted(parent, start, end);
    if (parent.isValid())
        return;
    // A page's row spans the columns and shows its matches under it.
    for (int row = start; row <= end; ++row) {
        setFirstColumnSpanned(row, parent, true);
        expand(model()->index(row, 0, parent));
    }
}

void FoundList::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        e->accept();
        emit chosen();
        return;
    }
    QTreeView::keyPressEvent(e);
}

void FoundList::mouseDoubleClickEvent(QMouseEvent* e) {
    const QModelIndex at = indexAt(e->position().toPoint());
    if (e->button() != Qt::LeftButton || !at.isValid())
        return QTreeView::mouseDoubleClickEvent(e);
    setCurrentIndex(at);
    e->accept();
    emit chosen();
}
