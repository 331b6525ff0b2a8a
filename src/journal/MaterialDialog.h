#pragma once

#include "MaterialStore.h"
#include "data/Command.h"
#include "data/ResultSet.h"
#include "ui/Form.h"

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;

namespace data {
class DataModule;
}

namespace ui {
class LookupBox;
}

namespace journal {

// One consumption of a goods item for a saved position (TForm24): it offers the position's
// goods, proposes what the material norm still allows and writes one row.
class MaterialDialog : public ui::Form {
    Q_OBJECT
public:
    explicit MaterialDialog(data::DataModule& dm, QWidget* parent = nullptr);

    // Records one consumption for the saved position; its norm follows the quantity and
    // product the server holds, not a dialog's unsaved boxes. Shows the dialog modally; true
    // when a row was written. After closing: key 0 and Edit7 "0".
    bool addFor(int positionId);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void computeNorm();
    void record();
    // Whether the chosen goods item is the position's paint, whose norm is the product's.
    bool paintChosen();
    void openRemainders();
    double readUsedQty();
    // The first row's caption; empty while closed.
    static QString firstCaption(const data::ResultSet& remainder);

    data::ResultSet v_cmn_gds_in, v_id_cons_use, v_id_cons_use1, sum_smena_gds_use, operation,
        position_now;
    MaterialStore store_;

    int pos_id = 0;
    int use_goods_id = 0;
    double used_qty = 0;
    double norm_qty = 0;

    ui::LookupBox* LCB_id_gds_use;
    QLineEdit* Edit7;
    QLabel* DBText1;
    QLabel* DBText2;
    QPushButton* Button1;
    QPushButton* Button2;
};

} // namespace journal
