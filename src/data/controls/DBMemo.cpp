#include "data/controls/DBMemo.h"

#include "basic/HandlerGuard.h"
#include "data/controls/FieldLink.h"

namespace vrl {

DBMemo::DBMemo(QWidget *parent)
    : QPlainTextEdit(parent)
{
    m_link = new FieldLink(
        [this](const QString &text, bool editable) {
            // Only the user's own changes go to the field.
            m_showing = true;
            if (text != toPlainText())
                setPlainText(text);
            m_showing = false;
            setReadOnly(!editable);
        },
        this);
    setReadOnly(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showing)
            m_link->textEdited(toPlainText());
    });
}

void DBMemo::setDataset(Dataset *dataset)
{
    m_link->setDataset(dataset);
}

QString DBMemo::dataField() const
{
    return m_link->fieldName();
}

void DBMemo::setDataField(const QString &name)
{
    m_link->setFieldName(name);
}

void DBMemo::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    guarded([this] { m_link->finishEditing(); })();
}

} // namespace vrl
