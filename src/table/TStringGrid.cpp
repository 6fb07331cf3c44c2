#include "table/TStringGrid.h"

#include "table/TGridModel.h"

TStringGrid::TStringGrid(QWidget *parent)
    : QTableView(parent)
{
}

void TStringGrid::setGrid(TGridModel *grid)
{
    m_grid = grid;
}
