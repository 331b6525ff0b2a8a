#include "MaterialDialog.h"

#include "JournalStatements.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "data/Value.h"
#include "state/DataModule.h"
#include "ui/Controls.h"
#include "ui/LookupBox.h"
#include "ui/MessageTexts.h"
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

MaterialDialog::MaterialDialog(state::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("TForm24"), QStringLiteral("Материал"), parent),
      goods_(dm.connection, QStringLiteral("v_cmn_gds_in")),
      freeStock_(dm.connection, QStringLiteral("v_id_cons_use")),
      reservedStock_(dm.connection, QStringLiteral("v_id_cons_use1")),
      used_(dm.connection, QStringLiteral("sum_smena_gds_use")),
      norm_(dm.connection, QStringLiteral("operation")),
      positionNow_(dm.connection, QStringLiteral("position_now")), store_(dm) {
    goods_.setSql(statements::materialGoods());
    freeStock_.setSql(statements::materialRemainder("free"));
    reservedStock_.setSql(statements::materialRemainder("reserved"));
    used_.setSql(statements::materialUsed());
    positionNow_.setSql(statements::materialPosition());

    auto* goodsLabel = new QLabel(QStringLiteral("ТМЦ"), this);
    goodsLabel->setObjectName(QStringLiteral("Label12"));
    goodsBox_ = new ui::LookupBox(Names::goods, this);
    goodsBox_->setFixedWidth(209);
    goodsBox_->bind(&goods_, QStringLiteral("id"), QStringLiteral("s_caption"));
    goodsBox_->installEventFilter(this);
    goodsLabel->setBuddy(goodsBox_);
    auto* quantityLabel = new QLabel(QStringLiteral("Расход"), this);
    quantityLabel->setObjectName(QStringLiteral("Label11"));
    quantityEdit_ = new QLineEdit(QStringLiteral("0"), this);
    quantityEdit_->setObjectName(QLatin1String(Names::quantity));
    quantityEdit_->setFixedWidth(55);
    ui::filterKeys(quantityEdit_, ui::TypedKeys::Decimal);
    quantityLabel->setBuddy(quantityEdit_);
    normLabel_ = new QLabel(this);
    normLabel_->setObjectName(QLatin1String(Names::norm));
    freeStockLabel_ = ui::boldLabel(QString(), Names::freeStock, this);
    reservedStockLabel_ = ui::boldLabel(QString(), Names::reservedStock, this);
    connect(&freeStock_, &data::ResultSet::reset, freeStockLabel_,
            [this] { freeStockLabel_->setText(firstCaption(freeStock_)); });
    connect(&reservedStock_, &data::ResultSet::reset, reservedStockLabel_,
            [this] { reservedStockLabel_->setText(firstCaption(reservedStock_)); });

    saveButton_ = addButton(Names::save, QStringLiteral("Запись"), [this] { record(); });
    cancelButton_ = addButton(Names::cancel, QStringLiteral("Отмена"), [this] { reject(); });
    setDefaultButton(saveButton_);
    setCancelButton(cancelButton_);
    connect(goodsBox_, &ui::LookupBox::chosen, this,
            [this] { runGuarded([this] { computeNorm(); }); });

    auto* row = new QHBoxLayout;
    row->addWidget(goodsLabel);
    row->addWidget(goodsBox_);
    row->addSpacing(8);
    row->addWidget(quantityLabel);
    row->addWidget(quantityEdit_);
    row->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(saveButton_);
    buttons->addWidget(cancelButton_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(3);
    layout->addLayout(row);
    layout->addWidget(normLabel_);
    layout->addWidget(freeStockLabel_);
    layout->addWidget(reservedStockLabel_);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setClientSize(399, 141);
}

QString MaterialDialog::firstCaption(const data::ResultSet& remainder) {
    if (!remainder.isOpen() || remainder.isEmpty())
        return {};
    return data::value::toString(
        remainder.valueAt(0, remainder.fieldIndex(QStringLiteral("s_full_caption"))));
}

bool MaterialDialog::addFor(int positionId) {
    positionId_ = positionId;
    goodsId_ = 0;
    usedQty_ = normQty_ = 0;
    showNorm({});
    freeStock_.close();
    reservedStock_.close();
    goods_.close();
    goods_.setParam(QStringLiteral("id_smena"), positionId_);
    bool written = false;
    if (runGuarded([this] { goods_.open(); }))
        written = exec() == QDialog::Accepted;
    goods_.close();
    freeStock_.close();
    reservedStock_.close();
    norm_.close();
    used_.close();
    positionNow_.close();
    goodsBox_->setKey(0);
    quantityEdit_->setText(QStringLiteral("0"));
    showNorm({});
    return written;
}

void MaterialDialog::showEvent(QShowEvent* event) {
    ui::Form::showEvent(event);
    goodsBox_->setFocus();
}

bool MaterialDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == goodsBox_ && event->type() == QEvent::FocusOut) {
        // Its own drop-down and another window coming to the front do not leave the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && isVisible())
            runGuarded([this] { computeNorm(); });
        return ui::Form::eventFilter(watched, event);
    }
    return ui::Form::eventFilter(watched, event);
}

void MaterialDialog::openRemainders() {
    for (data::ResultSet* remainder : {&freeStock_, &reservedStock_}) {
        remainder->close();
        remainder->setParam(QStringLiteral("id_smena"), positionId_);
        remainder->setParam(QStringLiteral("id_gds"), goodsId_);
        remainder->open();
    }
}

double MaterialDialog::readUsedQty() {
    used_.close();
    used_.setParam(QStringLiteral("id_smena"), positionId_);
    used_.setParam(QStringLiteral("id_gds_use"), goodsId_);
    used_.open();
    return used_.isEmpty() ? 0 : used_.asDouble(QStringLiteral("sum_qty_use"));
}

void MaterialDialog::computeNorm() {
    freeStock_.close();
    reservedStock_.close();
    norm_.close();
    normQty_ = 0;
    showNorm({});
    const QVariant key = goodsBox_->key();
    goodsId_ = key.isNull() ? 0 : data::value::toInt32(key, QStringLiteral("id"));
    if (key.isNull()) {
        usedQty_ = 0;
        quantityEdit_->setText(QStringLiteral("0"));
        return;
    }
    positionNow_.close();
    positionNow_.setParam(QStringLiteral("id_smena"), positionId_);
    positionNow_.open();
    if (positionNow_.isEmpty())
        throw data::Error(QStringLiteral("Позиция изменена или удалена на другом рабочем месте"));
    const QVariant storedQuantity = positionNow_.value(QStringLiteral("kol_vo"));
    const int product = data::value::toInt32(positionNow_.value(QStringLiteral("i_id")), "i_id");
    norm_.setSql(statements::materialNorm(paintChosen()));
    norm_.setParam(QStringLiteral("i_id"), product);
    norm_.setParam(QStringLiteral("id_gds"), goodsId_);
    norm_.open();
    openRemainders();
    usedQty_ = readUsedQty();
    const double perPiece = norm_.isEmpty() ? 0 : norm_.asDouble(QStringLiteral("f_qty_from"));
    const double quantity = data::value::isNull(storedQuantity)
                                ? 0
                                : data::value::toDouble(storedQuantity, QStringLiteral("kol_vo"));
    normQty_ = data::value::rounded(quantity * perPiece, 4);
    quantityEdit_->setText(commaText(material::proposal(normQty_, usedQty_)));
    showNorm(QStringLiteral("Норма: %1, уже записано: %2")
                 .arg(commaText(normQty_), commaText(usedQty_)));
}

// On screen and beside the box: the proposal alone does not say how it was reached.
void MaterialDialog::showNorm(const QString& text) {
    normLabel_->setText(text);
    quantityEdit_->setToolTip(text);
}

bool MaterialDialog::paintChosen() {
    goods_.locate(QStringLiteral("id"), goodsBox_->key());
    return data::value::toDouble(goods_.value(QStringLiteral("b_is_color")),
                                 QStringLiteral("b_is_color")) == 1;
}

void MaterialDialog::record() {
    if (goodsBox_->text().isEmpty())
        throw data::Error(ui::texts::allFieldsRequired());
    const double typed =
        material::typedQuantity(quantityEdit_->text(), true, QStringLiteral("Расход"));
    if (goodsBox_->key().isNull() || goodsId_ == 0)
        return;
    const MaterialStore::Result result =
        store_.record(positionId_, goodsId_, paintChosen(), typed, [this](const QString& question) {
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
