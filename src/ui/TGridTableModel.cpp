#include "ui/TGridTableModel.h"

#include "grid/TGridModel.h"

#include <QBrush>

using namespace dokrava;

TGridTableModel::TGridTableModel(TGridModel *grid, QObject *parent)
    : QAbstractTableModel(parent), m_grid(grid)
{
    m_rows = grid->rowCount() - grid->fixedRows();
    m_cols = grid->colCount() - grid->fixedCols();
    m_fixedRows = grid->fixedRows();
    m_fixedCols = grid->fixedCols();
    connect(grid, &TGridModel::reset, this, &TGridTableModel::onReset);
    connect(grid, &TGridModel::cellChanged, this, &TGridTableModel::onCellChanged);
    connect(grid, &TGridModel::markChanged, this, &TGridTableModel::onMarkChanged);
}

int TGridTableModel::gridCol(int viewCol) const { return viewCol + m_fixedCols; }
int TGridTableModel::gridRow(int viewRow) const { return viewRow + m_fixedRows; }
int TGridTableModel::viewCol(int gridCol) const { return gridCol < m_fixedCols ? -1 : gridCol - m_fixedCols; }
int TGridTableModel::viewRow(int gridRow) const { return gridRow < m_fixedRows ? -1 : gridRow - m_fixedRows; }

bool TGridTableModel::cornerMarked() const
{
    return m_fixedRows > 0 && m_fixedCols > 0 && m_grid->mark(0);
}

int TGridTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TGridTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant TGridTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int c = gridCol(index.column()), r = gridRow(index.row());
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_grid->cell(c, r);
    if (role == MarkRole)
        return c == 0 && m_grid->mark(r);
    // A marked record is tinted across its whole row, so the chosen records read at a glance.
    if (role == Qt::BackgroundRole && r > 0 && m_grid->mark(r))
        return QBrush(kMarkedRowColor);
    return {};
}

bool TGridTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    m_grid->setCell(gridCol(index.column()), gridRow(index.row()), value.toString());
    return true;
}

Qt::ItemFlags TGridTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant TGridTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const bool horizontal = orientation == Qt::Horizontal;
    if ((horizontal && m_fixedRows == 0) || (!horizontal && m_fixedCols == 0))
        return {};
    const int c = horizontal ? gridCol(section) : 0;
    const int r = horizontal ? 0 : gridRow(section);
    if (role == Qt::DisplayRole)
        return m_grid->cell(c, r);
    if (role == MarkRole)
        return c == 0 && m_grid->mark(r);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void TGridTableModel::onReset()
{
    const int rows = m_grid->rowCount() - m_grid->fixedRows();
    const int cols = m_grid->colCount() - m_grid->fixedCols();
    if (m_grid->fixedRows() != m_fixedRows || m_grid->fixedCols() != m_fixedCols) {
        beginResetModel();
        m_fixedRows = m_grid->fixedRows();
        m_fixedCols = m_grid->fixedCols();
        m_rows = rows;
        m_cols = cols;
        endResetModel();
        emit structureChanged();
        return;
    }
    // Growing or shrinking at the end keeps the view's column widths, which a reset would lose.
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }
    if (cols > m_cols) {
        beginInsertColumns({}, m_cols, cols - 1);
        m_cols = cols;
        endInsertColumns();
    } else if (cols < m_cols) {
        beginRemoveColumns({}, cols, m_cols - 1);
        m_cols = cols;
        endRemoveColumns();
    }
    if (m_rows > 0 && m_cols > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, m_cols - 1));
    if (m_cols > 0)
        emit headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
    if (m_rows > 0)
        emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
    emit cornerChanged();
    emit structureChanged();
}

void TGridTableModel::onCellChanged(int col, int row)
{
    const int vc = viewCol(col), vr = viewRow(row);
    if (vc >= 0 && vr >= 0)
        emit dataChanged(index(vr, vc), index(vr, vc));
    else if (vc >= 0)
        emit headerDataChanged(Qt::Horizontal, vc, vc);
    else if (vr >= 0)
        emit headerDataChanged(Qt::Vertical, vr, vr);
}

void TGridTableModel::onMarkChanged(int row)
{
    if (row == 0 && m_fixedRows > 0 && m_fixedCols > 0) {
        emit cornerChanged();
        return;
    }
    onCellChanged(0, row);
    const int vr = viewRow(row);
    if (vr >= 0 && m_cols > 0)
        emit dataChanged(index(vr, 0), index(vr, m_cols - 1), {Qt::BackgroundRole});
}
