#include "MaterialDialog.h"

#include "PositionStatements.h"
#include "data/DataModule.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "data/Value.h"
#include "ui/Controls.h"
#include "ui/LookupBox.h"
#include "ui/Messages.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace journal {

namespace material {

using data::value::rounded;

double typedQuantity(const QString& typed, bool emptyIsZero) {
    const QString text = typed.trimmed();
    if (text.isEmpty() && emptyIsZero)
        return 0;
    const auto refuse = [&typed] {
        return data::ConversionError(
            QStringLiteral("«%1» не является числом").arg(data::excerpt(typed)));
    };
    // A pasted sign would get past the key filter; a consumption is never negative.
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')))
        throw refuse();
    bool ok = false;
    const double v = sqltext::typedDecimal(text).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw refuse();
    return v;
}

double proposal(double normQty, double usedQty) {
    if (normQty <= 0)
        return 0;
    // Never below 0: a negative proposal would be a quantity the box itself refuses.
    return std::max(rounded(normQty - usedQty, 3), 0.0);
}

std::optional<double> checkedQuantity(double typed, double usedQty, double normQty, double avail,
                                      const std::function<bool(const QString&)>& ask) {
    double q = typed;
    if (rounded(usedQty + q - normQty, 4) > 0) {
        if (rounded(q, 4) <= 0)
            return std::nullopt;
        if (!ask(QStringLiteral("Расход ТМЦ не может быть больше остатка по партии! "
                                "Расходовать весь остаток по партии?")))
            return std::nullopt;
        q = rounded(normQty - usedQty, 4);
    }
    if (rounded(q, 3) > rounded(avail, 3)) {
        if (rounded(q, 3) <= 0)
            return std::nullopt;
        if (!ask(QStringLiteral(
                "Расход ТМЦ не может быть больше партии! Расходовать весь остаток по партии?")))
            return std::nullopt;
        q = rounded(avail, 3);
    }
    if (!(q > 0))
        throw data::Error(QStringLiteral("Расход ТМЦ не может быть 0!"));
    return q;
}

} // namespace material

namespace {

QString commaText(double v) {
    return sqltext::decimal(v).replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace

MaterialDialog::MaterialDialog(data::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("TForm24"), QStringLiteral("Материал"), parent),
      v_cmn_gds_in(dm.ADO_DB, QStringLiteral("v_cmn_gds_in")),
      v_id_cons_use(dm.ADO_DB, QStringLiteral("v_id_cons_use")),
      v_id_cons_use1(dm.ADO_DB, QStringLiteral("v_id_cons_use1")),
      sum_smena_gds_use(dm.ADO_DB, QStringLiteral("sum_smena_gds_use")),
      operation(dm.ADO_DB, QStringLiteral("operation")),
      smena_gds_use(dm.ADO_DB, QStringLiteral("smena_gds_use")) {
    v_cmn_gds_in.setSql(statements::materialGoods());
    v_id_cons_use.setSql(statements::materialRemainder("free"));
    v_id_cons_use1.setSql(statements::materialRemainder("reserved"));
    sum_smena_gds_use.setSql(statements::materialUsed());
    smena_gds_use.setSql(statements::materialInsert());

    auto* Label12 = new QLabel(QStringLiteral("ТМЦ"), this);
    Label12->setObjectName(QStringLiteral("Label12"));
    LCB_id_gds_use = new ui::LookupBox("LCB_id_gds_use", this);
    LCB_id_gds_use->setFixedWidth(209);
    LCB_id_gds_use->bind(&v_cmn_gds_in, QStringLiteral("id"), QStringLiteral("s_caption"));
    LCB_id_gds_use->installEventFilter(this);
    Label12->setBuddy(LCB_id_gds_use);
    auto* Label11 = new QLabel(QStringLiteral("Расход"), this);
    Label11->setObjectName(QStringLiteral("Label11"));
    Edit7 = new QLineEdit(QStringLiteral("0"), this);
    Edit7->setObjectName(QStringLiteral("Edit7"));
    Edit7->setFixedWidth(55);
    ui::filterKeys(Edit7, ui::TypedKeys::Decimal);
    Label11->setBuddy(Edit7);
    DBText1 = ui::boldLabel(QString(), "DBText1", this);
    DBText2 = ui::boldLabel(QString(), "DBText2", this);
    connect(&v_id_cons_use, &data::ResultSet::reset, DBText1,
            [this] { DBText1->setText(firstCaption(v_id_cons_use)); });
    connect(&v_id_cons_use1, &data::ResultSet::reset, DBText2,
            [this] { DBText2->setText(firstCaption(v_id_cons_use1)); });

    Button1 = addButton("Button1", QStringLiteral("Запись"), [this] { record(); });
    Button2 = addButton("Button2", QStringLiteral("Отмена"), [this] { reject(); });
    setDefaultButton(Button1);
    setCancelButton(Button2);
    connect(LCB_id_gds_use, &ui::LookupBox::chosen, this,
            [this] { runGuarded([this] { computeNorm(); }); });

    auto* row = new QHBoxLayout;
    row->addWidget(Label12);
    row->addWidget(LCB_id_gds_use);
    row->addSpacing(8);
    row->addWidget(Label11);
    row->addWidget(Edit7);
    row->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(3);
    layout->addLayout(row);
    layout->addWidget(DBText1);
    layout->addWidget(DBText2);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setClientSize(399, 123);
}

QString MaterialDialog::firstCaption(const data::ResultSet& remainder) {
    if (!remainder.isOpen() || remainder.isEmpty())
        return {};
    return data::value::toString(
        remainder.valueAt(0, remainder.fieldIndex(QStringLiteral("s_full_caption"))));
}

double MaterialDialog::firstFree(const data::ResultSet& remainder) {
    if (!remainder.isOpen() || remainder.isEmpty())
        return 0;
    return data::value::toDouble(
        remainder.valueAt(0, remainder.fieldIndex(QStringLiteral("f_qty_free"))),
        QStringLiteral("f_qty_free"));
}

bool MaterialDialog::addFor(int positionId, int productId, const QString& positionQuantity) {
    pos_id = positionId;
    product_id = productId;
    positionQuantity_ = positionQuantity;
    use_goods_id = 0;
    used_qty = norm_qty = 0;
    Edit7->setToolTip({});
    v_id_cons_use.close();
    v_id_cons_use1.close();
    v_cmn_gds_in.close();
    v_cmn_gds_in.setParam(QStringLiteral("id_smena"), pos_id);
    bool written = false;
    if (runGuarded([this] { v_cmn_gds_in.open(); }))
        written = exec() == QDialog::Accepted;
    v_cmn_gds_in.close();
    v_id_cons_use.close();
    v_id_cons_use1.close();
    operation.close();
    sum_smena_gds_use.close();
    LCB_id_gds_use->setKey(0);
    Edit7->setText(QStringLiteral("0"));
    return written;
}

void MaterialDialog::showEvent(QShowEvent* event) {
    ui::Form::showEvent(event);
    LCB_id_gds_use->setFocus();
}

bool MaterialDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LCB_id_gds_use && event->type() == QEvent::FocusOut) {
        // Its own drop-down and another window coming to the front do not leave the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && isVisible())
            runGuarded([this] { computeNorm(); });
        return ui::Form::eventFilter(watched, event);
    }
    return ui::Form::eventFilter(watched, event);
}

void MaterialDialog::openRemainders() {
    for (data::ResultSet* remainder : {&v_id_cons_use, &v_id_cons_use1}) {
        remainder->close();
        remainder->setParam(QStringLiteral("id_smena"), pos_id);
        remainder->setParam(QStringLiteral("id_gds"), use_goods_id);
        remainder->open();
    }
}

double MaterialDialog::readUsedQty() {
    sum_smena_gds_use.close();
    sum_smena_gds_use.setParam(QStringLiteral("id_smena"), pos_id);
    sum_smena_gds_use.setParam(QStringLiteral("id_gds_use"), use_goods_id);
    sum_smena_gds_use.open();
    return sum_smena_gds_use.isEmpty() ? 0
                                       : sum_smena_gds_use.asDouble(QStringLiteral("sum_qty_use"));
}

void MaterialDialog::computeNorm() {
    v_id_cons_use.close();
    v_id_cons_use1.close();
    operation.close();
    norm_qty = 0;
    Edit7->setToolTip({});
    const QVariant key = LCB_id_gds_use->key();
    use_goods_id = key.isNull() ? 0 : data::value::toInt32(key, QStringLiteral("id"));
    if (key.isNull()) {
        used_qty = 0;
        Edit7->setText(QStringLiteral("0"));
        return;
    }
    v_cmn_gds_in.locate(QStringLiteral("id"), key);
    const bool paint = data::value::toDouble(v_cmn_gds_in.value(QStringLiteral("b_is_color")),
                                             QStringLiteral("b_is_color")) == 1;
    operation.setSql(statements::materialNorm(paint, product_id, use_goods_id));
    operation.open();
    openRemainders();
    used_qty = readUsedQty();
    const double perPiece =
        operation.isEmpty() ? 0 : operation.asDouble(QStringLiteral("f_qty_from"));
    norm_qty =
        data::value::rounded(material::typedQuantity(positionQuantity_, false) * perPiece, 4);
    Edit7->setText(commaText(material::proposal(norm_qty, used_qty)));
    Edit7->setToolTip(QStringLiteral("Норма: %1, уже записано: %2")
                          .arg(commaText(norm_qty), commaText(used_qty)));
}

void MaterialDialog::record() {
    // What other workstations recorded or took from stock since the choice counts.
    used_qty = readUsedQty();
    if (use_goods_id != 0)
        openRemainders();
    const double avail = firstFree(v_id_cons_use) + firstFree(v_id_cons_use1);
    if (LCB_id_gds_use->text().isEmpty()) {
        ui::Messages::error(QStringLiteral("Все поля должны быть заполнены!"), this);
        return;
    }
    const std::optional<double> q = material::checkedQuantity(
        material::typedQuantity(Edit7->text(), true), used_qty, norm_qty, avail,
        [this](const QString& question) { return ui::Messages::askQuantity(question, this); });
    if (!q)
        return;
    smena_gds_use.setParam(QStringLiteral("id_smena"), pos_id);
    smena_gds_use.setParam(QStringLiteral("id_gds_use"), use_goods_id);
    smena_gds_use.setParam(QStringLiteral("f_qty_use"), *q);
    if (smena_gds_use.execute() == 0) {
        ui::Messages::error(QStringLiteral("Позиция уже принята, изменить её нельзя!"), this);
        return;
    }
    accept();
}

} // namespace journal
