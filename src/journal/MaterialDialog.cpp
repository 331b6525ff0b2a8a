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

namespace {

QString commaText(double v) {
    return sqltext::decimal(v).replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace

MaterialDialog::MaterialDialog(data::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("TForm24"), QStringLiteral("Материал"), parent),
      v_cmn_gds_in(dm.connection, QStringLiteral("v_cmn_gds_in")),
      v_id_cons_use(dm.connection, QStringLiteral("v_id_cons_use")),
      v_id_cons_use1(dm.connection, QStringLiteral("v_id_cons_use1")),
      sum_smena_gds_use(dm.connection, QStringLiteral("sum_smena_gds_use")),
      operation(dm.connection, QStringLiteral("operation")),
      position_now(dm.connection, QStringLiteral("position_now")), store_(dm) {
    v_cmn_gds_in.setSql(statements::materialGoods());
    v_id_cons_use.setSql(statements::materialRemainder("free"));
    v_id_cons_use1.setSql(statements::materialRemainder("reserved"));
    sum_smena_gds_use.setSql(statements::materialUsed());
    position_now.setSql(statements::materialPosition());

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

bool MaterialDialog::addFor(int positionId) {
    pos_id = positionId;
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
    position_now.close();
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
    position_now.close();
    position_now.setParam(QStringLiteral("id_smena"), pos_id);
    position_now.open();
    if (position_now.isEmpty())
        throw data::Error(QStringLiteral("Позиция изменена или удалена на другом рабочем месте"));
    const QVariant storedQuantity = position_now.value(QStringLiteral("kol_vo"));
    const int product = data::value::toInt32(position_now.value(QStringLiteral("i_id")), "i_id");
    operation.setSql(statements::materialNorm(paintChosen(), product, use_goods_id));
    operation.open();
    openRemainders();
    used_qty = readUsedQty();
    const double perPiece =
        operation.isEmpty() ? 0 : operation.asDouble(QStringLiteral("f_qty_from"));
    const double quantity = data::value::isNull(storedQuantity)
                                ? 0
                                : data::value::toDouble(storedQuantity, QStringLiteral("kol_vo"));
    norm_qty = data::value::rounded(quantity * perPiece, 4);
    Edit7->setText(commaText(material::proposal(norm_qty, used_qty)));
    Edit7->setToolTip(QStringLiteral("Норма: %1, уже записано: %2")
                          .arg(commaText(norm_qty), commaText(used_qty)));
}

bool MaterialDialog::paintChosen() {
    v_cmn_gds_in.locate(QStringLiteral("id"), LCB_id_gds_use->key());
    return data::value::toDouble(v_cmn_gds_in.value(QStringLiteral("b_is_color")),
                                 QStringLiteral("b_is_color")) == 1;
}

void MaterialDialog::record() {
    if (LCB_id_gds_use->text().isEmpty()) {
        ui::Messages::error(QStringLiteral("Все поля должны быть заполнены!"), this);
        return;
    }
    const double typed = material::typedQuantity(Edit7->text(), true);
    if (LCB_id_gds_use->key().isNull() || use_goods_id == 0)
        return;
    const MaterialStore::Result result =
        store_.record(pos_id, use_goods_id, paintChosen(), typed, [this](const QString& question) {
            return ui::Messages::askQuantity(question, this);
        });
    if (result.outcome == MaterialStore::Outcome::Written) {
        accept();
        return;
    }
    if (result.outcome == MaterialStore::Outcome::TakenMeanwhile) {
        const MaterialFigures& now = result.figures;
        ui::Messages::error(
            QStringLiteral("Расход не записан: пока шёл запрос, на другом рабочем месте записан "
                           "расход этого ТМЦ или изменено количество позиции.\nНорма: %1, уже "
                           "записано: %2, остаток: %3.")
                .arg(commaText(now.normQty), commaText(now.usedQty), commaText(now.avail)),
            this);
        computeNorm(); // the dialog proposes what is left now
    }
}

} // namespace journal
