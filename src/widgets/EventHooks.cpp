#include "widgets/EventHooks.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QFocusEvent>
#include <QWidget>

namespace vrl {

namespace {

class EventHook : public QObject
{
public:
    EventHook(QWidget &control, QEvent::Type type, std::function<void()> handler)
        : QObject(&control)
        , m_type(type)
        , m_handler(std::move(handler))
    {
        // The mouse reaches a scrolling control (a memo, a list) through its viewport.
        auto *scrolling = qobject_cast<QAbstractScrollArea *>(&control);
        if (scrolling && type != QEvent::FocusOut)
            scrolling->viewport()->installEventFilter(this);
        else
            control.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Switching to another window is no leaving of the control.
        if (event->type() == m_type
            && !(m_type == QEvent::FocusOut
                 && static_cast<QFocusEvent *>(event)->reason() == Qt::ActiveWindowFocusReason))
            m_handler();
        return QObject::eventFilter(watched, event);
    }

private:
    QEvent::Type m_type;
    std::function<void()> m_handler;
};

} // namespace

void onClick(QWidget &control, std::function<void()> handler)
{
    new EventHook(control, QEvent::MouseButtonRelease, std::move(handler));
}

void onDoubleClick(QWidget &control, std::function<void()> handler)
{
    new EventHook(control, QEvent::MouseButtonDblClick, std::move(handler));
}

void onFocusOut(QWidget &control, std::function<void()> handler)
{
    new EventHook(control, QEvent::FocusOut, std::move(handler));
}

} // namespace vrl
