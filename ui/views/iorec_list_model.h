#pragma once
// The rows of the poll-record list (control 5010) as an item model. Each poll record writes its own
// row through the IListControl side; the view only shows what they wrote. Column 0 carries the state
// image, the first six headers their images.
#include "model/list_control.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <array>
#include <vector>

class IORecListModel : public QAbstractTableModel, public IListControl
{
    Q_OBJECT
public:
    static constexpr int kColumns = 9;

    explicit IORecListModel(QObject *parent = nullptr);

    // ---- IListControl ----
    int GetItemCount() const override;
    void InsertItem(int row, const std::string &text, int image) override;
    void SetItemText(int row, int column, const std::string &text) override;
    void SetItemImage(int row, int image) override;

    // Deletes every row.
    void Clear();
    // Removes one row.
    void RemoveRow(int row);
    // While a batch is open, changed rows are collected and reported once when it closes; rows
    // inserted in a batch are reported as one reset.
    void BeginBatch();
    void EndBatch();

    // The state image a row shows (1 good, 2 error, 3 not polled yet, 4 no live status).
    int StateImage(int row) const;
    QString Text(int row, int column) const;

    // ---- QAbstractTableModel ----
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        std::array<QString, kColumns> columns;
        int image = 4;
    };
    void NoteChanged(int row);

    std::vector<Row> rows_;
    std::array<QString, kColumns> titles_;
    std::array<QIcon, 5> stateIcons_; // by state image 1..4
    std::array<QIcon, 6> headerIcons_;
    int batchDepth_ = 0;
    bool batchReset_ = false;
    int changedFirst_ = -1;
    int changedLast_ = -1;
};
