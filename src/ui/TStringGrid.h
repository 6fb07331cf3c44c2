#pragma once

#include <QTableView>

class QHeaderView;
class QPainter;
namespace dokrava {
class TGridModel;
}
class TGridTableModel;

// The string grid widget that shows a TGridModel: the fixed header row (field names) stays in
// view as the horizontal header and is not edited in place, the fixed marker column is the
// vertical header, marks are painted pale green, field columns move by dragging their header.
// The current cell follows the model both ways.
class TStringGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TStringGrid(QWidget *parent = nullptr);

    // Shows (and edits) the given model; the grid does not own it.
    void setGrid(dokrava::TGridModel *grid);
    // The model shown.
    dokrava::TGridModel *grid() const { return m_grid; }

    // The grid cell (column, row) under a point in this widget's coordinates, headers and corner
    // included; (-1, -1) outside every cell.
    QPoint cellAt(const QPoint &pos) const;
    // The rectangle of a grid cell in this widget's coordinates (empty when not shown).
    QRect cellRect(int col, int row) const;

    // Finishes an edit in progress, storing the typed text in the model.
    void commitEdit();

    // Sizes every column to its header and the texts of its first records, at most about
    // maxChars characters and at least the default width. The user's own widths then stay until
    // the next call.
    void fitColumnsToContents(int maxChars = 40);

    // Paints a marked cell: black bold text on pale green (219, 255, 220), the text 2 pixels
    // right of and below the top-left corner; the painter's pen, font and brush are restored.
    static void SG1DrawCell(QPainter *painter, const QRect &rect, const QString &text);

signals:
    // A mouse button was pressed over the grid (cells, headers or corner); pos in this
    // widget's coordinates. Emitted after the grid's own handling of the press.
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void onSectionMoved(int logical, int oldVisual, int newVisual);
    void showModelCurrent();
    void applyFixedAreas();
    QWidget *cornerButton() const;

    dokrava::TGridModel *m_grid = nullptr;
    TGridTableModel *m_model = nullptr;
    bool m_syncing = false;
};
