#include "frmWord.h"

#include "LineBox.h"
#include "PlainTextBox.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

using namespace DialogExchange;

frmWord::frmWord(QWidget* parent)
    : EntryDialog(QStringLiteral("frmWord"), QStringLiteral("Add a word"), {4995, 3510}, parent)
{
    lblWord = addControl<QLabel>(QStringLiteral("lblWord"), QStringLiteral("Word:"),
                                 {120, 270, 1695, 255});
    txtWord = addControl<LineBox>(DialogExchange::txtWord, {}, {1320, 240, 3495, 285});
    lblDescription = addControl<QLabel>(QStringLiteral("lblDescription"),
                                        QStringLiteral("Description:"), {120, 720, 1215, 255});
    txtDescription =
        addControl<PlainTextBox>(DialogExchange::txtDescription, {}, {1320, 720, 3495, 1935});
    cmdSave = addControl<QPushButton>(QStringLiteral("cmdSave"), QStringLiteral("&Save"),
                                      {1320, 3000, 1695, 375});
    cmdCancel = addControl<QPushButton>(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"),
                                        {3120, 3000, 1695, 375});

    nameAfterLabel(txtWord, lblWord);
    nameAfterLabel(txtDescription, lblDescription);

    // Long lines wrap at the box's width, so only a vertical scroll bar is needed.
    txtDescription->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtDescription->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Tab moves on to the buttons, as in the one-line box; Enter still starts a new line.
    txtDescription->setTabChangesFocus(true);

    setUpButtons(cmdSave, cmdCancel);
    connect(cmdSave, &QPushButton::clicked, this, &frmWord::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmWord::cmdCancel_Click);

    // The frame sits at the screen's top-left corner.
    move(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
}

void frmWord::cmdSave_Click()
{
    if (everyTextFits({{txtWord, txtWord->text()}, {txtDescription, txtDescription->text()}}))
        finish(OK);
}

void frmWord::cmdCancel_Click()
{
    finish(CANCEL);
}
