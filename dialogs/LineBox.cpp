#include "LineBox.h"

#include <limits>

LineBox::LineBox(const QString& text, QWidget* parent) : QLineEdit(text, parent)
{
    allowAnyLength(this);
}

void LineBox::allowAnyLength(QLineEdit* box)
{
    box->setMaxLength(std::numeric_limits<int>::max());
}

void LineBox::focusInEvent(QFocusEvent* event)
{
    const int cursor = cursorPosition();
    const bool selected = hasSelectedText();
    QLineEdit::focusInEvent(event);
    // A selection the user made is kept; moving the cursor drops the one Qt made.
    if (!selected)
        setCursorPosition(cursor);
}
