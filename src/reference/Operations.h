#pragma once

#include "OperationPick.h"
#include "ReferenceList.h"
#include "data/ResultSet.h"
#include "output/Spreadsheet.h"

#include <optional>

class QCheckBox;
class QComboBox;

namespace reference {

class NormsWindow;
class OperationTypesList;
class ProductsList;

// What the operation dialog writes: the type, kind and product, and a new one's starting
// price.
struct OperationValues {
    int typeId = 0;
    int kind = 0;
    int productId = 0;
    double startingPrice = 0;
};

// Adds the operation (no id) or changes it; returns its id. A type deleted since it was picked
// is refused in Russian; a duplicate combination comes as the server's refusal by
// oper_vid_naimen_i_id_key, for the dialog to answer.
int saveOperation(state::DataModule& dm, std::optional<int> id, const OperationValues& values);

// Deletes the operation with its norm steps unless a journal position refers to it (the server's
// key decides, also for one saved at the same moment); false when it is kept for that reason.
bool removeOperation(state::DataModule& dm, int id);

// The dialog that adds an operation or changes one (TForm10). Its product and type come only
// from their pickers, together with their identifiers.
class OperationDialog : public ui::Form {
    Q_OBJECT
public:
    OperationDialog(state::DataModule& dm, ProductsList& products, OperationTypesList& types,
                    QWidget* parent = nullptr);

    // The documented names of the controls, their objectNames.
    struct Names : EditDialogNames {
        static constexpr const char* fields = "GroupBox1";
        static constexpr const char* product = "Edit1";
        static constexpr const char* type = "Edit2";
        static constexpr const char* pickProduct = "Button3";
        static constexpr const char* pickType = "Button4";
        static constexpr const char* kind = "ComboBox1";
        static constexpr const char* startingPrice = "Edit3";
    };

    // Each returns true when saved; the saved operation is then Oper's current row.
    bool addNew();
    bool changeCurrent();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool run();
    void save();
    void pickProduct();
    void pickType();

    state::DataModule& dm_;
    ProductsList& products_;
    OperationTypesList& types_;
    std::optional<int> editedId_; // none: a new operation
    int productId_ = 0;
    int typeId_ = 0;
    std::optional<int> storedKind_; // a kind other than 0 and 1 read from the row
    QLineEdit* productEdit_;
    QLineEdit* typeEdit_;
    QLineEdit* startingPriceEdit_;
    QComboBox* kindBox_;
    QPushButton* saveButton_;
    QPushButton* cancelButton_;
    QPushButton* pickProductButton_;
    QPushButton* pickTypeButton_;
};

// The operations and their prices (TForm4): a list with its dialog, norms and export, and
// the operation picker of a position.
class OperationsList : public ReferenceList {
    Q_OBJECT
public:
    OperationsList(state::DataModule& dm, OperationDialog& dialog, NormsWindow& norms,
                   QWidget* parent = nullptr);

    // The documented names of the controls, their objectNames.
    struct Names : ReferenceList::Names {
        static constexpr const char* spreadsheet = "Button5";
        static constexpr const char* withNorms = "CheckBox1";
    };

    void showList();
    std::optional<OperationPick> pick(const OperationPickRequest& request);

    // Writes every operation with its lowest price to a new spreadsheet.
    void exportToSpreadsheet();
    static QString exportStatement();
    output::Spreadsheet& spreadsheet() { return spreadsheet_; }

protected:
    QString filterFor(const QString& text) const override;
    void takeCurrentRow() override;
    void changeCurrentRow() override;
    void rowDoubleClicked() override;
    void showEvent(QShowEvent* event) override;

private:
    void deleteCurrent();

    OperationDialog& dialog_;
    NormsWindow& norms_;
    output::Spreadsheet spreadsheet_;
    data::ResultSet exportRows_;
    QCheckBox* withNormsCheck_; // a double-click on a row opens its norm steps
    QPushButton* exportButton_;
    std::optional<int> requisitionProduct_;
    OperationPickRequest request_;
    std::optional<OperationPick> taken_;
};

} // namespace reference
