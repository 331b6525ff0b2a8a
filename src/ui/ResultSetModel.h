#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <functional>
#include <vector>

namespace data {
class DbError;
class ResultSet;
} // namespace data

namespace ui {

// A grid's view of a result set: the grid shows the result set's visible rows in its
// order and never keeps rows of its own. Made editable, it writes through the result set.
class ResultSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;
        int width = 80;
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
        // Display text of a value; the default shows it as the result set reads it.
        std::function<QString(const QVariant&)> format = {};
        bool hidden = false;
        // In an editable model a column with a parse function may be typed into: it turns the
        // typed text into the value to store, or refuses it with a ConversionError.
        std::function<QVariant(const QString& typed)> parse = {};
        // The text a cell editor starts with; the default is the value as the result set
        // reads it, never the display text, so a rounded display is not written back.
        std::function<QString(const QVariant&)> editText = {};
        // A point typed into the editor is entered as a comma.
        bool decimalComma = false;
    };
    // The value of the key field of a row, so a window can find the row it saved.
    static constexpr int KeyRole = Qt::UserRole + 1;
    // Extra roles of a cell (colours, fonts): row and column of the grid, the role.
    using CellRole = std::function<QVariant(int row, int column, int role)>;
    // Checks a pending row just before it is written and fills what the user does not type;
    // throwing data::Error refuses the write with the error's text.
    using BeforeWrite = std::function<void(data::ResultSet&)>;

    explicit ResultSetModel(data::ResultSet& resultSet, std::vector<Column> columns,
                            QObject* parent = nullptr);

    void setCellRole(CellRole role) { cellRole_ = std::move(role); }
    void setBoldTitles(bool bold) { boldTitles_ = bold; }
    // The field that tells rows apart ("id" unless set), by which a grid finds its place again.
    void setKeyField(const QString& field) { keyField_ = field; }
    const QString& keyField() const { return keyField_; }
    data::ResultSet& resultSet() const { return resultSet_; }
    const std::vector<Column>& columns() const { return columns_; }

    // Editing. An editable model ends in an empty row for a new one (while its result set is
    // open). The first changed cell starts editing its row in the result set (a new row on
    // the empty one); the row stays pending there, shown as typed, until writePending().
    // A typed text equal to the cell's editor text changes nothing; a refused one is shown
    // through ui::Messages and the cell keeps its value.
    void setEditable(bool editable);
    bool isEditable() const { return editable_; }
    void setBeforeWrite(BeforeWrite check) { beforeWrite_ = std::move(check); }
    // Words the server's refusal of a pending row as the window would: it throws an error of
    // its own, or returns and the server's error goes on.
    using WriteRefused = std::function<void(const data::DbError&)>;
    void setWriteRefused(WriteRefused explain) { writeRefused_ = std::move(explain); }
    // The empty row for a new one; -1 when the model is not editable or its set is closed.
    int newRow() const;
    // The row with changes not yet written; -1 when there is none.
    int pendingRow() const;
    // Checks and writes the pending row, then reads the rows again and makes the written row
    // the result set's current one. An error keeps the row pending.
    void writePending();
    // Forgets the pending changes.
    void dropPending();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    void refresh();
    QVariant cellValue(int row, int column) const;
    QString editorText(int row, int column) const;
    void setCell(int row, int column, const QVariant& value);
    void pendingChanged(int row);

    data::ResultSet& resultSet_;
    std::vector<Column> columns_;
    std::vector<int> fieldIndex_;
    CellRole cellRole_;
    BeforeWrite beforeWrite_;
    WriteRefused writeRefused_;
    QString keyField_ = QStringLiteral("id");
    bool boldTitles_ = true;
    bool editable_ = false;
};

} // namespace ui
