#include "data/controls/DBEdit.h"

#include "basic/HandlerGuard.h"
#include "data/controls/FieldLink.h"

namespace vrl {

DBEdit::DBEdit(QWidget *parent)
    : QLineEdit(parent)
{
    m_link = new FieldLink(
        [this](const QString &text, bool editable) {
            if (text != this->text())
                setText(text);
            setReadOnly(!editable);
        },
        this);
    setReadOnly(true);
    connect(this, &QLineEdit::textEdited, m_link, &FieldLink::textEdited);
    connect(this, &QLineEdit::editingFinished, this, guarded([this] { m_link->finishEditing(); }));
}

void DBEdit::setDataset(Dataset *dataset)
{
    m_link->setDataset(dataset);
}

QString DBEdit::dataField() const
{
    return m_link->fieldName();
}

void DBEdit::setDataField(const QString &name)
{
    m_link->setFieldName(name);
}

} // namespace vrl
