#include "ui/views/iorec_list_model.h"

#include "model/drv_specific_iorec.h"
#include "ui/widgets/icons.h"

namespace
{
// State images 1 to 4 and the header images 0 to 5, as resource numbers.
constexpr int kStateIconIds[] = {5100, 5101, 5108, 5109};
constexpr int kHeaderIconIds[] = {5107, 5104, 5105, 5106, 5102, 5103};
} // namespace

IORecListModel::IORecListModel(QObject *parent) : QAbstractTableModel(parent)
{
    const auto titles = IORecListColumnTitles();
    for (int i = 0; i < kColumns; ++i)
        titles_[i] = QString::fromStdString(titles[i]);
    for (int i = 0; i < 4; ++i)
        stateIcons_[i + 1] = Icons::Resource(kStateIconIds[i]);
    for (int i = 0; i < 6; ++i)
        headerIcons_[i] = Icons::Resource(kHeaderIconIds[i]);
}

int IORecListModel::GetItemCount() const
{
    return static_cast<int>(rows_.size());
}

void IORecListModel::InsertItem(int row, const std::string &text, int image)
{
    row = std::clamp(row, 0, GetItemCount());
    Row r;
    r.columns[0] = QString::fromStdString(text);
    r.image = image;
    if (batchDepth_ > 0) {
        batchReset_ = true;
        rows_.insert(rows_.begin() + row, std::move(r));
        return;
    }
    beginInsertRows(QModelIndex(), row, row);
    rows_.insert(rows_.begin() + row, std::move(r));
    endInsertRows();
}

void IORecListModel::SetItemText(int row, int column, const std::string &text)
{
    if (row < 0 || row >= GetItemCount() || column < 0 || column >= kColumns)
        return;
    QString value = QString::fromStdString(text);
    if (rows_[row].columns[column] == value)
        return;
    rows_[row].columns[column] = std::move(value);
    NoteChanged(row);
}

void IORecListModel::SetItemImage(int row, int image)
{
    if (row < 0 || row >= GetItemCount() || rows_[row].image == image)
        return;
    rows_[row].image = image;
    NoteChanged(row);
}

void IORecListModel::NoteChanged(int row)
{
    if (batchDepth_ > 0) {
        changedFirst_ = changedFirst_ < 0 ? row : std::min(changedFirst_, row);
        changedLast_ = std::max(changedLast_, row);
        return;
    }
    emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

void IORecListModel::Clear()
{
    if (rows_.empty())
        return;
    if (batchDepth_ > 0) {
        batchReset_ = true;
        rows_.clear();
        return;
    }
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void IORecListModel::RemoveRow(int row)
{
    if (row < 0 || row >= GetItemCount())
        return;
    if (batchDepth_ > 0) {
        batchReset_ = true;
        rows_.erase(rows_.begin() + row);
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void IORecListModel::BeginBatch()
{
    if (batchDepth_++ == 0 && !batchReset_) {
        changedFirst_ = changedLast_ = -1;
    }
}

void IORecListModel::EndBatch()
{
    if (batchDepth_ == 0 || --batchDepth_ > 0)
        return;
    if (batchReset_) {
        // The rows were replaced under the view: report it as a reset, which views handle in one step.
        batchReset_ = false;
        beginResetModel();
        endResetModel();
    } else if (changedFirst_ >= 0 && changedLast_ < GetItemCount()) {
        emit dataChanged(index(changedFirst_, 0), index(changedLast_, kColumns - 1));
    }
    changedFirst_ = changedLast_ = -1;
}

int IORecListModel::StateImage(int row) const
{
    return row >= 0 && row < GetItemCount() ? rows_[row].image : 0;
}

QString IORecListModel::Text(int row, int column) const
{
    if (row < 0 || row >= GetItemCount() || column < 0 || column >= kColumns)
        return {};
    return rows_[row].columns[column];
}

int IORecListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : GetItemCount();
}

int IORecListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant IORecListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &r = rows_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return r.columns[index.column()];
    case Qt::DecorationRole:
        if (index.column() == 0 && r.image >= 1 && r.image <= 4)
            return stateIcons_[r.image];
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant IORecListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return titles_[section];
    case Qt::DecorationRole:
        return section < 6 ? QVariant(headerIcons_[section]) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}
