#pragma once

#include <QEventLoop>
#include <QObject>
#include <QPointer>

class QWidget;

// Waits, in a nested event loop that sleeps until an event arrives, for a form's "Tag"
// property to hold an outcome word. Other windows keep working meanwhile, and a second
// wait may start inside the first.
//
// A form that is hidden without an outcome (closed by the window manager, or with every
// other window at shutdown) gets the outcome "CANCEL", so that no wait outlives its
// dialog. The wait also ends when the form is destroyed or the application quits.
class TagWaiter : public QObject
{
    Q_OBJECT
public:
    explicit TagWaiter(QWidget* form);

    void wait();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool tagIsEmpty() const;

    QPointer<QWidget> m_form;
    QEventLoop m_loop;
};
