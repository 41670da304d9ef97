#include "data/controls/FieldLink.h"

#include "access/DataError.h"
#include "access/Dataset.h"

namespace vrl {

FieldLink::FieldLink(ShowText show, QObject *parent)
    : QObject(parent)
    , m_show(std::move(show))
{ }

void FieldLink::setDataset(Dataset *dataset)
{
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    m_shownUnbound = false;
    if (dataset) {
        connect(dataset, &Dataset::reset, this, &FieldLink::refresh);
        connect(dataset, &Dataset::cursorMoved, this, &FieldLink::refresh);
        connect(dataset, &Dataset::stateChanged, this, &FieldLink::refresh);
        connect(dataset, &Dataset::rowChanged, this, [this](int row) {
            if (m_dataset && row == m_dataset->recNo() - 1)
                refresh();
        });
    }
    refresh();
}

void FieldLink::setFieldName(const QString &name)
{
    if (!name.isEmpty() && m_dataset && m_dataset->isActive())
        m_dataset->fieldByName(name); // an unknown name fails here
    m_fieldName = name;
    m_shownUnbound = false;
    refresh();
}

bool FieldLink::hasField() const
{
    return isBound() && m_dataset && m_dataset->isActive()
        && m_dataset->findField(m_fieldName).has_value();
}

void FieldLink::refresh()
{
    if (m_writing)
        return;
    m_waiting.reset();
    if (!hasField()) {
        if (!m_shownUnbound)
            m_show(QString(), false);
        m_shownUnbound = true;
        return;
    }
    m_shownUnbound = false;
    m_show(m_dataset->fieldByName(m_fieldName).text(),
           !m_dataset->isEmpty() || m_dataset->state() == Dataset::State::Insert);
}

void FieldLink::textEdited(const QString &text)
{
    if (!hasField())
        return;
    m_writing = true;
    try {
        m_dataset->fieldByName(m_fieldName).setText(text);
        m_waiting.reset();
    } catch (const DataError &) {
        m_waiting = text;
    }
    m_writing = false;
}

void FieldLink::finishEditing()
{
    if (!m_waiting || !hasField())
        return;
    const QString text = *m_waiting;
    m_writing = true;
    try {
        m_dataset->fieldByName(m_fieldName).setText(text);
    } catch (...) {
        m_writing = false;
        throw;
    }
    m_writing = false;
    m_waiting.reset();
}

} // namespace vrl
