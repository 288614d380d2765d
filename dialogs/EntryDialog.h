#pragma once

#include "DialogExchange.h"
#include "Twips.h"

#include <QDialog>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

class QLabel;
class QPushButton;

// What the two entry dialogs share: a fixed frame without a task-bar entry, laid out in twips in
// a font of its own; Enter and Escape never close it, only its buttons do, by writing the outcome
// word to the form's Tag and hiding it. It confirms only texts that a dictionary file can hold:
// a refusal shows an error over the dialog, which stays open and unchanged, with the focus in the
// box to correct.
class EntryDialog : public QDialog
{
    Q_OBJECT
public:
    EntryDialog(const QString& name, const QString& title, const QSize& clientTwips,
                QWidget* parent);

protected:
    // A text box and its text as the dialog would hand it over.
    struct BoxText
    {
        QWidget* box;
        QString text;
    };

    // Creates a control named and placed as the layout says. Controls are created in focus
    // order, which gives the tab order.
    template <typename Control>
    Control* addControl(const QString& name, const QString& text, const QRect& twips)
    {
        auto* control = new Control(text, this);
        control->setObjectName(name);
        control->setGeometry(fromTwips(twips));
        return control;
    }
    // A text box is announced by the label before it, without the label's colon. Buttons need
    // nothing: Qt names them after their captions, less the access key's "&".
    static void nameAfterLabel(QWidget* box, const QLabel* label);
    // Neither button answers Enter: the dialog closes only when one is pressed.
    static void setUpButtons(QPushButton* confirm, QPushButton* cancel);

    // Ends the run: the outcome word goes to the Tag, and the dialog hides.
    void finish(const QString& outcome);

    // True when every text fits a file's text (65,535 bytes as stored); otherwise refuses, with
    // the focus in the first box whose text does not.
    bool everyTextFits(const QList<BoxText>& texts);
    // True when the file stores every character of the text as it is; otherwise refuses with
    // message.
    bool storesExactly(const BoxText& text, const QString& message);
    void refuse(QWidget* box, const QString& message);

    void keyPressEvent(QKeyEvent* event) override;
};
