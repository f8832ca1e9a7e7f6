#pragma once
// The one table model of the logo list, which the Selection, Preview and Download pages
// all show (each through a sorting proxy of its own). It follows the list through the
// list's observer, so every view updates from its signals, and it writes the centring
// tick back into the list. It also holds the selection the three pages share: the logo
// chosen last on any of them, which moves with its row and is gone with it.
//
// Columns: the centring tick (Qt::CheckStateRole), the logo number ("%3d"), the file
// name, the NV data size ("%15d"), the key it is stored under by key (editable: a key
// the list refuses is not taken, and KeyRefused says why) and the adjustments' short
// text ("fit, 90°"; empty without any). kSortRole gives typed values to sort by: the
// number, the name (compared without regard to case by the proxies), the size, the key,
// the adjustments' text; the same value for every row in the tick column, so that
// sorting by it shows the list's order.
//
// Used on the window's thread only.
#include <QAbstractTableModel>
#include <QPersistentModelIndex>

#include "logo/LogoList.h"

class LogoTableModel final : public QAbstractTableModel, private LogoListObserver {
    Q_OBJECT
public:
    enum Column {
        kCheckColumn = 0,
        kNumberColumn,
        kNameColumn,
        kSizeColumn,
        kKeyColumn,
        kAdjustColumn,
        kColumnCount
    };
    static constexpr int kSortRole = Qt::UserRole;

    explicit LogoTableModel(LogoList& list, QObject* parent = nullptr);
    ~LogoTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const LogoList& List() const { return m_list; }
    // True when any listed logo has adjustments.
    bool AnyAdjusted() const;

    // The shared selection, as a row of this model; -1 for none.
    int SelectedRow() const;
    void SetSelectedRow(int row);

signals:
    // A key typed for the row was not taken; why says why.
    void KeyRefused(int row, const QString& why);

private:
    void BeforeAppend(int row) override;
    void AfterAppend() override;
    void BeforeRemove(int row) override;
    void AfterRemove() override;
    void BeforeClear() override;
    void AfterClear() override;
    void RowChanged(int row) override;

    LogoList& m_list;
    QPersistentModelIndex m_selected;
};
