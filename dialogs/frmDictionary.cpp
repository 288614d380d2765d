#include "frmDictionary.h"

#include "FormLayout.h"
#include "LineBox.h"
#include "TextChecks.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

frmDictionary::frmDictionary(QWidget* parent) : QDialog(parent, kEntryDialogFlags)
{
    setUpEntryDialog(this, "frmDictionary", QStringLiteral("Dictionary properties"), {5085, 3090});

    lblName = addControl<QLabel>(this, "lblName", QStringLiteral("Name:"), {360, 615, 1695, 255});
    txtName = addControl<LineBox>(this, "txtName", {}, {2040, 600, 2655, 285});
    lblAuthor =
        addControl<QLabel>(this, "lblAuthor", QStringLiteral("Author:"), {360, 975, 1695, 255});
    txtAuthor = addControl<LineBox>(this, "txtAuthor", {}, {2040, 960, 2655, 285});
    lblPassword = addControl<QLabel>(this, "lblPassword", QStringLiteral("Password:"),
                                     {360, 1350, 1695, 255});
    txtPassword = addControl<LineBox>(this, "txtPassword", {}, {2040, 1320, 2655, 285});
    Label2 = addControl<QLabel>(this, "Label2", QStringLiteral("Re-enter password:"),
                                {360, 1695, 1695, 255});
    txtReEnterPassword =
        addControl<LineBox>(this, "txtReEnterPassword", {}, {2040, 1680, 2655, 285});
    cmdOK = addControl<QPushButton>(this, "cmdOK", QStringLiteral("&Ok"), {1080, 2520, 1575, 375});
    cmdCancel = addControl<QPushButton>(this, "cmdCancel", QStringLiteral("&Cancel"),
                                        {2760, 2520, 1575, 375});

    nameAfterLabel(txtName, lblName);
    nameAfterLabel(txtAuthor, lblAuthor);
    nameAfterLabel(txtPassword, lblPassword);
    nameAfterLabel(txtReEnterPassword, Label2);

    txtPassword->setEchoMode(QLineEdit::Password);
    txtReEnterPassword->setEchoMode(QLineEdit::Password);
    // Masked characters show as "*" (42), whatever the style's own mask character.
    setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    // Neither button answers Enter: the dialog closes only when one is pressed.
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmDictionary::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmDictionary::cmdCancel_Click);
}

void frmDictionary::keyPressEvent(QKeyEvent* event)
{
    // Skip QDialog's handling, which closes the dialog on Escape and Enter.
    QWidget::keyPressEvent(event);
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
        // passwords here.
        activateWindow();
        return;
    }
    // A password stored as '?' would no longer open the dictionary once it is read back.
    const TextChecks::BoxText password{txtPassword, txtPassword->text()};
    if (!TextChecks::everyTextFits(this, {{txtName, txtName->text()},
                                          {txtAuthor, txtAuthor->text()},
                                          password}) ||
        !TextChecks::storesExactly(
            this, password,
            tr("The password can only hold characters that a dictionary file can store.")))
        return;
    setProperty("Tag", QStringLiteral("OK"));
    hide();
}

void frmDictionary::cmdCancel_Click()
{
    setProperty("Tag", QStringLiteral("CANCEL"));
    hide();
}
