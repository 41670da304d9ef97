#include "data/controls/DBNavigator.h"

#include <QToolButton>

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
        connect(button, &QToolButton::clicked, this, [this, i] { emit clicked(Button(i)); });
        m_buttons << button;
    }
    arrange();
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
