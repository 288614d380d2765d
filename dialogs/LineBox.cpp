#include "LineBox.h"

void LineBox::focusInEvent(QFocusEvent* event)
{
    const int cursor = cursorPosition();
    const bool selected = hasSelectedText();
    QLineEdit::focusInEvent(event);
    // A selection the user made is kept; moving the cursor drops the one Qt made.
    if (!selected)
        setCursorPosition(cursor);
}
