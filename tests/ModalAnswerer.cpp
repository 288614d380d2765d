#include "ModalAnswerer.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

void dismiss(QWidget* window)
{
    if (auto* dialog = qobject_cast<QDialog*>(window))
        dialog->reject();
    else
        window->close();
}

} // namespace

ModalAnswerer::ModalAnswerer(int timeoutMs) : timeoutMs(timeoutMs)
{
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer.start(20);
}

void ModalAnswerer::press(QMessageBox::StandardButton button)
{
    act([this, button](QWidget* window) {
        auto* box = window->findChild<QDialogButtonBox*>();
        if (QPushButton* pushed =
                box ? box->button(QDialogButtonBox::StandardButton(int(button))) : nullptr)
            pushed->click();
        else
            fail(QStringLiteral("no button %1").arg(int(button)), window);
    });
}

void ModalAnswerer::type(const QString& text)
{
    act([this, text](QWidget* window) {
        if (auto* input = qobject_cast<QInputDialog*>(window)) {
            input->setTextValue(text);
            input->accept();
        } else if (auto* files = qobject_cast<QFileDialog*>(window)) {
            files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(text);
            static_cast<QDialog*>(files)->accept(); // protected in QFileDialog
        } else {
            fail(QStringLiteral("nothing to type into"), window);
        }
    });
}

void ModalAnswerer::cancel()
{
    act(dismiss);
}

void ModalAnswerer::act(const Action& action)
{
    actOnWindow({}, action);
}

void ModalAnswerer::actOnWindow(const QString& objectName, const Action& action)
{
    if (queue.isEmpty())
        waiting.start();
    queue.append({objectName, action});
}

void ModalAnswerer::poll()
{
    if (acting)
        return;
    QWidget* modal = QApplication::activeModalWidget();
    if (queue.isEmpty()) {
        if (modal)
            fail(QStringLiteral("unexpected window"), modal);
        return;
    }
    QWidget* window = target(queue.constFirst());
    if (!window) {
        if (waiting.elapsed() > timeoutMs) {
            queue.clear();
            fail(QStringLiteral("expected window did not show"), modal);
        }
        return;
    }
    const Action action = queue.takeFirst().action;
    waiting.start();
    record(window);
    // Run outside this timer's handler: the action may open a modal window whose event
    // loop needs this timer to fire again for the next answer.
    acting = true;
    QMetaObject::invokeMethod(
        this,
        [this, window = QPointer<QWidget>(window), action] {
            acting = false;
            if (window)
                action(window);
        },
        Qt::QueuedConnection);
}

QWidget* ModalAnswerer::target(const Answer& answer) const
{
    if (answer.windowName.isEmpty())
        return QApplication::activeModalWidget();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == answer.windowName && window->isVisible())
            return window;
    }
    return nullptr;
}

void ModalAnswerer::record(QWidget* window)
{
    Seen s;
    s.className = QString::fromLatin1(window->metaObject()->className());
    s.title = window->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(window)) {
        s.text = box->text();
        s.icon = box->icon();
    } else if (auto* input = qobject_cast<QInputDialog*>(window)) {
        s.text = input->labelText();
    }
    if (auto* buttons = window->findChild<QDialogButtonBox*>())
        s.buttons = QMessageBox::StandardButtons(int(buttons->standardButtons()));
    seen.append(s);
}

void ModalAnswerer::fail(const QString& why, QWidget* window)
{
    failures.append(why);
    if (window) {
        record(window);
        failures.last() +=
            QStringLiteral(": \"%1\" (%2)").arg(window->windowTitle(), seen.constLast().className);
        dismiss(window);
    }
}
