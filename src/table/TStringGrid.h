#pragma once

#include <QTableView>

class TGridModel;

// The string grid widget that shows a TGridModel: fixed header row and marker column, marks
// painted pale green, field columns moved by dragging their header.
class TStringGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TStringGrid(QWidget *parent = nullptr);

    // Shows (and edits) the given model; the grid does not own it.
    void setGrid(TGridModel *grid);
    // The model shown.
    TGridModel *grid() const { return m_grid; }

private:
    TGridModel *m_grid = nullptr;
};
