#include "widgets/RadioGroup.h"

#include <QRadioButton>

namespace vrl {

RadioGroup::RadioGroup(QWidget *parent)
    : QGroupBox(parent)
{ }

void RadioGroup::setItems(const QStringList &items)
{
    qDeleteAll(m_buttons);
    m_buttons.clear();
    m_items = items;
    m_index = -1;
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], this);
        button->setObjectName(QStringLiteral("item%1").arg(i));
        // Exclusivity is kept here, so that the group can also show no selection at all.
        button->setAutoExclusive(false);
        connect(button, &QRadioButton::clicked, this, [this, i] {
            select(i);
            emit clicked();
        });
        m_buttons << button;
        button->show();
    }
    arrange();
}

void RadioGroup::setItemIndex(int index)
{
    if (index < 0 || index >= count()) {
        select(-1);
        return;
    }
    const bool changed = index != m_index;
    select(index);
    if (changed)
        emit clicked();
}

void RadioGroup::select(int index)
{
    m_index = index;
    for (int i = 0; i < count(); ++i)
        m_buttons[i]->setChecked(i == index);
}

void RadioGroup::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    arrange();
}

void RadioGroup::arrange()
{
    if (m_buttons.isEmpty())
        return;
    // Items share the height inside the frame evenly, as in a classic radio group.
    const QRect inside = contentsRect().adjusted(6, 0, -2, -2);
    const int step = inside.height() / int(m_buttons.size());
    for (int i = 0; i < count(); ++i) {
        const int rowHeight = std::min(step, m_buttons[i]->sizeHint().height());
        const int y = inside.top() + i * step + (step - rowHeight) / 2;
        m_buttons[i]->setGeometry(inside.left(), y, inside.width(), rowHeight);
    }
}

} // namespace vrl
