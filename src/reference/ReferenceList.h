#pragma once

#include "ui/Form.h"
#include "ui/ResultSetModel.h"

#include <vector>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace data {
class ResultSet;
}
namespace state {
class DataModule;
}

namespace ui {
class LiveGrid;
}

namespace reference {

// A list of one shared query with a labelled search box under its grid, shown as a list or
// as a picker; the window is never narrower than its grid's columns. A picker hands the chosen row
// back as a small value and never writes its opener's controls; every closing switches the search
// filter off and closes the query, so the next opening starts from the whole list.
class ReferenceList : public ui::Form {
    Q_OBJECT
public:
    // Which keys the search box keeps for itself besides Up and Down, which move the grid.
    enum class SearchKeys {
        TypingOnly, // characters, Backspace, Enter and Esc; Delete, arrows, Home, End do nothing
        All,        // every other key edits the box as usual
    };
    // Whether "Добавить" and "Удалить" exist (shown in list mode only).
    enum class RowButtons { None, AddAndDelete };
    struct Layout {
        const char* objectName;
        QString caption;
        QSize clientSize;
        std::vector<ui::ResultSetModel::Column> columns;
        QString searchField;
        SearchKeys searchKeys;
        RowButtons rowButtons;
    };

    ReferenceList(state::DataModule& dm, data::ResultSet& query, const Layout& layout,
                  QWidget* parent = nullptr);

    // The documented names of the controls, their objectNames; a list with more controls
    // extends them.
    struct Names {
        static constexpr const char* grid = "DBGrid1";
        static constexpr const char* search = "Edit1";
        static constexpr const char* add = "Button1";
        static constexpr const char* change = "Button2";
        static constexpr const char* remove = "Button3";
        static constexpr const char* exit = "Button4";
    };

    ui::LiveGrid* grid() const { return grid_; }

protected:
    // Shows the window as a picker; true when a row was taken. Opens the query first and
    // closes it afterwards, also when the query cannot be opened.
    bool runPicker();
    // Shows the window as a list (its query opened and closed around it).
    void runList();
    bool isPicker() const { return picker_; }
    // The opener's steps of a picker around exec(), for lists whose openers do more.
    void enterPickerMode();
    void leavePickerMode();
    // The filter for a search text; empty switches the filter off. By default a prefix of
    // the search field.
    virtual QString filterFor(const QString& text) const;
    void search(const QString& text);
    // Reads the current row into the picker's value; may refuse it with an error, which
    // keeps the window open.
    virtual void takeCurrentRow() = 0;
    // What "Изменить" and a double-click do in list mode.
    virtual void changeCurrentRow() {}
    // A double-click on a row: the same as "Изменить" (a picker's "Выбрать").
    virtual void rowDoubleClicked() { changeOrTake(); }
    void changeOrTake();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    state::DataModule& dm_;
    data::ResultSet& query_;
    ui::LiveGrid* grid_;
    QLineEdit* searchEdit_;
    QPushButton* addRowButton_ = nullptr;
    QPushButton* changeButton_;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* exitButton_;

    QHBoxLayout* buttonRow() const { return buttonRow_; }

private:
    void take();
    void closeQuery();
    void fitClientWidth();

    ui::ResultSetModel* model_;
    QLabel* searchLabel_ = nullptr; // shown with the box
    QHBoxLayout* buttonRow_;
    QSize clientSize_;
    SearchKeys searchKeys_;
    QString searchField_;
    bool picker_ = false;
};

} // namespace reference
