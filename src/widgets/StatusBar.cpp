#include "widgets/StatusBar.h"

#include <QLabel>

namespace vrl {

StatusBar::StatusBar(QWidget *parent)
    : QFrame(parent)
{
    ensurePanels(1);
}

QString StatusBar::panelWidths() const
{
    QStringList parts;
    for (int width : m_widths)
        parts << QString::number(width);
    return parts.join(QLatin1Char(','));
}

void StatusBar::setPanelWidths(const QString &widths)
{
    m_widths.clear();
    for (const QString &part : widths.split(QLatin1Char(','), Qt::SkipEmptyParts))
        m_widths << part.trimmed().toInt();
    ensurePanels(int(m_widths.size()) + 1);
    arrange();
}

QStringList StatusBar::panelTexts() const
{
    QStringList texts;
    for (const QLabel *panel : m_panels)
        texts << panel->text();
    return texts;
}

void StatusBar::setPanelTexts(const QStringList &texts)
{
    ensurePanels(int(texts.size()));
    for (int i = 0; i < texts.size(); ++i)
        m_panels[i]->setText(texts[i]);
}

QString StatusBar::panelText(int index) const
{
    return index >= 0 && index < panelCount() ? m_panels[index]->text() : QString();
}

void StatusBar::setPanelText(int index, const QString &text)
{
    if (index < 0)
        return;
    ensurePanels(index + 1);
    m_panels[index]->setText(text);
}

void StatusBar::ensurePanels(int count)
{
    while (panelCount() < count) {
        auto *panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("panel%1").arg(panelCount()));
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setIndent(2);
        panel->show();
        m_panels << panel;
    }
    arrange();
}

void StatusBar::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    arrange();
}

void StatusBar::arrange()
{
    int x = 0;
    for (int i = 0; i < panelCount(); ++i) {
        const bool last = i == panelCount() - 1;
        const int w = last ? std::max(0, width() - x) : m_widths.value(i, 50);
        m_panels[i]->setGeometry(x, 0, w, height());
        x += w + 2;
    }
}

} // namespace vrl
