#include "data/controls/DBNavigator.h"

#include "access/Dataset.h"
#include "basic/HandlerGuard.h"
#include "basic/Prompts.h"

#include <QToolButton>

namespace vrl {

namespace {

struct ButtonLook
{
    const char *name;
    const char16_t *glyph;
    const char16_t *hint;
};

const ButtonLook kLooks[] = {
    { "first", u"⇤", u"první záznam" },      { "prior", u"◀", u"předchozí záznam" },
    { "next", u"▶", u"následující záznam" }, { "last", u"⇥", u"poslední záznam" },
    { "insert", u"+", u"vložit záznam" },    { "delete", u"−", u"smazat záznam" },
    { "edit", u"▲", u"upravit záznam" },     { "post", u"✔", u"potvrdit edici" },
    { "cancel", u"✖", u"zrušit edici" },
};

} // namespace

DBNavigator::DBNavigator(QWidget *parent)
    : QWidget(parent)
{
    for (int i = 0; i <= Cancel; ++i) {
        auto *button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(kLooks[i].name));
        button->setText(QString::fromUtf16(kLooks[i].glyph));
        button->setToolTip(QString::fromUtf16(kLooks[i].hint));
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, i] {
            guarded([this, i] {
                act(Button(i));
                emit clicked(Button(i));
            })();
        });
        m_buttons << button;
    }
    arrange();
    updateButtons();
}

void DBNavigator::setDataset(Dataset *dataset)
{
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    if (dataset) {
        connect(dataset, &Dataset::reset, this, &DBNavigator::updateButtons);
        connect(dataset, &Dataset::rowInserted, this, &DBNavigator::updateButtons);
        connect(dataset, &Dataset::rowRemoved, this, &DBNavigator::updateButtons);
        connect(dataset, &Dataset::cursorMoved, this, &DBNavigator::updateButtons);
        connect(dataset, &Dataset::stateChanged, this, &DBNavigator::updateButtons);
        connect(dataset, &QObject::destroyed, this, &DBNavigator::updateButtons,
                Qt::QueuedConnection);
    }
    updateButtons();
}

void DBNavigator::act(Button which)
{
    if (!m_dataset)
        return;
    Dataset &data = *m_dataset;
    switch (which) {
    case First:
        data.first();
        break;
    case Prior:
        data.prior();
        break;
    case Next:
        data.next();
        break;
    case Last:
        data.last();
        break;
    case Insert:
        data.insert();
        break;
    case Delete:
        // A deleted record is gone from the database, so the user says it twice.
        if (prompts().confirm(QStringLiteral("Smazat záznam?")))
            data.remove();
        break;
    case Edit:
        data.edit();
        break;
    case Post:
        data.post();
        break;
    case Cancel:
        data.cancel();
        break;
    }
}

void DBNavigator::updateButtons()
{
    const bool active = m_dataset && m_dataset->isActive();
    const bool editing = active
        && (m_dataset->state() == Dataset::State::Edit
            || m_dataset->state() == Dataset::State::Insert);
    const int recNo = active ? m_dataset->recNo() : 0;
    const int count = active ? m_dataset->recordCount() : 0;
    m_buttons[First]->setEnabled(recNo > 1);
    m_buttons[Prior]->setEnabled(recNo > 1);
    m_buttons[Next]->setEnabled(recNo >= 1 && recNo < count);
    m_buttons[Last]->setEnabled(recNo >= 1 && recNo < count);
    m_buttons[Insert]->setEnabled(active);
    m_buttons[Delete]->setEnabled(count > 0);
    m_buttons[Edit]->setEnabled(count > 0 && !editing);
    m_buttons[Post]->setEnabled(editing);
    m_buttons[Cancel]->setEnabled(editing);
}

QString DBNavigator::visibleButtons() const
{
    QStringList names;
    for (const QToolButton *button : m_buttons) {
        if (!button->isHidden())
            names << button->objectName();
    }
    return names.join(QLatin1Char(','));
}

void DBNavigator::setVisibleButtons(const QString &names)
{
    const QStringList wanted = names.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QToolButton *button : m_buttons)
        button->setHidden(!wanted.contains(button->objectName()));
    arrange();
}

void DBNavigator::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    arrange();
}

void DBNavigator::arrange()
{
    QVector<QToolButton *> shown;
    for (QToolButton *button : m_buttons) {
        if (!button->isHidden())
            shown << button;
    }
    if (shown.isEmpty())
        return;
    // The buttons share the width evenly; the last one takes what the division leaves.
    const int count = int(shown.size());
    const int step = width() / count;
    for (int i = 0; i < count; ++i) {
        const int w = i == count - 1 ? width() - step * i : step;
        shown[i]->setGeometry(step * i, 0, w, height());
    }
}

} // namespace vrl
