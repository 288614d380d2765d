#pragma once

#include <QMessageBox>

// A question that only Yes or No answers. Qt would take Escape and the title bar's close button
// for No; here both leave the question open, so that a key pressed in passing never decides
// whether the user's words are kept or dropped.
class YesNoBox : public QMessageBox
{
    Q_OBJECT
public:
    YesNoBox(Icon icon, const QString& title, const QString& text, StandardButton defaultButton,
             QWidget* parent);

    // Shows the question modally; true when the user answered Yes.
    static bool ask(QWidget* parent, Icon icon, const QString& title, const QString& text,
                    StandardButton defaultButton = Yes);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
