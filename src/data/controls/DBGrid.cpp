#include "data/controls/DBGrid.h"

#include "access/Dataset.h"
#include "basic/HandlerGuard.h"
#include "data/controls/DatasetModel.h"

#include <QHeaderView>
#include <QPointer>

#include <algorithm>

namespace vrl {

namespace {

// Characters a column shows without widening: enough for its usual values, not so many that
// one long text column pushes the others out of sight.
int typicalCharacters(const FieldInfo &field)
{
    switch (field.type) {
    case FieldType::Bool:
        return 5;
    case FieldType::Int:
        return 10;
    case FieldType::Double:
    case FieldType::Decimal:
        return 12;
    case FieldType::DateTime:
        return 18;
    default:
        return field.size > 0 ? std::clamp(field.size, 4, 32) : 20;
    }
}

} // namespace

DBGrid::DBGrid(QWidget *parent)
    : QTableView(parent)
    , m_model(new DatasetModel(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setTabKeyNavigation(false);
    // Every row has the same height, so a million rows scroll without measuring any of them.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(14);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    setReadOnly(false);

    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { emit cellClicked(index.column()); });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { emit titleClicked(column); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { moveCursorTo(current); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        // Widths are set for a new set of fields only: a sort or a filter keeps what the user
        // made of them.
        const QStringList fields = dataset() ? dataset()->fieldNames() : QStringList();
        if (fields != m_sizedFields && !fields.isEmpty()) {
            m_sizedFields = fields;
            sizeColumns();
        }
        if (dataset() && dataset()->isActive())
            followCursor(dataset()->recNo() - 1);
    });
}

void DBGrid::setDataset(Dataset *dataset)
{
    if (this->dataset())
        disconnect(this->dataset(), nullptr, this, nullptr);
    m_model->setDataset(dataset);
    if (dataset)
        connect(dataset, &Dataset::cursorMoved, this, [this](int row) {
            if (isAttached())
                followCursor(row);
        });
}

Dataset *DBGrid::dataset() const
{
    return m_model->dataset();
}

void DBGrid::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers
                             : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                            | QAbstractItemView::AnyKeyPressed);
}

void DBGrid::detach()
{
    m_model->setAttached(false);
    setUpdatesEnabled(false);
}

void DBGrid::attach()
{
    setUpdatesEnabled(true);
    m_model->setAttached(true);
}

bool DBGrid::isAttached() const
{
    return m_model->isAttached();
}

int DBGrid::selectedColumn() const
{
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

void DBGrid::followCursor(int viewRow)
{
    if (viewRow < 0 || viewRow >= m_model->rowCount())
        return;
    const int column = std::max(currentIndex().column(), 0);
    const QModelIndex target = m_model->index(viewRow, column);
    if (target == currentIndex())
        return;
    m_following = true;
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    m_following = false;
    scrollTo(target);
}

void DBGrid::moveCursorTo(const QModelIndex &current)
{
    Dataset *data = dataset();
    if (m_following || !current.isValid() || !data || !data->isActive()
        || current.row() == data->recNo() - 1)
        return;
    guarded([&] { data->moveTo(current.row() + 1); })();
    // A move that failed (a pending edit that cannot be posted) leaves the grid where the
    // dataset still is.
    if (data->isActive() && data->recNo() - 1 != current.row())
        QMetaObject::invokeMethod(
            this,
            [this, still = QPointer<Dataset>(data)] {
                if (still && still->isActive())
                    followCursor(still->recNo() - 1);
            },
            Qt::QueuedConnection);
}

void DBGrid::sizeColumns()
{
    const Dataset *data = dataset();
    if (!data || !data->isActive())
        return;
    const int charWidth = fontMetrics().averageCharWidth();
    for (int c = 0; c < data->fieldCount(); ++c) {
        const FieldInfo &field = data->rows().fields()[size_t(c)];
        const int forTitle = fontMetrics().horizontalAdvance(field.name) + 12;
        setColumnWidth(c, std::max(forTitle, typicalCharacters(field) * charWidth + 8));
    }
}

} // namespace vrl
