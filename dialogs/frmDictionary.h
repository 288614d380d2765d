#pragma once

#include "EntryDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The dialog in which the user gives a dictionary its name, author and password, run by
// clsDialog. It confirms ("Tag" "OK") only when the password was typed twice alike; the
// form is kept between runs.
class frmDictionary : public EntryDialog
{
    Q_OBJECT
public:
    explicit frmDictionary(QWidget* parent = nullptr);

    QLabel* lblName;
    QLineEdit* txtName;
    QLabel* lblAuthor;
    QLineEdit* txtAuthor;
    QLabel* lblPassword;
    QLineEdit* txtPassword;
    QLabel* Label2;
    QLineEdit* txtReEnterPassword;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void cmdOK_Click();
    void cmdCancel_Click();
};
