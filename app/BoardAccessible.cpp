#include "app/BoardAccessible.h"

#include "app/BoardView.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace {

// The content of field p: its tile, or -1 for none.
int content(const Board &board, int p)
{
    return board.hasPicture(p) ? board.picture(p) : -1;
}

// One cell of the board: field p of the board widget. Cells have no object
// of their own; the table creates them when asked and deletes them with
// itself.
class CellInterface : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    CellInterface(BoardView *view, int field)
        : m_view(view)
        , m_field(field)
    {
    }

    int field() const { return m_field; }
    bool isValid() const override { return m_view && m_field < m_view->board().fieldCount(); }
    QObject *object() const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && isValid() ? BoardAccessible::cellName(m_view->board(), m_field) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect r = m_view->fieldRect(m_field);
        return QRect(m_view->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.focusable = true;
        s.focused = m_view->hasFocus() && m_view->announcer().focusCell() == m_field;
        s.invisible = !m_view->isVisible();
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface *>(this) : nullptr;
    }

    // --- the cell in its table ---
    bool isSelected() const override { return false; }
    QList<QAccessibleInterface *> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return isValid() ? m_field % m_view->side() : -1; }
    int rowIndex() const override { return isValid() ? m_field / m_view->side() : -1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

private:
    QPointer<BoardView> m_view;
    int m_field;
};

// The board widget: a table whose children are its cells.
class TableInterface : public QAccessibleWidget, public QAccessibleTableInterface
{
    Q_DECLARE_TR_FUNCTIONS(BoardAccessible)
public:
    explicit TableInterface(BoardView *view)
        : QAccessibleWidget(view, QAccessible::Table)
    {
    }
    ~TableInterface() override
    {
        for (QAccessible::Id id : std::as_const(m_cells))
            QAccessible::deleteAccessibleInterface(id);
    }

    BoardView *view() const { return static_cast<BoardView *>(widget()); }
    int fields() const { return view()->board().fieldCount(); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && view()->accessibleName().isEmpty())
            return tr("Spielfeld");
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return fields(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= fields())
            return nullptr;
        if (const auto id = m_cells.value(index))
            return QAccessible::accessibleInterface(id);
        auto *cell = new CellInterface(view(), index);
        m_cells.insert(index, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }
    int indexOfChild(const QAccessibleInterface *iface) const override
    {
        for (auto it = m_cells.cbegin(); it != m_cells.cend(); ++it)
            if (QAccessible::accessibleInterface(it.value()) == iface)
                return it.key() < fields() ? it.key() : -1;
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (int p = 0; p < fields(); ++p)
            if (QRect(view()->mapToGlobal(view()->fieldRect(p).topLeft()), view()->fieldRect(p).size()).contains(x, y))
                return child(p);
        return nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        return view()->hasFocus() ? child(view()->announcer().focusCell()) : nullptr;
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // --- the table: side x side cells, nothing selected, no headers ---
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        const int side = view()->side();
        return row >= 0 && row < side && column >= 0 && column < side ? child(row * side + column) : nullptr;
    }
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface *> selectedCells() const override { return {}; }
    QString columnDescription(int) const override { return QString(); }
    QString rowDescription(int) const override { return QString(); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override { return view()->side(); }
    int rowCount() const override { return view()->side(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *event) override
    {
        // A board of another size: the cells beyond it go.
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::ModelReset)
            return;
        for (auto it = m_cells.begin(); it != m_cells.end();)
            if (it.key() >= fields())
                QAccessible::deleteAccessibleInterface(it.value()), it = m_cells.erase(it);
            else
                ++it;
    }

private:
    mutable QHash<int, QAccessible::Id> m_cells;   // field -> the cell's interface
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String(BoardView::staticMetaObject.className()) && object && object->isWidgetType())
        return new TableInterface(static_cast<BoardView *>(object));
    return nullptr;
}

// The event of the board's cell p (the board itself for -1).
void send(BoardView *view, QAccessible::Event type, int cell)
{
    QAccessibleEvent event(view, type);
    event.setChild(cell);
    QAccessible::updateAccessibility(&event);
}

} // namespace

void BoardAccessible::install()
{
    static const bool installed = (QAccessible::installFactory(factory), true);
    Q_UNUSED(installed);
}

QString BoardAccessible::cellName(const Board &board, int p)
{
    const int tile = content(board, p);
    return tile < 0 ? TableInterface::tr("Feld %1: leer").arg(p + 1)
                    : TableInterface::tr("Feld %1: Teil %2").arg(p + 1).arg(tile + 1);
}

void BoardAnnouncer::boardChanged(BoardView *view)
{
    const Board &board = view->board();
    const int count = board.fieldCount();
    const bool resized = int(m_shown.size()) != count;
    std::vector<int> changed;
    std::vector<int> now(count);
    for (int p = 0; p < count; ++p)
        if ((now[p] = content(board, p)) != (resized ? -2 : m_shown[p]))
            changed.push_back(p);
    // A move: the empty field has one neighbour that changed and now holds
    // a tile, which takes the focus. Any other change (a new deal, a loaded
    // game) gives it to the empty field.
    const int empty = board.emptyField();
    int filled = -1, neighbours = 0;
    for (int p : changed)
        if (now[p] >= 0 && empty >= 0 && Tiles::steps(p, empty, board.side()) == 1)
            filled = p, ++neighbours;
    const int focusBefore = m_focus;
    if (!changed.empty() || m_focus < 0)
        m_focus = !resized && neighbours == 1 ? filled : std::max(empty, 0);
    m_shown = std::move(now);
    if (!QAccessible::isActive())
        return;
    if (resized) {
        // A new table (none before the first time): its cells are read anew.
        if (focusBefore >= 0) {
            QAccessibleTableModelChangeEvent reset(view, QAccessibleTableModelChangeEvent::ModelReset);
            QAccessible::updateAccessibility(&reset);
            send(view, QAccessible::ObjectReorder, -1);
        }
        return;
    }
    for (int p : changed)
        send(view, QAccessible::NameChanged, p);
    if (m_focus != focusBefore && view->hasFocus())
        send(view, QAccessible::Focus, m_focus);
}

void BoardAnnouncer::focusTaken(BoardView *view) const
{
    if (QAccessible::isActive() && m_focus >= 0)
        send(view, QAccessible::Focus, m_focus);
}
