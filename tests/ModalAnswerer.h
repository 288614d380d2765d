#pragma once

#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <optional>

// What a test sees of a window it answers. A message box has all five fields; an input box's
// label is its text; a file dialog has a title and buttons only.
struct SeenWindow
{
    QString title, text, informativeText;
    QString icon;    // the key of QMessageBox::Icon: "Question", "Critical", ...
    QString buttons; // the keys of its standard buttons: "Yes No", "Save Cancel", ...

    static SeenWindow of(QWidget* window)
    {
        SeenWindow seen{window->windowTitle(), {}, {}, {}, {}};
        if (const auto* box = qobject_cast<QMessageBox*>(window)) {
            seen.text = box->text();
            seen.informativeText = box->informativeText();
            seen.icon = QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon());
        } else if (const auto* input = qobject_cast<QInputDialog*>(window)) {
            seen.text = input->labelText();
        }
        if (const auto* buttons = window->findChild<QDialogButtonBox*>())
            seen.buttons =
                QString(QMetaEnum::fromType<QDialogButtonBox::StandardButtons>().valueToKeys(
                            buttons->standardButtons()))
                    .replace('|', ' ');
        return seen;
    }
};

// Compares a window with the one expected, field by field, so that a failure names the field.
inline void compareWindow(const SeenWindow& seen, const SeenWindow& expected)
{
    QCOMPARE(seen.title, expected.title);
    QCOMPARE(seen.text, expected.text);
    QCOMPARE(seen.informativeText, expected.informativeText);
    QCOMPARE(seen.icon, expected.icon);
    QCOMPARE(seen.buttons, expected.buttons);
}

// Answers the windows a test action opens, in the order the answers were queued: the active modal
// window (message box, input box, file dialog), or a visible top-level window of the given name,
// such as a modeless entry dialog. An answer that expects a window compares it when it shows,
// before its action runs, so that a scenario of many questions checks each where it is asked.
// Queue the answers, then run the action; Qt's own dialogs stand in for the platform's.
//
// A modal window that no answer expects is rejected, and an answer whose window does not show
// within five seconds is dropped with the rest of the queue, the dialogs then shown closed; both
// fail the test at verifyAnswered(), so that no test hangs.
class ModalAnswerer : public QObject
{
public:
    using Action = std::function<void(QWidget*)>;

    ModalAnswerer()
    {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        startTimer(20);
    }

    // Answers the window of that name, or the modal window when the name is empty, by action;
    // with expected, once the window has been compared with it.
    void on(const QString& windowName, const Action& action,
            const std::optional<SeenWindow>& expected = {})
    {
        if (m_queue.isEmpty())
            m_waiting.start();
        m_queue.append({windowName, expected, action});
    }
    void expect(const SeenWindow& expected, const Action& action) { on({}, action, expected); }

    // Fails the test with what went wrong since the last call, and the answers never given, by
    // the window they were for; the next test starts afresh.
    void verifyAnswered()
    {
        QStringList problems = std::exchange(m_failures, {});
        for (const Queued& answer : std::exchange(m_queue, {}))
            problems << "not answered: " + answer.name();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }

private:
    struct Queued
    {
        QString windowName;
        std::optional<SeenWindow> expected;
        Action action;
        QString name() const { return expected ? expected->text : windowName; }
    };

    // Looks for the next window to answer, every 20 ms.
    void timerEvent(QTimerEvent*) override
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (m_acting || (m_queue.isEmpty() && !modal))
            return;
        if (m_queue.isEmpty()) {
            m_failures << "unexpected: " + modal->windowTitle() + ": " + SeenWindow::of(modal).text;
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            return;
        }
        const QString& name = m_queue.constFirst().windowName;
        QWidget* window = name.isEmpty() ? modal : nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == name && top->isVisible())
                window = top;
        }
        if (!window && m_waiting.elapsed() < 5000)
            return;
        if (!window) {
            m_failures << "did not show: " + m_queue.constFirst().name();
            m_queue.clear();
            // A dialog that a run waits for would wait for ever: closed, the run ends as cancelled.
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (qobject_cast<QDialog*>(top) && top->isVisible())
                    top->close();
            }
            return;
        }
        m_waiting.start();
        // Run outside this timer's handler: the action may open a modal window whose event loop
        // needs this timer to fire again for the next answer.
        m_acting = true;
        QTimer::singleShot(0, this,
                           [this, window = QPointer<QWidget>(window), seen = SeenWindow::of(window),
                            answer = m_queue.takeFirst()] {
                               m_acting = false;
                               if (answer.expected)
                                   compareWindow(seen, *answer.expected);
                               if (window)
                                   answer.action(window);
                           });
    }

    QList<Queued> m_queue;
    QStringList m_failures;
    QElapsedTimer m_waiting; // since the next answer became the next one
    bool m_acting = false;   // an answer was taken and its action has not run yet
};

// Answers for the answerer.
namespace Answer {

// Presses that standard button of the window: QMessageBox::Yes, QDialogButtonBox::Cancel, ...
inline ModalAnswerer::Action press(int button)
{
    return [button](QWidget* window) {
        auto* buttons = window->findChild<QDialogButtonBox*>();
        QAbstractButton* pressed =
            buttons ? buttons->button(QDialogButtonBox::StandardButton(button)) : nullptr;
        QVERIFY2(pressed, qPrintable("no such button in " + window->windowTitle()));
        pressed->click();
    };
}

// Types text into an input box, or as the file name of a file dialog, and accepts it.
inline ModalAnswerer::Action type(const QString& text)
{
    return [text](QWidget* window) {
        if (auto* input = qobject_cast<QInputDialog*>(window))
            input->setTextValue(text);
        else
            window->findChild<QLineEdit*>("fileNameEdit")->setText(text);
        static_cast<QDialog*>(window)->accept();
    };
}

} // namespace Answer
Q_DECLARE_METATYPE(ModalAnswerer::Action)
