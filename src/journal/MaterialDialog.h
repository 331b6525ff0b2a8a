#pragma once

#include "MaterialStore.h"
#include "data/Command.h"
#include "data/ResultSet.h"
#include "ui/Form.h"

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;

namespace state {
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
    explicit MaterialDialog(state::DataModule& dm, QWidget* parent = nullptr);

    // The documented names of the controls, their objectNames.
    struct Names {
        static constexpr const char* goods = "LCB_id_gds_use";
        static constexpr const char* quantity = "Edit7";
        static constexpr const char* freeStock = "DBText1";
        static constexpr const char* reservedStock = "DBText2";
        static constexpr const char* norm = "LabelNorm";
        static constexpr const char* save = "Button1";
        static constexpr const char* cancel = "Button2";
    };

    // Records one consumption for the saved position; its norm follows the quantity and
    // product the server holds, not a dialog's unsaved boxes. Shows the dialog modally; true
    // when a row was written. After closing: no goods item chosen and the quantity "0".
    bool addFor(int positionId);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void computeNorm();
    void showNorm(const QString& text);
    void record();
    // Whether the chosen goods item is the position's paint, whose norm is the product's.
    bool paintChosen();
    void openRemainders();
    double readUsedQty();
    // The first row's caption; empty while closed.
    static QString firstCaption(const data::ResultSet& remainder);

    data::ResultSet goods_;         // the position's goods items
    data::ResultSet freeStock_;     // what is left of the chosen one, free
    data::ResultSet reservedStock_; // and reserved
    data::ResultSet used_;          // what the position already used of it
    data::ResultSet norm_;          // its norm for one piece
    data::ResultSet positionNow_;   // the position's stored quantity and product
    MaterialStore store_;

    int positionId_ = 0;
    int goodsId_ = 0;
    double usedQty_ = 0;
    double normQty_ = 0;

    ui::LookupBox* goodsBox_;
    QLineEdit* quantityEdit_;
    QLabel* normLabel_;
    QLabel* freeStockLabel_;
    QLabel* reservedStockLabel_;
    QPushButton* saveButton_;
    QPushButton* cancelButton_;
};

} // namespace journal
