#pragma once

#include "Parameters.h"
#include "SortExpression.h"

#include <QDate>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

struct pg_result;

namespace data {

class Connection;
class FilterExpression;

// A query whose rows are fetched whole into a snapshot on the workstation. Sorting,
// filtering and locating work on the snapshot; it sees later changes only when opened
// again. Closing forgets the sort expression; the filter stays until changed.
// Row numbers are positions among the rows that pass the filter, in sort order.
class ResultSet : public QObject {
    Q_OBJECT
public:
    explicit ResultSet(Connection& connection, const QString& name = {}, QObject* parent = nullptr);
    ~ResultSet() override;

    QString name() const { return objectName(); }
    // Where the next open() reads from (a print that reads from the report server); closes.
    void setConnection(Connection& connection);

    void setSql(const QString& sql);
    QString sql() const { return sql_; }
    // Each open plans the statement for its parameters' values (period reports); by default the
    // server keeps one plan for the session (the journal's reloads).
    void setFreshPlans(bool on) { freshPlans_ = on; }
    // A server setting for this read alone (work_mem "48MB", jit "off"), in a transaction of
    // the read's own, so the session keeps its own; an empty value drops it. Inside a caller's
    // transaction the session's settings stay.
    void setServerSetting(const QString& name, const QString& value);
    // The memory each sort and hash of the statement may take on the server (work_mem).
    void setWorkMemory(const QString& amount) {
        setServerSetting(QStringLiteral("work_mem"), amount);
    }
    void setParam(const QString& name, const QVariant& value) { params_.set(name, value); }
    QVariant param(const QString& name) const { return params_.value(name); }

    // A read: when the connection was lost (a server restart) it runs once more on a new
    // session without a word, unless a transaction is open.
    void open();
    void close();
    bool isOpen() const { return open_; }
    // Runs the statement again and takes its rows as close() then open() would (sort
    // forgotten, filter kept, first row current). When the statement fails it throws and
    // the set keeps the rows, sort and current row it had.
    void reopen();

    // Columns.
    int fieldCount() const { return int(fields_.size()); }
    QString fieldName(int column) const { return fields_.at(size_t(column)); }
    int fieldIndex(const QString& field) const; // -1 when absent
    bool hasField(const QString& field) const { return fieldIndex(field) >= 0; }

    // Navigation over the visible rows.
    int rowCount() const { return int(visible_.size()); }
    bool isEmpty() const { return visible_.empty(); }
    int recNo() const { return current_; } // -1 when there is no row
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    void first();
    void last();
    void next();
    void prior();
    void moveTo(int row); // clamped to the visible rows
    bool locate(const QString& field, const QVariant& value);

    // Sort and filter.
    void setSort(const QString& expression);
    QString sort() const { return sortText_; }
    void setFilter(const QString& expression);
    QString filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }

    // Values of the current row (or of the edit buffer while editing).
    QVariant value(const QString& field) const;
    bool isNull(const QString& field) const;
    QString asString(const QString& field) const;
    double asDouble(const QString& field) const;
    qint32 asInt(const QString& field) const; // refuses values outside 32 bits
    qint64 asInt64(const QString& field) const;
    QDate asDate(const QString& field) const;

    // Values of any visible row, for grids.
    const QVariant& valueAt(int row, int column) const;
    // Lets the decoded values of visible rows [first, last) go: a reader that has passed them
    // holds no second copy of a year's texts. Read again, they are decoded anew.
    void releaseDecoded(int first, int last) const;

    // Editing a result opened on one table: the table and its key column. Without a key
    // column a row is found again by all the values it was read with.
    void setUpdateTable(const QString& table, const QString& keyField = QStringLiteral("id"));
    enum class State { Browse, Edit, Insert };
    State state() const { return state_; }
    void append();
    void edit();
    void setValue(const QString& field, const QVariant& value);
    // A value out of its integer column's range (smallint, integer, bigint, numeric(p,0)) or
    // with a fraction is refused before anything is sent, naming the field.
    void post();
    void cancel();
    void remove();

signals:
    void reset(); // opened, closed, sorted or filtered: rows changed wholesale
    void rowChanged(int row);
    void currentChanged(int row);

private:
    // A statement's result with its columns, fetched but not yet taken as the set's rows.
    struct Fetched;
    Fetched fetch() const;
    Fetched fetchRows() const;
    void take(Fetched&& fetched);
    void compile(Fetched& fetched, const QString& sort) const;
    std::optional<QByteArray> writtenValue(size_t column) const;
    int requireField(const QString& field) const;
    // Cells are decoded from the server's text the first time they are read: a grid
    // reads only what it shows, a sort only its columns.
    const QVariant& cell(int storeRow, int column) const {
        const size_t i = size_t(storeRow) * fields_.size() + size_t(column);
        if (!ready_[i])
            decodeCell(storeRow, column, i);
        return cells_[i];
    }
    void decodeCell(int storeRow, int column, size_t index) const;
    std::vector<QVariant> rowValues(int storeRow) const;
    void rebuildVisible();
    void setCurrent(int row);
    void requireOpen() const;
    void requireBrowse() const;
    void storeReturnedRow(::pg_result* result, int storeRow);

    Connection* connection_;
    QString sql_;
    bool freshPlans_ = false;
    std::vector<std::pair<QString, QString>> serverSettings_; // name, value
    Parameters params_;
    bool open_ = false;

    std::vector<QString> fields_;
    std::vector<QString> lowerFields_;
    std::shared_ptr<::pg_result> result_;
    std::vector<unsigned int> types_;
    std::vector<int> typmods_;            // numeric(p,s): its precision and scale
    mutable std::vector<QVariant> cells_; // row-major
    mutable std::vector<char> ready_;
    int storeRows_ = 0;
    std::vector<int> visible_; // store row per visible row
    int current_ = -1;
    bool eof_ = true, bof_ = true;

    QString sortText_;
    std::vector<SortKey> sortKeys_;
    QString filterText_;
    bool filtered_ = false;
    std::unique_ptr<FilterExpression> filterExpr_;

    QString updateTable_;
    QString keyField_;
    State state_ = State::Browse;
    std::vector<QVariant> buffer_;
    std::vector<bool> modified_;
};

// Closes a result set however the scope is left, so a one-off read never stays open.
class CloseOnExit {
public:
    explicit CloseOnExit(ResultSet& resultSet) : resultSet_(resultSet) {}
    ~CloseOnExit() { resultSet_.close(); }
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;

private:
    ResultSet& resultSet_;
};

} // namespace data
