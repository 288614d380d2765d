#include "TagWaiter.h"

#include "DialogExchange.h"

#include <QDynamicPropertyChangeEvent>
#include <QWidget>

TagWaiter::TagWaiter(QWidget* form) : m_form(form)
{
    connect(m_form, &QObject::destroyed, &m_loop, &QEventLoop::quit);
    m_form->installEventFilter(this);
}

void TagWaiter::wait()
{
    // A form that did not show has nobody to answer it.
    if (m_form && tagIsEmpty() && m_form->isVisible())
        m_loop.exec();
    // Left without an outcome: the form did not show, or the application is quitting.
    if (m_form && tagIsEmpty())
        m_form->setProperty(DialogExchange::Tag, DialogExchange::CANCEL);
}

bool TagWaiter::eventFilter(QObject* watched, QEvent* event)
{
    Q_UNUSED(watched); // only the form is watched
    if (event->type() == QEvent::DynamicPropertyChange) {
        auto* change = static_cast<QDynamicPropertyChangeEvent*>(event);
        if (change->propertyName() == DialogExchange::Tag && !tagIsEmpty())
            m_loop.quit();
    } else if (event->type() == QEvent::Hide && !event->spontaneous() && tagIsEmpty()) {
        // Spontaneous hides come from the window system (another virtual desktop, say)
        // and do not close the dialog.
        m_form->setProperty(DialogExchange::Tag, DialogExchange::CANCEL);
    }
    return false;
}

bool TagWaiter::tagIsEmpty() const
{
    return m_form->property(DialogExchange::Tag).toString().isEmpty();
}
