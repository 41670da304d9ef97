#pragma once

#include <QFrame>
#include <QStringList>
#include <QVector>

class QLabel;

namespace vrl {

// A status bar of text panels. Every panel but the last has a fixed width; the last fills the
// rest. Texts are shown as written, leading blanks included.
class StatusBar : public QFrame
{
    Q_OBJECT
    // Widths of the panels before the last one, comma-separated: "296".
    Q_PROPERTY(QString panelWidths READ panelWidths WRITE setPanelWidths)
    Q_PROPERTY(QStringList panelTexts READ panelTexts WRITE setPanelTexts)

public:
    explicit StatusBar(QWidget *parent = nullptr);

    QString panelWidths() const;
    void setPanelWidths(const QString &widths);
    QStringList panelTexts() const;
    void setPanelTexts(const QStringList &texts);

    int panelCount() const { return int(m_panels.size()); }
    QString panelText(int index) const;
    void setPanelText(int index, const QString &text);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void ensurePanels(int count);
    void arrange();

    QVector<int> m_widths;
    QVector<QLabel *> m_panels;
};

} // namespace vrl
