#pragma once

#include <QLineEdit>

// A one-line text box that keeps its cursor, and selects nothing, when the focus comes back to
// it. Qt's own box selects its whole text then, also when a dialog shows again, so that the
// first key typed would replace the text.
class LineBox : public QLineEdit
{
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override;
};
