#pragma once

#include "ReferenceList.h"

#include <QString>
#include <optional>

class QLineEdit;

// The operation types (accounts_dep.vid_oper): the list with its add, change and delete,
// also a picker, and the dialog that adds or renames one type.
namespace data {
class Connection;
}

namespace reference {

// Deletes the type unless an operation refers to it (the server's key decides, also for one
// saved at the same moment); false when it is kept for that reason.
bool removeOperationType(data::Connection& connection, int id);

struct PickedOperationType {
    QString vid; // trimmed
    int id;
};

// The edit dialog (TForm9). It writes through the shared query Vid_oper, which its list
// has open.
class OperationTypeDialog : public ui::Form {
    Q_OBJECT
public:
    explicit OperationTypeDialog(state::DataModule& dm, QWidget* parent = nullptr);

    // The documented names of the controls, their objectNames.
    struct Names : EditDialogNames {
        static constexpr const char* fields = "GroupBox1";
        static constexpr const char* name = "Edit1";
    };

    // Each returns true when a type was saved; the saved row is then Vid_oper's current.
    bool addNew();
    bool changeCurrent();

private:
    bool run();
    void save();

    state::DataModule& dm_;
    std::optional<int> editedId_; // none: a new type
    QLineEdit* nameEdit_;
    QPushButton* saveButton_;
    QPushButton* cancelButton_;
};

// The list (TForm8).
class OperationTypesList : public ReferenceList {
    Q_OBJECT
public:
    OperationTypesList(state::DataModule& dm, OperationTypeDialog& dialog,
                       QWidget* parent = nullptr);

    // From the menu: add, change and delete, no search box.
    void showList();
    std::optional<PickedOperationType> pick();

protected:
    void takeCurrentRow() override;
    void changeCurrentRow() override;

private:
    void addNew();
    void deleteCurrent();

    OperationTypeDialog& dialog_;
    std::optional<PickedOperationType> taken_;
};

} // namespace reference
