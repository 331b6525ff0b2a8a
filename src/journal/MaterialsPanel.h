#pragma once

// The materials a saved position used (DBGrid1 of TForm11): one consumption added through the
// material dialog, one row deleted while the position is not accepted.

#include "data/ResultSet.h"

#include <QWidget>
#include <functional>

class QPushButton;

namespace state {
class DataModule;
}

namespace ui {
class Form;
class LiveGrid;
} // namespace ui

namespace journal {

class MaterialDialog;

class MaterialsPanel : public QWidget {
    Q_OBJECT
public:
    // Its buttons run through the form's guard; afterAdd runs once a consumption was asked for,
    // written or not, before the focus comes back to "Добавить".
    MaterialsPanel(state::DataModule& dm, MaterialDialog& dialog, ui::Form& form,
                   std::function<void()> afterAdd);

    // The documented names of its controls on the form, their objectNames.
    struct Names {
        static constexpr const char* grid = "DBGrid1";
        static constexpr const char* add = "Button5";
        static constexpr const char* remove = "Button6";
    };

    // The position whose materials are shown and added to; -1 shows none.
    void showFor(int positionId);
    void close();
    void enableControls(bool on);
    void focusAdd();

private:
    void add();
    void remove();

    state::DataModule& dm_;
    MaterialDialog& dialog_;
    std::function<void()> afterAdd_;
    int positionId_ = -1;
    data::ResultSet used_;
    ui::LiveGrid* grid_;
    QPushButton* addButton_;
    QPushButton* deleteButton_;
};

} // namespace journal
