#pragma once

#include <QAbstractTableModel>
#include <QColor>

namespace dokrava {
class TGridModel;
}

// Presents a TGridModel to a table view: the fixed header row becomes the horizontal header and
// the fixed marker column the vertical header; released fixed areas become ordinary rows and
// columns. The view's indexes are the grid's cells shifted by the fixed counts.
class TGridTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Role giving the record mark of a cell's row, for marker cells only (bool).
    static constexpr int MarkRole = Qt::UserRole + 1;
    // The tint of a marked record's cells: the marker cell's pale green.
    static constexpr QColor kMarkedRowColor = QColor(219, 255, 220);

    explicit TGridTableModel(dokrava::TGridModel *grid, QObject *parent = nullptr);

    // The grid column and row of a view index (or header section).
    int gridCol(int viewCol) const;
    int gridRow(int viewRow) const;
    // The view position of a grid cell; -1 when it lies in a fixed area.
    int viewCol(int gridCol) const;
    int viewRow(int gridRow) const;
    // True when the marker cell of row 0 is drawn in the view's corner (both areas fixed).
    bool cornerMarked() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // The corner cell needs repainting.
    void cornerChanged();
    // Counts or fixed areas changed; the view may have lost its current cell.
    void structureChanged();

private:
    void onReset();
    void onCellChanged(int col, int row);
    void onMarkChanged(int row);

    dokrava::TGridModel *m_grid;
    int m_rows = 0;
    int m_cols = 0;
    int m_fixedRows = 0;
    int m_fixedCols = 0;
};
