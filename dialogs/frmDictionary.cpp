#include "frmDictionary.h"

#include "LineBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

using namespace DialogExchange;

frmDictionary::frmDictionary(QWidget* parent)
    : EntryDialog(QStringLiteral("frmDictionary"), QStringLiteral("Dictionary properties"),
                  {5085, 3090}, parent)
{
    lblName = addControl<QLabel>(QStringLiteral("lblName"), QStringLiteral("Name:"),
                                 {360, 615, 1695, 255});
    txtName = addControl<LineBox>(DialogExchange::txtName, {}, {2040, 600, 2655, 285});
    lblAuthor = addControl<QLabel>(QStringLiteral("lblAuthor"), QStringLiteral("Author:"),
                                   {360, 975, 1695, 255});
    txtAuthor = addControl<LineBox>(DialogExchange::txtAuthor, {}, {2040, 960, 2655, 285});
    lblPassword = addControl<QLabel>(QStringLiteral("lblPassword"), QStringLiteral("Password:"),
                                     {360, 1350, 1695, 255});
    txtPassword = addControl<LineBox>(DialogExchange::txtPassword, {}, {2040, 1320, 2655, 285});
    Label2 = addControl<QLabel>(QStringLiteral("Label2"), QStringLiteral("Re-enter password:"),
                                {360, 1695, 1695, 255});
    txtReEnterPassword =
        addControl<LineBox>(DialogExchange::txtReEnterPassword, {}, {2040, 1680, 2655, 285});
    cmdOK = addControl<QPushButton>(QStringLiteral("cmdOK"), QStringLiteral("&Ok"),
                                    {1080, 2520, 1575, 375});
    cmdCancel = addControl<QPushButton>(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"),
                                        {2760, 2520, 1575, 375});

    nameAfterLabel(txtName, lblName);
    nameAfterLabel(txtAuthor, lblAuthor);
    nameAfterLabel(txtPassword, lblPassword);
    nameAfterLabel(txtReEnterPassword, Label2);

    txtPassword->setEchoMode(QLineEdit::Password);
    txtReEnterPassword->setEchoMode(QLineEdit::Password);
    // Masked characters show as "*" (42), whatever the style's own mask character.
    setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    setUpButtons(cmdOK, cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, &frmDictionary::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmDictionary::cmdCancel_Click);
}

void frmDictionary::showEvent(QShowEvent* event)
{
    // Skip QDialog's centring on the screen: the window system places this dialog.
    QWidget::showEvent(event);
}

void frmDictionary::cmdOK_Click()
{
    // Compared exactly: case matters and nothing is trimmed.
    if (txtPassword->text() != txtReEnterPassword->text()) {
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QStringLiteral("Password dosen't match. Please try agian"));
        // The window system would give the focus to another window; the user corrects the
        // passwords here, from the first.
        activateWindow();
        txtPassword->setFocus();
        return;
    }
    // A password stored as '?' would no longer open the dictionary once it is read back.
    const BoxText password{txtPassword, txtPassword->text()};
    if (everyTextFits({{txtName, txtName->text()}, {txtAuthor, txtAuthor->text()}, password}) &&
        storesExactly(password, tr("The password can only hold characters that a dictionary "
                                   "file can store.")))
        finish(OK);
}

void frmDictionary::cmdCancel_Click()
{
    finish(CANCEL);
}
