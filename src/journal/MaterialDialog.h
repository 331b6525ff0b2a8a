#pragma once

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

// The rules of a consumption that need no window.
namespace material {

// A typed quantity, comma or point: a plain number not below 0. Anything else is refused
// with ConversionError "«…» не является числом"; an empty text is 0 when emptyIsZero.
double typedQuantity(const QString& typed, bool emptyIsZero);

// What the quantity box proposes: the rest of the norm, 0 without a norm or when it is used.
double proposal(double normQty, double usedQty);

// The checks before a consumption is written, in their order: above the norm, then above
// what is left free and reserved, each offered to be capped through ask() ("Запрос"; true for
// Yes). The quantity to write; nullopt when the user stopped or nothing is left to write.
// A quantity that ends at 0 or below is refused with data::Error "Расход ТМЦ не может быть 0!".
std::optional<double> checkedQuantity(double typed, double usedQty, double normQty, double avail,
                                      const std::function<bool(const QString&)>& ask);

} // namespace material

// One consumption of a goods item for a saved position (TForm24): it offers the position's
// goods, proposes what the material norm still allows and writes one row.
class MaterialDialog : public ui::Form {
    Q_OBJECT
public:
    explicit MaterialDialog(data::DataModule& dm, QWidget* parent = nullptr);

    // Records one consumption for the saved position (positionId), whose product is productId
    // and whose quantity box holds positionQuantity (typed text, comma decimals). Shows the
    // dialog modally; true when a row was written. After closing: key 0 and Edit7 "0".
    bool addFor(int positionId, int productId, const QString& positionQuantity);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void computeNorm();
    void record();
    void openRemainders();
    double readUsedQty();
    // The first row's caption and quantity; empty and 0 while closed.
    static QString firstCaption(const data::ResultSet& remainder);
    static double firstFree(const data::ResultSet& remainder);

    data::ResultSet v_cmn_gds_in, v_id_cons_use, v_id_cons_use1, sum_smena_gds_use, operation;
    data::Command smena_gds_use;

    int pos_id = 0;
    int product_id = 0;
    QString positionQuantity_;
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
