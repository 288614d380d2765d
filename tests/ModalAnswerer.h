#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

// Answers the windows that a test action opens, in the order the answers were queued: the
// active modal window (message box, input box, file dialog) or a visible top-level window
// of a given objectName, such as a modeless entry dialog. Queue the answers, then run the
// action that opens the windows.
//
// Every answered window is recorded in seen. A modal window that no answer expects is
// rejected, and an answer whose window does not show within the timeout is dropped with the
// rest of the queue; both are recorded in failures, so that no test hangs.
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    struct Seen
    {
        QString className;
        QString title;
        QString text; // a message box's text, an input box's label
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    };
    using Action = std::function<void(QWidget*)>;

    explicit ModalAnswerer(int timeoutMs = 5000);

    // Answers for the next modal window.
    void press(QMessageBox::StandardButton button); // any dialog with standard buttons
    void type(const QString& text); // input box or file dialog: types the text and accepts
    void cancel();
    void act(const Action& action);
    // Runs the action on the top-level window of that objectName once it is visible.
    void actOnWindow(const QString& objectName, const Action& action);

    // Every queued answer was given and nothing failed.
    bool done() const { return queue.isEmpty() && failures.isEmpty(); }

    QList<Seen> seen;
    QStringList failures;

private:
    struct Answer
    {
        QString windowName; // empty: the active modal window
        Action action;
    };

    void poll();
    QWidget* target(const Answer& answer) const;
    void record(QWidget* window);
    void fail(const QString& why, QWidget* window);

    QList<Answer> queue;
    QTimer timer;
    QElapsedTimer waiting; // since the first queued answer became the next one
    int timeoutMs;
    bool acting = false; // an answer was taken and its action has not run yet
};
