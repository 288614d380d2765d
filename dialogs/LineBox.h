#pragma once

#include <QLineEdit>

// A one-line text box that keeps texts of any length, where Qt's own keeps 32,767 characters, and
// that keeps its cursor, selecting nothing, when the focus comes back to it. Qt's own box selects
// its whole text then, also when a dialog shows again, so that the first key typed would replace
// the text.
class LineBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit LineBox(const QString& text, QWidget* parent = nullptr);

    // Lets one of Qt's own one-line boxes keep texts of any length too.
    static void allowAnyLength(QLineEdit* box);

protected:
    void focusInEvent(QFocusEvent* event) override;
};
