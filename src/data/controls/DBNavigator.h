#pragma once

#include "access/Dataset.h"

#include <QPointer>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QToolButton;

namespace vrl {

// A record navigator: a row of buttons that move through and edit the records of a dataset.
// Which buttons it shows is set by name ("first,prior,next,last,insert,delete,edit,post,cancel",
// any subset, in this fixed order); each button has a Czech hint. A button does its action on
// the bound dataset, then clicked() follows; a failed action is reported and sends no click.
// The buttons are enabled by the dataset's state and position.
class DBNavigator : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString visibleButtons READ visibleButtons WRITE setVisibleButtons)

public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel };
    Q_ENUM(Button)

    explicit DBNavigator(QWidget *parent = nullptr);

    QString visibleButtons() const;
    void setVisibleButtons(const QString &names);
    QToolButton *button(Button which) const { return m_buttons[which]; }

    void setDataset(Dataset *dataset);
    Dataset *dataset() const { return m_dataset; }

signals:
    void clicked(DBNavigator::Button button);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void arrange();
    void act(Button which);
    void updateButtons();

    QVector<QToolButton *> m_buttons;
    QPointer<Dataset> m_dataset;
};

} // namespace vrl
