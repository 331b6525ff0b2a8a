#pragma once

#include "PositionStore.h"
#include "data/ResultSet.h"
#include "ui/Form.h"

#include <functional>
#include <optional>

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace reference {
class OperationsList;
class WorkersList;
} // namespace reference

namespace ui {
class DatePicker;
class LookupBox;
} // namespace ui

namespace journal {

class BrigadePanel;
class MaterialDialog;
class MaterialsPanel;

// One journal position entered, changed or looked at (TForm11), with the materials used for
// it and, for a new one, its brigade. The openers do their own steps on the journal after it.
class PositionDialog : public ui::Form {
    Q_OBJECT
public:
    PositionDialog(state::DataModule& dm, reference::WorkersList& workers,
                   reference::OperationsList& operations, MaterialDialog& materials,
                   QWidget* parent = nullptr);

    // The documented names of the controls, their objectNames. The materials' and the
    // brigade's controls are named in their panels.
    struct Names {
        static constexpr const char* fields = "GroupBox1";
        static constexpr const char* documentLabel = "Label13";
        static constexpr const char* document = "LCB_id_doc";
        static constexpr const char* line = "LCB_id_doc_item";
        static constexpr const char* worker = "Edit1";
        static constexpr const char* operation = "Edit2";
        static constexpr const char* pickWorker = "Button3";
        static constexpr const char* pickOperation = "Button4";
        static constexpr const char* quantity = "Edit3";
        static constexpr const char* hours = "Edit6";
        static constexpr const char* rejects = "Edit4";
        static constexpr const char* date = "DTimeP";
        static constexpr const char* basePrice = "Edit7";
        static constexpr const char* finalPrice = "Edit8";
        static constexpr const char* sum = "Edit5";
        static constexpr const char* entry = "RG1";
        static constexpr const char* byRequisition = "RG1_0";
        static constexpr const char* byGoods = "RG1_1";
        static constexpr const char* id = "Label10";
        static constexpr const char* save = "Button1";
        static constexpr const char* exit = "Button2";
    };

    enum class Mode { Add, Change, View };

    // The openers of "Добавить", "Изменить" and a double-click on a journal row; each says
    // whether the dialog was shown (an empty journal shows nothing; "Изменить" on an accepted
    // position throws why).
    bool addNew();
    bool changeCurrent();
    bool viewCurrent();

    int positionId() const { return positionId_; }
    void setToday(std::function<QDate()> today) { today_ = std::move(today); }

signals:
    // A new position was written (its id); the journal may make it its current row.
    void positionAdded(int positionId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void done(int result) override;
    // "Выход", Esc and the close box: a brigade not yet divided is left only when the user says so.
    void reject() override;

private:
    // Where the product and its line come from.
    enum class EntryBy { Requisition, Goods };

    QGroupBox* makeFields();
    QHBoxLayout* makeModeRow();
    EntryBy entryBy() const;
    void chooseEntry(EntryBy by);
    void documentChosen();
    void lineChosen();
    void clearWorkerAndOperation();
    void pickWorker();
    void pickOperation();
    void showPrices();
    void save();
    // Whether the worker's day may pass 24 hours with this position: asked only when it would.
    bool dayHoursAgreed(bool adding);
    void fillFromJournalRow(data::ResultSet& row);
    void resetChoices();
    void materialAdded();
    void restoreStatements();
    PositionValues values() const;

    state::DataModule& dm_;
    reference::WorkersList& workers_;
    reference::OperationsList& operations_;
    PositionStore store_;
    std::function<QDate()> today_;

    Mode mode_ = Mode::Add;
    int positionId_ = 0;
    // What was chosen for the position; the typed boxes are read when it is saved.
    PositionValues chosen_;
    // In change mode: what the position's open requisition line still allows, its own
    // quantity included; none without an open line.
    std::optional<double> changeLimit_;

    data::ResultSet requisitions_, requisitionLines_, goods_, goodsLines_;

    QGroupBox* fieldsBox_;
    QLabel* documentLabel_;
    ui::LookupBox* documentBox_;
    ui::LookupBox* lineBox_;
    QLineEdit* workerEdit_;
    QLineEdit* operationEdit_;
    QLineEdit* quantityEdit_;
    QLineEdit* rejectsEdit_;
    QLineEdit* sumEdit_;
    QLineEdit* hoursEdit_;
    QLineEdit* basePriceEdit_;
    QLineEdit* finalPriceEdit_;
    ui::DatePicker* dateEdit_;
    QPushButton* pickWorkerButton_;
    QPushButton* pickOperationButton_;
    QGroupBox* entryBox_;
    QRadioButton* byRequisitionChoice_;
    QRadioButton* byGoodsChoice_;
    QLabel* idLabel_;
    QPushButton* saveButton_;
    QPushButton* exitButton_;
    MaterialsPanel* materials_;
    BrigadePanel* brigade_;
};

} // namespace journal
