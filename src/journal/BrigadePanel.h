#pragma once

// The brigade of a new position (Label6 and DBGrid2 of TForm11): members are added and removed
// one by one, and "Сохранить" shares the position among them on the server and closes the form.

#include "data/Command.h"
#include "data/ResultSet.h"

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace state {
class DataModule;
}

namespace reference {
class WorkersList;
}

namespace ui {
class Form;
class LiveGrid;
} // namespace ui

namespace journal {

class BrigadePanel : public QWidget {
    Q_OBJECT
public:
    // Its buttons run through the form's guard; a division accepts the form.
    BrigadePanel(state::DataModule& dm, reference::WorkersList& workers, ui::Form& form);

    // The documented names of its controls on the form, their objectNames.
    struct Names {
        static constexpr const char* title = "Label6";
        static constexpr const char* grid = "DBGrid2";
        static constexpr const char* add = "Button7";
        static constexpr const char* remove = "Button8";
        static constexpr const char* divide = "Button9";
    };

    // The saved position whose members are shown, added to and divided among.
    void showFor(int positionId);
    // Reads the members again if they are shown.
    void reloadIfShown();
    void close();
    // Members were added to the shown position and not yet divided among.
    bool holdsUndivided() const;
    // Closed, and no position's members until showFor.
    void clear();
    void enableControls(bool on);
    // A control of the form that sits at the end of the brigade's button row.
    void endButtonRowWith(QWidget* widget);

private:
    void addMember();
    void deleteMember();
    void divide();

    state::DataModule& dm_;
    reference::WorkersList& workers_;
    ui::Form& form_;
    int positionId_ = -1;
    data::ResultSet members_;
    data::Command insertMember_;
    data::Command divide_;
    QLabel* title_;
    ui::LiveGrid* grid_;
    QPushButton* addButton_;
    QPushButton* deleteButton_;
    QPushButton* divideButton_;
    QHBoxLayout* buttons_;
};

} // namespace journal
