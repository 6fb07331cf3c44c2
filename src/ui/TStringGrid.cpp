#include "ui/TStringGrid.h"

#include "grid/TGridModel.h"
#include "ui/TGridTableModel.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

using namespace dokrava;

namespace {

const int kColumnWidth = 64;
const int kRowHeight = 24;
// Records measured for a column's width: enough to see its usual texts, few enough for a table
// of a million rows.
const int kMeasuredRows = 1000;

// Paints marker cells of released (ordinary) columns after the usual look.
class MarkDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (index.data(TGridTableModel::MarkRole).toBool())
            TStringGrid::SG1DrawCell(painter, option.rect, index.data().toString());
    }
};

// Header that paints the marks of the marker column after the usual look.
class MarkHeader : public QHeaderView
{
public:
    using QHeaderView::QHeaderView;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        painter->save();
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        if (model() && model()->headerData(logicalIndex, orientation(), TGridTableModel::MarkRole).toBool())
            TStringGrid::SG1DrawCell(painter, rect,
                                     model()->headerData(logicalIndex, orientation()).toString());
    }
};

} // namespace

TStringGrid::TStringGrid(QWidget *parent)
    : QTableView(parent)
{
    auto *top = new MarkHeader(Qt::Horizontal, this);
    auto *side = new MarkHeader(Qt::Vertical, this);
    setHorizontalHeader(top);
    setVerticalHeader(side);
    top->setSectionsMovable(true);
    // Presses on the headers only mark rows and start column drags; they select nothing.
    top->setSectionsClickable(false);
    top->setHighlightSections(false);
    top->setDefaultSectionSize(kColumnWidth);
    top->setMinimumSectionSize(8);
    top->setSectionResizeMode(QHeaderView::Interactive);
    top->setFixedHeight(kRowHeight);
    side->setDefaultSectionSize(kRowHeight);
    side->setSectionResizeMode(QHeaderView::Fixed);
    side->setFixedWidth(kColumnWidth);
    side->setHighlightSections(false);
    side->setSectionsClickable(false);
    setItemDelegate(new MarkDelegate(this));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setShowGrid(true);
    setWordWrap(false);
    top->viewport()->installEventFilter(this);
    side->viewport()->installEventFilter(this);
    if (QWidget *corner = cornerButton())
        corner->installEventFilter(this);
    connect(top, &QHeaderView::sectionMoved, this, &TStringGrid::onSectionMoved);
}

QWidget *TStringGrid::cornerButton() const
{
    // QTableView's corner button is its only direct QAbstractButton child.
    for (QAbstractButton *b : findChildren<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly))
        return b;
    return nullptr;
}

void TStringGrid::setGrid(TGridModel *grid)
{
    m_grid = grid;
    delete m_model;
    m_model = new TGridTableModel(grid, this);
    setModel(m_model);
    connect(m_model, &TGridTableModel::cornerChanged, this, [this] {
        if (QWidget *corner = cornerButton())
            corner->update();
    });
    connect(m_model, &TGridTableModel::structureChanged, this, [this] {
        applyFixedAreas();
        showModelCurrent();
    });
    connect(grid, &TGridModel::currentChanged, this, [this] { showModelCurrent(); });
    applyFixedAreas();
    showModelCurrent();
}

void TStringGrid::applyFixedAreas()
{
    horizontalHeader()->setVisible(m_grid->fixedRows() > 0);
    verticalHeader()->setVisible(m_grid->fixedCols() > 0);
}

void TStringGrid::showModelCurrent()
{
    if (!m_grid || m_syncing)
        return;
    m_syncing = true;
    const int vc = m_model->viewCol(m_grid->col());
    const int vr = m_model->viewRow(m_grid->row());
    if (vc >= 0 && vr >= 0) {
        const QModelIndex idx = m_model->index(vr, vc);
        if (idx != currentIndex())
            selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
        scrollTo(idx);
    } else {
        // A current cell in a fixed area (the search can put it there) is shown by scrolling to it.
        selectionModel()->clearCurrentIndex();
        clearSelection();
        if (vc >= 0)
            scrollTo(m_model->index(std::max(0, vr), vc));
    }
    m_syncing = false;
}

void TStringGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (!m_grid || m_syncing || !current.isValid())
        return;
    m_syncing = true;
    m_grid->setCurrent(m_model->gridCol(current.column()), m_model->gridRow(current.row()));
    m_syncing = false;
}

void TStringGrid::onSectionMoved(int, int oldVisual, int newVisual)
{
    QHeaderView *top = horizontalHeader();
    // The header only animates the drag: the model's column order changes and the header goes
    // back to identity order, so logical and visual positions stay the same everywhere.
    QList<int> widths;
    for (int i = 0; i < top->count(); ++i)
        widths << top->sectionSize(top->logicalIndex(i));
    {
        const QSignalBlocker blocker(top);
        top->moveSection(newVisual, oldVisual);
    }
    const int from = m_model->gridCol(oldVisual), to = m_model->gridCol(newVisual);
    if (from < 1 || to < 1)
        return; // the marker column stays where it is
    m_grid->moveColumn(from, to);
    for (int i = 0; i < widths.size(); ++i)
        top->resizeSection(i, widths[i]);
}

QPoint TStringGrid::cellAt(const QPoint &pos) const
{
    if (!m_grid)
        return {-1, -1};
    const QPoint vp = viewport()->mapFrom(this, pos);
    if (viewport()->rect().contains(vp)) {
        const QModelIndex idx = indexAt(vp);
        if (!idx.isValid())
            return {-1, -1};
        return {m_model->gridCol(idx.column()), m_model->gridRow(idx.row())};
    }
    const QHeaderView *top = horizontalHeader();
    const QHeaderView *side = verticalHeader();
    const QPoint hp = top->mapFrom(this, pos);
    if (top->isVisible() && top->rect().contains(hp)) {
        const int section = top->logicalIndexAt(hp.x());
        return section < 0 ? QPoint(-1, -1) : QPoint(m_model->gridCol(section), 0);
    }
    const QPoint sp = side->mapFrom(this, pos);
    if (side->isVisible() && side->rect().contains(sp)) {
        const int section = side->logicalIndexAt(sp.y());
        return section < 0 ? QPoint(-1, -1) : QPoint(0, m_model->gridRow(section));
    }
    const QWidget *corner = cornerButton();
    if (corner && corner->isVisible() && corner->geometry().contains(pos) && top->isVisible() && side->isVisible())
        return {0, 0};
    return {-1, -1};
}

QRect TStringGrid::cellRect(int col, int row) const
{
    if (!m_grid)
        return {};
    const int vc = m_model->viewCol(col), vr = m_model->viewRow(row);
    const QHeaderView *top = horizontalHeader();
    const QHeaderView *side = verticalHeader();
    if (vc >= 0 && vr >= 0) {
        const QRect r = visualRect(m_model->index(vr, vc));
        return QRect(viewport()->mapTo(this, r.topLeft()), r.size());
    }
    if (vr < 0 && vc >= 0)
        return QRect(top->mapTo(this, QPoint(top->sectionViewportPosition(vc), 0)),
                     QSize(top->sectionSize(vc), top->height()));
    if (vc < 0 && vr >= 0)
        return QRect(side->mapTo(this, QPoint(0, side->sectionViewportPosition(vr))),
                     QSize(side->width(), side->sectionSize(vr)));
    const QWidget *corner = cornerButton();
    return corner ? corner->geometry() : QRect();
}

void TStringGrid::commitEdit()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex()) ? indexWidget(currentIndex()) : focusWidget()) {
        if (editor != this && isAncestorOf(editor)) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
}

void TStringGrid::fitColumnsToContents(int maxChars)
{
    if (!m_grid)
        return;
    const QFontMetrics cells = fontMetrics();
    const QFontMetrics heads = horizontalHeader()->fontMetrics();
    const int limit = std::max(kColumnWidth, cells.averageCharWidth() * maxChars);
    // Room for the cell's margins and the header's sort indicator area.
    const int padding = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this) + 8;
    const int rows = std::min(m_grid->rowCount(), kMeasuredRows + 1);
    for (int view = 0; view < m_model->columnCount(); ++view) {
        const int col = m_model->gridCol(view);
        int width = heads.horizontalAdvance(m_grid->cell(col, 0));
        for (int row = 1; row < rows; ++row)
            width = std::max(width, cells.horizontalAdvance(m_grid->cell(col, row)));
        setColumnWidth(view, std::clamp(width + padding, kColumnWidth, limit));
    }
}

void TStringGrid::SG1DrawCell(QPainter *painter, const QRect &rect, const QString &text)
{
    const QPen pen = painter->pen();
    const QFont font = painter->font();
    const QBrush brush = painter->brush();
    painter->setPen(Qt::black);
    QFont bold = font;
    bold.setBold(true);
    painter->setFont(bold);
    painter->setBrush(QColor(219, 255, 220));
    painter->fillRect(rect, painter->brush());
    painter->drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->setPen(pen);
    painter->setFont(font);
    painter->setBrush(brush);
}

void TStringGrid::mousePressEvent(QMouseEvent *event)
{
    QTableView::mousePressEvent(event);
    emit mouseDown(event->button(), event->modifiers(), viewport()->mapTo(this, event->position().toPoint()));
}

bool TStringGrid::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *corner = cornerButton();
    if (watched == corner && event->type() == QEvent::Paint && m_model && m_model->cornerMarked()) {
        QPainter painter(corner);
        SG1DrawCell(&painter, corner->rect(), m_grid->cell(0, 0));
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto *w = static_cast<QWidget *>(watched);
        auto *me = static_cast<QMouseEvent *>(event);
        const QPoint pos = w->mapTo(this, me->position().toPoint());
        if (watched == corner) {
            // The corner selects nothing here; the press only counts for row 0's mark.
            emit mouseDown(me->button(), me->modifiers(), pos);
            return true;
        }
        if (watched == horizontalHeader()->viewport() || watched == verticalHeader()->viewport())
            emit mouseDown(me->button(), me->modifiers(), pos);
    }
    return QTableView::eventFilter(watched, event);
}
