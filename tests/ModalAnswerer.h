#pragma once

#include <QtWidgets>

#include <functional>

// Answers the windows a test action opens, in the order the answers were queued: the active modal
// window (message box, input box, file dialog), or a visible top-level window of the given name,
// such as a modeless entry dialog, each by an action given for it. Queue the answers, then run
// the action.
//
// Every answered window is described in seen as "title|text|icon|buttons", for instance
// "Error|Could not save dictionary|Critical|Ok"; a message box's informative text follows its
// text on a line of its own. A modal window that no answer expects is
// rejected, and an answer whose window does not show within five seconds is dropped with the rest
// of the queue; both are recorded in failures, so that no test hangs.
class ModalAnswerer : public QObject
{
public:
    using Action = std::function<void(QWidget*)>;

    ModalAnswerer() { startTimer(20); }

    void on(const QString& windowName, const Action& action) // empty name: the modal window
    {
        if (m_queue.isEmpty())
            m_waiting.start();
        m_queue.append({windowName, action});
    }

    // Every queued answer was given and nothing failed.
    bool done() const { return m_queue.isEmpty() && failures.isEmpty(); }

    QStringList seen;
    QStringList failures;

private:
    static QString describe(QWidget* window)
    {
        const auto* box = qobject_cast<QMessageBox*>(window);
        const auto* input = qobject_cast<QInputDialog*>(window);
        const auto* buttons = window->findChild<QDialogButtonBox*>();
        const auto keys = QMetaEnum::fromType<QDialogButtonBox::StandardButtons>();
        const QString informative = box && !box->informativeText().isEmpty()
                                        ? '\n' + box->informativeText()
                                        : QString();
        const QString text = box ? box->text() + informative : input ? input->labelText() : "";
        const char* icon =
            box ? QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon()) : "";
        QString names = buttons ? keys.valueToKeys(buttons->standardButtons()) : "";
        return QStringList{window->windowTitle(), text, icon, names.replace('|', ' ')}.join('|');
    }

    // Looks for the next window to answer, every 20 ms.
    void timerEvent(QTimerEvent*) override
    {
        QWidget* modal = QApplication::activeModalWidget();
        QWidget* window =
            m_queue.isEmpty() || m_queue.constFirst().first.isEmpty() ? modal : nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (!m_queue.isEmpty() && top->objectName() == m_queue.constFirst().first &&
                top->isVisible())
                window = top;
        if (m_acting || (m_queue.isEmpty() && !modal) || (!window && m_waiting.elapsed() < 5000))
            return;
        if (m_queue.isEmpty() || !window) {
            failures << (m_queue.isEmpty() ? "unexpected: " : "did not show: ") +
                            (modal ? describe(modal) : "");
            m_queue.clear();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            return;
        }
        seen << describe(window);
        m_waiting.start();
        // Run outside this timer's handler: the action may open a modal window whose event loop
        // needs this timer to fire again for the next answer.
        m_acting = true;
        QTimer::singleShot(
            0, this,
            [this, window = QPointer<QWidget>(window), action = m_queue.takeFirst().second] {
                m_acting = false;
                if (window)
                    action(window);
            });
    }

    QList<std::pair<QString, Action>> m_queue;
    QElapsedTimer m_waiting; // since the next answer became the next one
    bool m_acting = false;   // an answer was taken and its action has not run yet
};
