#include "clsDialog.h"

#include "DialogExchange.h"
#include "PlainTextBox.h"
#include "TagWaiter.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>
#include <QtDebug>

#include <utility>

namespace {

QString tagOf(const QWidget* form)
{
    return form->property(DialogExchange::Tag).toString();
}

// Every text box of the form, in the order the form created them.
QList<QWidget*> textBoxes(const QWidget* form)
{
    QList<QWidget*> boxes;
    for (QWidget* child : form->findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(child) || qobject_cast<QPlainTextEdit*>(child))
            boxes.append(child);
    }
    return boxes;
}

void setBoxText(QWidget* box, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(box))
        line->setText(text);
    else if (auto* exact = qobject_cast<PlainTextBox*>(box))
        exact->setText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(box))
        plain->setPlainText(text);
}

QString boxText(const QWidget* box)
{
    if (auto* line = qobject_cast<const QLineEdit*>(box))
        return line->text();
    if (auto* exact = qobject_cast<const PlainTextBox*>(box))
        return exact->text();
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(box))
        return plain->toPlainText();
    return {};
}

} // namespace

QVariantMap clsDialog::ShowDialog(const QVariantMap& Properties, const QString& Caption)
{
    if (!ReferenceForm) {
        qWarning("clsDialog::ShowDialog: ReferenceForm is not set");
        return {};
    }
    // The form may be destroyed while the run waits, for instance at shutdown.
    QPointer<QWidget> form = ReferenceForm;

    form->setProperty(DialogExchange::Tag, QString());
    if (!Caption.isEmpty())
        form->setWindowTitle(Caption);

    QVariantMap filledIn;
    for (QWidget* box : textBoxes(form)) {
        setBoxText(box, Properties.value(box->objectName(), QString()).toString());
        filledIn.insert(box->objectName(), boxText(box));
    }

    // A run started while another waits (of another form) hands the watch back when it ends.
    const QPointer<QWidget> outerForm = std::exchange(m_waitingForm, form);
    const QVariantMap outerFilledIn = std::exchange(m_filledIn, filledIn);
    form->show();
    form->raise();
    form->activateWindow();
    TagWaiter(form).wait();
    m_waitingForm = outerForm;
    m_filledIn = outerFilledIn;

    // A form destroyed while it was shown was not confirmed.
    const QString outcome = form ? tagOf(form).toUpper() : DialogExchange::CANCEL;
    QVariantMap result{{DialogExchange::Returned, outcome}};
    if (outcome == DialogExchange::OK) {
        for (const QWidget* box : textBoxes(form))
            result.insert(box->objectName(), boxText(box));
    }
    return result;
}

QVariantMap clsDialog::ShownTexts() const
{
    QVariantMap texts;
    if (m_waitingForm) {
        for (const QWidget* box : textBoxes(m_waitingForm))
            texts.insert(box->objectName(), boxText(box));
    }
    return texts;
}

bool clsDialog::ShowsChanges() const
{
    if (!m_waitingForm || !m_waitingForm->isVisible())
        return false;
    for (const QWidget* box : textBoxes(m_waitingForm)) {
        if (boxText(box) != m_filledIn.value(box->objectName()).toString())
            return true;
    }
    return false;
}
