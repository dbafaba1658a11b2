#pragma once

#include "core/ExactTotal.h"
#include "data/Dataset.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

namespace kx {

class Database;
class ResultRefresher;
class SelectionSource;
struct SearchConditions;

// The order register as every feature sees it: the grid's result (the
// dataset gridResult) with its current row and the grid's selection, the
// show-all action, searches, edits and deletions, and the footer's figures —
// the row count text and the exact totals of quantity and amount, kept up
// row by row. No widget: the grid, the footer, the editor, the quick search,
// printing, import and export all work through this one object.
//
// The orders the show-all fetched stay in memory: a quick search is a filter
// over them, shown at once, and once the typing pauses the same statement
// runs against the file on another connection, so that what other stations
// changed since arrives without holding up the window.
class OrderRegister : public QObject {
    Q_OBJECT
public:
    explicit OrderRegister(Database& dm, QObject* parent = nullptr);

    Database& dm() const { return m_dm; }
    // The grid's result. Read it freely; change orders through the register.
    Dataset& result() const { return *m_result; }

    // "全部记录": the courier list afresh from the orders, then every order,
    // the cursor on the last row and the row count text set. A null courier
    // stops it with the conversion error after the list was emptied.
    void showAll();
    // A search statement's result replaces the grid's.
    void search(const QString& sql, const QVariantList& params = {});
    // The quick search: the orders fetched that the conditions' statement
    // would find, in the order it would give them, shown at once; the
    // statement itself runs against the file once typing pauses (see
    // settleDelayMs). A statement the file cannot run (a table or column
    // gone) throws its error here, and the grid is left empty.
    void quickSearch(const SearchConditions& conditions);
    // How long typing must pause before the file is asked.
    static constexpr int settleDelayMs = 120;
    // Runs the pending file statement now instead of after the pause.
    void settleNow();
    bool isSettling() const;

    int rowCount() const { return m_result && m_result->isOpen() ? m_result->rowCount() : 0; }
    int currentRow() const { return m_result ? m_result->currentRow() : -1; }
    void setCurrentRow(int row) { m_result->setCurrentRow(row); }
    // The current row's value of a field (see Dataset::field).
    QVariant currentField(const QString& name) const { return m_result->field(name); }

    void setSelectionSource(SelectionSource* source) { m_selection = source; }
    QList<int> selectedRows() const;

    // A new order, written at once; the result is not requeried.
    qint64 appendOrder(const FieldValues& values);
    // Whether the table still holds the order with that storage identity.
    bool orderExists(qint64 rowId) const;
    // Writes the values into the order; the grid's copy follows when the
    // order is in the result.
    void changeOrder(qint64 rowId, const FieldValues& values);
    // Writes the values into the order only while it still holds `loaded`,
    // every field as it was read when the editor loaded it: the grid may have
    // been fetched again since, and another station may have changed the
    // order, or deleted it and entered a new one under the same identity.
    // Otherwise nothing is written and the "Row cannot be located" error is
    // thrown. The grid's copy follows when the order is in the result.
    void changeLoadedOrder(qint64 rowId, const FieldValues& loaded, const FieldValues& values);
    // Deletes the given rows of the result in that order, committing about
    // every 100 ms and reporting the count done in between. A row another
    // station changed or deleted since it was fetched ends the deletion with
    // the engine's "Row cannot be located" error; the rows before it stay
    // deleted. Returns how many were deleted.
    int deleteRows(const QList<int>& rows, const std::function<void(int done)>& progress = {});
    // Writes `newValues(row)` into each of the given rows of the result, in
    // that order, committing about every 100 ms and reporting the count of
    // rows walked in between; rows whose values would not change are not
    // written. The grid's copy follows each committed chunk. A row another
    // station changed since it was fetched ("Row cannot be located"), or an
    // error thrown by `newValues`, ends it there: the rows before stay
    // written, the cursor stands on that row. Returns how many were written.
    int changeRows(const QList<int>& rows, const std::function<FieldValues(int row)>& newValues,
                   const std::function<void(int done)>& progress = {});

    // The footer's figures: "共n条记录" (set by show-all only) and the totals.
    const QString& rowCountText() const { return m_rowCountText; }
    // A closed result (before the first show-all, or after a failed
    // statement) has no totals at all.
    bool hasTotals() const { return m_result && m_result->isOpen(); }
    const ExactTotal& quantityTotal() const { return m_quantity; }
    const ExactTotal& amountTotal() const { return m_amount; }

signals:
    // The quick search's courier list: emptied (an empty list) before the
    // statement runs, then filled.
    void courierListChanged(const QStringList& couriers);
    void rowCountTextChanged(const QString& text);
    void totalsChanged();
    // The quick search's grid equals what its statement found in the file.
    void settled();
    // The statement run against the file after a quick search failed; the
    // grid keeps what it showed.
    void settleFailed(const QString& message);

private:
    void recomputeTotals();
    void addRow(int row, int sign);
    // Whether the grid's fetch holds every order (a show-all's, edited since).
    bool holdsEveryOrder() const;
    void fetchEveryOrder();
    // A change of the orders or of the result: the file statement running
    // for the quick search is not wanted any more; with the quick search
    // still shown it runs again after the pause.
    void supersedeSettle();
    void takeFresh(const std::shared_ptr<Dataset::Fresh>& fresh);
    bool showsQuickSearch() const;

    Database& m_dm;
    QPointer<Dataset> m_result;  // the data module may go first at exit
    SelectionSource* m_selection = nullptr;
    ResultRefresher* m_refresher;
    QTimer m_settleTimer;
    quint64 m_everyOrderFetch = 0;  // the fetch that holds every order; 0: none
    quint64 m_quickSearchFetch = 0; // the fetch the quick search's view was made over
    bool m_settling = false;        // the file statement is running
    QString m_rowCountText;
    ExactTotal m_quantity;
    ExactTotal m_amount;
    int m_quantityField = -1;
    int m_amountField = -1;
};

}  // namespace kx
