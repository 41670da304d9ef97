#include "data/controls/DatasetModel.h"

#include "access/Dataset.h"
#include "basic/HandlerGuard.h"

namespace vrl {

namespace {

// The record marker in the row header: current, being edited, being inserted.
QString rowMarker(Dataset::State state)
{
    switch (state) {
    case Dataset::State::Edit:
        return QStringLiteral("✎");
    case Dataset::State::Insert:
        return QStringLiteral("✱");
    default:
        return QStringLiteral("▶");
    }
}

} // namespace

DatasetModel::DatasetModel(QObject *parent)
    : QAbstractTableModel(parent)
{ }

void DatasetModel::setDataset(Dataset *dataset)
{
    if (m_dataset == dataset)
        return;
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    if (m_attached)
        watch();
    resetFromDataset();
}

void DatasetModel::setAttached(bool attached)
{
    if (m_attached == attached)
        return;
    m_attached = attached;
    if (!m_dataset)
        return;
    if (attached) {
        watch();
        resetFromDataset();
    } else {
        disconnect(m_dataset, nullptr, this, nullptr);
    }
}

void DatasetModel::watch()
{
    if (!m_dataset)
        return;
    connect(m_dataset, &Dataset::reset, this, &DatasetModel::resetFromDataset);
    connect(m_dataset, &QObject::destroyed, this, &DatasetModel::resetFromDataset,
            Qt::QueuedConnection);
    connect(m_dataset, &Dataset::rowChanged, this, [this](int row) {
        if (row >= 0 && row < m_rows)
            emit dataChanged(index(row, 0), index(row, m_columns - 1));
    });
    connect(m_dataset, &Dataset::rowInserted, this, [this](int row) {
        beginInsertRows({}, row, row);
        ++m_rows;
        endInsertRows();
    });
    connect(m_dataset, &Dataset::rowRemoved, this, [this](int row) {
        beginRemoveRows({}, row, row);
        --m_rows;
        if (m_currentRow == row)
            m_currentRow = -1;
        endRemoveRows();
    });
    connect(m_dataset, &Dataset::cursorMoved, this, &DatasetModel::markCurrentRow);
    connect(m_dataset, &Dataset::stateChanged, this, [this] {
        if (m_currentRow >= 0)
            emit headerDataChanged(Qt::Vertical, m_currentRow, m_currentRow);
    });
}

void DatasetModel::resetFromDataset()
{
    beginResetModel();
    const bool open = m_dataset && m_dataset->isActive();
    m_rows = open ? m_dataset->recordCount() : 0;
    m_columns = open ? m_dataset->fieldCount() : 0;
    m_currentRow = open ? m_dataset->recNo() - 1 : -1;
    endResetModel();
}

void DatasetModel::markCurrentRow(int viewRow)
{
    const int previous = m_currentRow;
    m_currentRow = viewRow;
    if (previous >= 0 && previous < m_rows)
        emit headerDataChanged(Qt::Vertical, previous, previous);
    if (viewRow >= 0 && viewRow < m_rows)
        emit headerDataChanged(Qt::Vertical, viewRow, viewRow);
}

int DatasetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DatasetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant DatasetModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    // A detached model may be asked about rows the dataset no longer has.
    if (!m_dataset || !m_dataset->isActive() || index.row() >= m_dataset->recordCount()
        || index.column() >= m_dataset->fieldCount())
        return {};
    return m_dataset->valueAt(index.row(), index.column()).toText();
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_dataset || !m_dataset->isActive())
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_dataset->fieldCount() ? m_dataset->rows().fields()[size_t(section)].name
                                                 : QString();
    return section == m_currentRow ? rowMarker(m_dataset->state()) : QString();
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool DatasetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !m_dataset || !m_dataset->isActive())
        return false;
    bool written = false;
    guarded([&] {
        if (index.row() != m_dataset->recNo() - 1)
            m_dataset->moveTo(index.row() + 1);
        m_dataset->field(index.column()).setText(value.toString());
        written = true;
    })();
    return written;
}

} // namespace vrl
