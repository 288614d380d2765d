#include "frmWord.h"

#include "FormLayout.h"
#include "LineBox.h"
#include "TextChecks.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include "PlainTextBox.h"
#include <QPushButton>
#include <QScreen>

frmWord::frmWord(QWidget* parent) : QDialog(parent, kEntryDialogFlags)
{
    setUpEntryDialog(this, "frmWord", QStringLiteral("Add a word"), {4995, 3510});

    lblWord = addControl<QLabel>(this, "lblWord", QStringLiteral("Word:"), {120, 270, 1695, 255});
    txtWord = addControl<LineBox>(this, "txtWord", {}, {1320, 240, 3495, 285});
    lblDescription = addControl<QLabel>(this, "lblDescription", QStringLiteral("Description:"),
                                        {120, 720, 1215, 255});
    txtDescription =
        addControl<PlainTextBox>(this, "txtDescription", {}, {1320, 720, 3495, 1935});
    cmdSave =
        addControl<QPushButton>(this, "cmdSave", QStringLiteral("&Save"), {1320, 3000, 1695, 375});
    cmdCancel = addControl<QPushButton>(this, "cmdCancel", QStringLiteral("&Cancel"),
                                        {3120, 3000, 1695, 375});

    nameAfterLabel(txtWord, lblWord);
    nameAfterLabel(txtDescription, lblDescription);

    // Long lines wrap at the box's width, so only a vertical scroll bar is needed.
    txtDescription->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtDescription->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Tab moves on to the buttons, as in the one-line box; Enter still starts a new line.
    txtDescription->setTabChangesFocus(true);

    // Neither button answers Enter: the dialog closes only when one is pressed.
    cmdSave->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    connect(cmdSave, &QPushButton::clicked, this, &frmWord::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmWord::cmdCancel_Click);

    // The frame sits at the screen's top-left corner.
    move(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
}

void frmWord::keyPressEvent(QKeyEvent* event)
{
    // Skip QDialog's handling, which closes the dialog on Escape and Enter.
    QWidget::keyPressEvent(event);
}

void frmWord::cmdSave_Click()
{
    if (!TextChecks::everyTextFits(
            this, {{txtWord, txtWord->text()}, {txtDescription, txtDescription->text()}}))
        return;
    setProperty("Tag", QStringLiteral("OK"));
    hide();
}

void frmWord::cmdCancel_Click()
{
    setProperty("Tag", QStringLiteral("CANCEL"));
    hide();
}
