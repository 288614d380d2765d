#pragma once

#include <QString>
#include <QVariantMap>

// The words that an entry dialog, the dialog runner and the commands that run a dialog exchange:
// the form's property that holds its outcome, the outcome words its buttons write there, the
// result's key for the outcome, and the keys of the texts, which are the text boxes' names.
namespace DialogExchange {

inline constexpr char Tag[] = "Tag";
inline const QString OK = QStringLiteral("OK");
inline const QString CANCEL = QStringLiteral("CANCEL");
inline const QString Returned = QStringLiteral("Returned");

// The word dialog's boxes.
inline const QString txtWord = QStringLiteral("txtWord");
inline const QString txtDescription = QStringLiteral("txtDescription");
// The dictionary properties dialog's boxes.
inline const QString txtName = QStringLiteral("txtName");
inline const QString txtAuthor = QStringLiteral("txtAuthor");
inline const QString txtPassword = QStringLiteral("txtPassword");
inline const QString txtReEnterPassword = QStringLiteral("txtReEnterPassword");

// Whether a run's result says the user confirmed the dialog.
inline bool isConfirmed(const QVariantMap& result)
{
    return result.value(Returned).toString() == OK;
}

// A text of a run's result; the empty text for one it does not hold.
inline QString text(const QVariantMap& result, const QString& key)
{
    return result.value(key, QString()).toString();
}

} // namespace DialogExchange
