#include "WordListView.h"

#include <QAbstractItemDelegate>
#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

namespace {

// Rows further than this from the top of the list's window are placed there: they are out of
// sight either way, and a rectangle's coordinates must not overflow.
constexpr qint64 kFarAway = qint64(1) << 28;

int pixels(qint64 y)
{
    return int(qBound(-kFarAway, y, kFarAway));
}

} // namespace

WordListView::WordListView(QWidget* parent) : QListView(parent)
{
    // What QListView still does on its own, such as its size hint, then costs one row.
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideMiddle); // as a combo box's own list
}

int WordListView::rowCount() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

// The height of every row, once the rows are laid out.
int WordListView::rowHeight() const
{
    auto* self = const_cast<WordListView*>(this);
    self->executeDelayedItemsLayout();
    if (m_rowHeight == 0)
        self->doItemsLayout();
    return m_rowHeight;
}

// The rows that the viewport shows whole, at least one.
int WordListView::rowsShown() const
{
    return qMax(1, viewport()->height() / rowHeight());
}

// The row at the viewport's y, which may lie before the first or after the last.
qint64 WordListView::rowAt(int y) const
{
    const int height = rowHeight();
    const int rows = y >= 0 ? y / height : -((height - 1 - y) / height);
    return qint64(verticalScrollBar()->value()) + rows;
}

QModelIndex WordListView::indexOfRow(qint64 row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return model()->index(int(row), modelColumn(), rootIndex());
}

// The words are one line each, so the first row's height is every row's.
void WordListView::doItemsLayout()
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex first = indexOfRow(0);
    const int height =
        first.isValid() ? itemDelegateForIndex(first)->sizeHint(option, first).height() : 0;
    m_rowHeight = qMax(1, height > 0 ? height : fontMetrics().height());
    // QListView's own layout, which places every row, is left out.
    QAbstractItemView::doItemsLayout();
}

void WordListView::updateGeometries()
{
    const int shown = qMax(1, viewport()->height() / qMax(1, m_rowHeight));
    verticalScrollBar()->setRange(0, qMax(0, rowCount() - shown));
    verticalScrollBar()->setPageStep(shown);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
    // The scroll area shows or hides its scroll bar for the new range only once the events
    // posted are processed, and the list would open with a scroll bar it does not need; a layout
    // request has it done at once, as QListView has.
    QEvent layoutRequest(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(this, &layoutRequest);
}

QRect WordListView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != modelColumn())
        return {};
    const int height = rowHeight();
    const qint64 top = (qint64(index.row()) - verticalScrollBar()->value()) * height;
    return QRect(0, pixels(top), viewport()->width(), height);
}

QModelIndex WordListView::indexAt(const QPoint& point) const
{
    if (point.x() < 0 || point.x() >= viewport()->width())
        return {};
    return indexOfRow(rowAt(point.y()));
}

int WordListView::horizontalOffset() const
{
    return 0;
}

int WordListView::verticalOffset() const
{
    return pixels(qint64(verticalScrollBar()->value()) * rowHeight());
}

void WordListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!visualRect(index).isValid())
        return;
    const int row = index.row(), shown = rowsShown(), top = verticalScrollBar()->value();
    int value = top;
    switch (hint) {
    case EnsureVisible:
        value = row < top ? row : row >= top + shown ? row - shown + 1 : top;
        break;
    case PositionAtTop:
        value = row;
        break;
    case PositionAtBottom:
        value = row - shown + 1;
        break;
    case PositionAtCenter:
        value = row - (shown - 1) / 2;
        break;
    }
    verticalScrollBar()->setValue(value);
}

void WordListView::scrollContentsBy(int, int)
{
    viewport()->update();
}

QModelIndex WordListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int rows = rowCount();
    if (rows == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return indexOfRow(0);
    const int page = qMax(1, rowsShown() - 1); // the row at one end goes to the other
    qint64 row = current.row();
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        --row;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    case MovePageUp:
        row -= page;
        break;
    case MovePageDown:
        row += page;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return indexOfRow(qBound(qint64(0), row, qint64(rows) - 1));
}

void WordListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    if (!selectionModel())
        return;
    const QRect area = rect.normalized();
    const qint64 first = qMax<qint64>(0, rowAt(area.top()));
    const qint64 last = qMin<qint64>(rowCount() - 1, rowAt(area.bottom()));
    QItemSelection selection;
    if (first <= last && area.right() >= 0 && area.left() < viewport()->width())
        selection.select(indexOfRow(first), indexOfRow(last));
    selectionModel()->select(selection, command);
}

QRegion WordListView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        if (range.isValid() && range.parent() == rootIndex())
            region += visualRect(range.topLeft()).united(visualRect(range.bottomRight())) &
                      viewport()->rect();
    }
    return region;
}

void WordListView::initViewItemOption(QStyleOptionViewItem* option) const
{
    QListView::initViewItemOption(option);
    option->showDecorationSelected = true; // as a combo box's own list
}

// Paints the rows in the damaged part of the viewport, as QListView paints its rows.
void WordListView::paintEvent(QPaintEvent* event)
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QPainter painter(viewport());
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QStyle::State state = option.state;
    const qint64 first = qMax<qint64>(0, rowAt(event->rect().top()));
    const qint64 last = qMin<qint64>(rowCount() - 1, rowAt(event->rect().bottom()));
    for (qint64 row = first; row <= last; ++row) {
        const QModelIndex index = indexOfRow(row);
        option.rect = visualRect(index);
        option.state = state;
        option.state.setFlag(QStyle::State_Selected, selectionModel()->isSelected(index));
        if (state & QStyle::State_Enabled) {
            const bool enabled = model()->flags(index) & Qt::ItemIsEnabled;
            option.state.setFlag(QStyle::State_Enabled, enabled);
            option.palette.setCurrentColorGroup(enabled ? QPalette::Normal : QPalette::Disabled);
        }
        option.state.setFlag(QStyle::State_HasFocus, focus && index == current);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

// QListView tells screen readers which row became current or selected by where its layout put
// it, which this list does not keep.
void WordListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QAbstractItemView::currentChanged(current, previous);
    announce(QAccessible::Focus, current);
}

void WordListView::selectionChanged(const QItemSelection& selected,
                                    const QItemSelection& deselected)
{
    announce(QAccessible::SelectionAdd, selected.indexes().value(0));
    announce(QAccessible::SelectionRemove, deselected.indexes().value(0));
    QAbstractItemView::selectionChanged(selected, deselected);
}

void WordListView::announce(QAccessible::Event event, const QModelIndex& index)
{
    if (!QAccessible::isActive() || !index.isValid())
        return;
    QAccessibleEvent announcement(this, event);
    announcement.setChild(index.row());
    QAccessible::updateAccessibility(&announcement);
}
