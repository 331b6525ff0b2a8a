#pragma once

#include "PositionStore.h"
#include "data/Command.h"
#include "data/ResultSet.h"
#include "ui/Form.h"

#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace reference {
class OperationsList;
class WorkersList;
} // namespace reference

namespace ui {
class DataGrid;
class DatePicker;
class LookupBox;
class ResultSetModel;
} // namespace ui

namespace journal {

class JournalWindow;
class MaterialDialog;

// One journal position entered, changed or looked at (TForm11), with the materials used for
// it and, for a new one, its brigade. The openers do their own steps on the journal after it.
class PositionDialog : public ui::Form {
    Q_OBJECT
public:
    PositionDialog(data::DataModule& dm, JournalWindow& journal, reference::WorkersList& workers,
                   reference::OperationsList& operations, MaterialDialog& materials,
                   QWidget* parent = nullptr);

    enum Mode { Add = 1, Change = 2, View = 3 };

    // The openers of "Добавить", "Изменить" and a double-click on a journal row.
    void addNew();
    void changeCurrent();
    void viewCurrent();

    int positionId() const { return pos_id; }
    void setToday(std::function<QDate()> today) { today_ = std::move(today); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void done(int result) override;

private:
    void switchMode(int item);
    void documentChosen();
    void lineChosen();
    void pickWorker();
    void pickOperation();
    void showPrices();
    void save();
    void fillFromJournalRow(data::ResultSet& row);
    void resetState();
    void addMaterial();
    void deleteMaterial();
    void addMember();
    void deleteMember();
    void divide();
    void reopenMaterials();
    void reopenMembers();
    void setPanels(bool materials, bool brigade);
    PositionValues values() const;
    bool byGoods() const;

    data::DataModule& dm_;
    JournalWindow& journal_;
    reference::WorkersList& workers_;
    reference::OperationsList& operations_;
    MaterialDialog& materials_;
    PositionStore store_;
    std::function<QDate()> today_;

    // The dialog's state.
    int mode = Add;
    int pos_id = 0;
    int worker_code = 0;
    int person_id = 0;
    int oper_id = 0;
    int product_id = 0;
    int req_doc_id = 0;
    int req_item_id = 0;
    int goods_id = 0;
    int color_id = 0;
    double required_qty = 0;
    double base_price = 0;
    double final_price = 0;
    bool basePriceKnown_ = false;
    // In change mode: what the position's open requisition line still allows, its own
    // quantity included; none without an open line.
    std::optional<double> changeLimit_;

    data::ResultSet v_mnf_requisition, v_mnf_requisition_item, id_gds, get_doc_by_gds;
    data::ResultSet smena_gds_use, fio_smena_gds;
    data::Command ins_person, save_all;

    QGroupBox* GroupBox1;
    QLabel* Label13;
    QLabel* Label10;
    QLabel* Label6;
    ui::LookupBox* LCB_id_doc;
    ui::LookupBox* LCB_id_doc_item;
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8;
    ui::DatePicker* DTimeP;
    QGroupBox* RG1;
    QRadioButton *RG1_0, *RG1_1;
    QPushButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button6, *Button7, *Button8,
        *Button9;
    ui::DataGrid *DBGrid1, *DBGrid2;
};

} // namespace journal
