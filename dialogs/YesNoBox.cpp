#include "YesNoBox.h"

#include <QCloseEvent>
#include <QKeyEvent>

YesNoBox::YesNoBox(Icon icon, const QString& title, const QString& text,
                   StandardButton defaultButton, QWidget* parent)
    : QMessageBox(icon, title, text, Yes | No, parent)
{
    setDefaultButton(defaultButton);
}

bool YesNoBox::ask(QWidget* parent, Icon icon, const QString& title, const QString& text,
                   StandardButton defaultButton)
{
    YesNoBox box(icon, title, text, defaultButton, parent);
    return box.exec() == Yes;
}

void YesNoBox::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QMessageBox::keyPressEvent(event);
}

void YesNoBox::closeEvent(QCloseEvent* event)
{
    event->ignore();
}
