#include "EntryDialog.h"

#include "clsDictionary.h"

#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

// The layouts leave 17 pixels for a label and 19 for a one-line text box, so the entry dialogs
// use a small font of their own, whatever the desktop's font is: DejaVu Sans, built into the
// program, so that no platform lays them out with another font's metrics.
QFont entryDialogFont()
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

// A fixed frame with a title and a close button, and no task-bar entry.
constexpr Qt::WindowFlags kEntryDialogFlags = Qt::Tool | Qt::CustomizeWindowHint |
                                              Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                              Qt::MSWindowsFixedSizeDialogHint;

} // namespace

EntryDialog::EntryDialog(const QString& name, const QString& title, const QSize& clientTwips,
                         QWidget* parent)
    : QDialog(parent, kEntryDialogFlags)
{
    setObjectName(name);
    setWindowTitle(title);
    setProperty(DialogExchange::Tag, QString());
    setFont(entryDialogFont());
    setFixedSize(fromTwips(clientTwips.width()), fromTwips(clientTwips.height()));
    // The program's life follows its main window, not its dialogs.
    setAttribute(Qt::WA_QuitOnClose, false);
}

void EntryDialog::nameAfterLabel(QWidget* box, const QLabel* label)
{
    QString name = label->text();
    if (name.endsWith(u':'))
        name.chop(1);
    box->setAccessibleName(name);
}

void EntryDialog::setUpButtons(QPushButton* confirm, QPushButton* cancel)
{
    confirm->setAutoDefault(false);
    cancel->setAutoDefault(false);
}

void EntryDialog::finish(const QString& outcome)
{
    setProperty(DialogExchange::Tag, outcome);
    hide();
}

bool EntryDialog::everyTextFits(const QList<BoxText>& texts)
{
    for (const BoxText& text : texts) {
        if (!clsDictionary::TextFits(text.text)) {
            refuse(text.box, tr("This text is too long: a dictionary file holds at most 65,535 "
                                "characters in one text."));
            return false;
        }
    }
    return true;
}

bool EntryDialog::storesExactly(const BoxText& text, const QString& message)
{
    if (clsDictionary::TextStoresExactly(text.text))
        return true;
    refuse(text.box, message);
    return false;
}

void EntryDialog::refuse(QWidget* box, const QString& message)
{
    QMessageBox::critical(this, tr("Error"), message);
    // The window system would give the focus to another window; the user corrects the text here.
    activateWindow();
    box->setFocus();
}

void EntryDialog::keyPressEvent(QKeyEvent* event)
{
    // Skip QDialog's handling, which closes the dialog on Escape and Enter.
    QWidget::keyPressEvent(event);
}
