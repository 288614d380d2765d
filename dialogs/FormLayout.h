#pragma once

#include <QDialog>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QRect>
#include <QString>
#include <QWidget>

#include <limits>
#include <type_traits>

// Helpers shared by the forms, whose layouts are given in twips: 15 twips are one
// device-independent pixel.

inline int fromTwips(int twips)
{
    return twips / 15;
}

inline QRect fromTwips(const QRect& twips)
{
    return QRect(fromTwips(twips.x()), fromTwips(twips.y()), fromTwips(twips.width()),
                 fromTwips(twips.height()));
}

// Qt's one-line box keeps 32,767 characters unless told otherwise; ours keep texts of any length.
inline void allowAnyLength(QLineEdit* box)
{
    box->setMaxLength(std::numeric_limits<int>::max());
}

// Creates a control named and placed as the dialog's layout says. Controls are created in
// focus order, which gives the tab order.
template <typename Control>
Control* addControl(QWidget* form, const char* name, const QString& text, const QRect& twips)
{
    auto* control = new Control(text, form);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(fromTwips(twips));
    if constexpr (std::is_base_of_v<QLineEdit, Control>)
        allowAnyLength(control);
    return control;
}

// A text box is announced by the label before it, without the label's colon. Buttons and
// menu items need nothing: Qt names them after their captions, less the access key's "&".
inline void nameAfterLabel(QWidget* box, const QLabel* label)
{
    QString name = label->text();
    if (name.endsWith(u':'))
        name.chop(1);
    box->setAccessibleName(name);
}

// The layouts leave 17 pixels for a label and 19 for a one-line text box, so the entry
// dialogs use a small font of their own, whatever the desktop's font is: DejaVu Sans, built into
// the program, so that no platform lays them out with another font's metrics.
inline QFont entryDialogFont()
{
    static const QString family = [] {
        const QStringList families = QFontDatabase::applicationFontFamilies(
            QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/DejaVuSans.ttf")));
        return families.isEmpty() ? QStringLiteral("DejaVu Sans") : families.constFirst();
    }();
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

// Entry dialogs have a fixed frame with a title and a close button, and no task-bar entry.
constexpr Qt::WindowFlags kEntryDialogFlags = Qt::Tool | Qt::CustomizeWindowHint |
                                              Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                              Qt::MSWindowsFixedSizeDialogHint;

// Names and titles an entry dialog, clears its outcome and fixes its client size.
inline void setUpEntryDialog(QDialog* form, const char* name, const QString& title,
                             const QSize& twips)
{
    form->setObjectName(QLatin1String(name));
    form->setWindowTitle(title);
    form->setProperty("Tag", QString());
    form->setFont(entryDialogFont());
    form->setFixedSize(fromTwips(twips.width()), fromTwips(twips.height()));
    // The program's life follows its main window, not its dialogs.
    form->setAttribute(Qt::WA_QuitOnClose, false);
}
