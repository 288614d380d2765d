#pragma once

#include <QPointer>
#include <QString>
#include <QVariantMap>

class QWidget;

// Runs one entry dialog: fills its text boxes from a property bag, shows it without
// modality, waits until the form's "Tag" property holds an outcome word and returns that
// outcome as "Returned", plus, on "OK", every text box's text keyed by its objectName.
// The runner knows no particular form: text boxes are the QLineEdit and QPlainTextEdit
// children of ReferenceForm, and its buttons must set "Tag" and hide it.
class clsDialog
{
public:
    // Returns an empty bag, without "Returned", when ReferenceForm is not set.
    QVariantMap ShowDialog(const QVariantMap& Properties, const QString& Caption);
    // Whether the dialog a run waits for shows other texts than the run filled in: the user has
    // typed something that only the dialog's own buttons may keep or drop.
    bool ShowsChanges() const;
    // The texts the dialog a run waits for shows now, keyed by its boxes' names; none when no run
    // waits.
    QVariantMap ShownTexts() const;

    QWidget* ReferenceForm = nullptr; // not owned

private:
    QPointer<QWidget> m_waitingForm;
    QVariantMap m_filledIn; // its texts as the run filled them in
};
