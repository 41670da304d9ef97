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
        // Switching to another window is no leaving of the control, and neither is a popup
        // opening over it (its context menu): the focus comes back when the popup closes.
        if (event->type() == m_type && !(m_type == QEvent::FocusOut && staysInside(event)))
            m_handler();
        return QObject::eventFilter(watched, event);
    }

private:
    static bool staysInside(QEvent *event)
    {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
    }

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
