#pragma once

#include <QAccessible>
#include <QListView>

// The drop-down's list of words. Every row is as high as the first and the scroll bar counts
// rows, so where a row lies is arithmetic: opening, scrolling and painting the list cost the same
// for ten words as for millions, where QListView places every row after each change of the words.
// It stays a QListView, so that the combo box and screen readers treat it as the list it is.
class WordListView : public QListView
{
    Q_OBJECT
public:
    explicit WordListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;

protected:
    int horizontalOffset() const override;
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    void initViewItemOption(QStyleOptionViewItem* option) const override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

private:
    int rowCount() const;
    int rowHeight() const;
    int rowsShown() const;
    qint64 rowAt(int y) const;
    QModelIndex indexOfRow(qint64 row) const;
    void announce(QAccessible::Event event, const QModelIndex& index);

    int m_rowHeight = 0; // 0 until the rows are laid out
};
