#pragma once

#include "EntryDialog.h"

class QLabel;
class QLineEdit;
class PlainTextBox;
class QPushButton;

// The dialog in which the user types a word and its description, run by clsDialog. Its buttons
// only set the form's "Tag" to "OK" or "CANCEL" and hide it; the form is kept between runs.
class frmWord : public EntryDialog
{
    Q_OBJECT
public:
    explicit frmWord(QWidget* parent = nullptr);

    QLabel* lblWord;
    QLineEdit* txtWord;
    QLabel* lblDescription;
    PlainTextBox* txtDescription;
    QPushButton* cmdSave;
    QPushButton* cmdCancel;

private slots:
    void cmdSave_Click();
    void cmdCancel_Click();
};
