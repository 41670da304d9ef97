#pragma once

#include <QGroupBox>
#include <QStringList>
#include <QVector>

class QRadioButton;

namespace vrl {

// A group box of radio items, one column, with an item index (-1 = none selected).
// A click of the user on any item emits clicked(), also on the item already selected;
// setting the index from code emits clicked() only when it selects another item, and
// setting -1 never does (so code can clear the choice without running the handler).
class RadioGroup : public QGroupBox
{
    Q_OBJECT
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex)

public:
    explicit RadioGroup(QWidget *parent = nullptr);

    QStringList items() const { return m_items; }
    void setItems(const QStringList &items);
    int itemIndex() const { return m_index; }
    void setItemIndex(int index);
    int count() const { return int(m_buttons.size()); }
    QRadioButton *button(int index) const { return m_buttons.value(index); }

signals:
    void clicked();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void select(int index);
    void arrange();

    QStringList m_items;
    QVector<QRadioButton *> m_buttons;
    int m_index = -1;
};

} // namespace vrl
