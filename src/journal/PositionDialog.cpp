#include "PositionDialog.h"

#include "BrigadePanel.h"
#include "JournalGrid.h"
#include "JournalStatements.h"
#include "MaterialsPanel.h"
#include "Positions.h"
#include "data/Command.h"
#include "data/Error.h"
#include "data/NumberText.h"
#include "data/SqlText.h"
#include "data/Value.h"
#include "reference/OperationPick.h"
#include "reference/Operations.h"
#include "reference/Pickers.h"
#include "state/DataModule.h"
#include "ui/Controls.h"
#include "ui/LookupBox.h"
#include "ui/MessageTexts.h"
#include "ui/Messages.h"
#include "ui/ResultSetModel.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace journal {

namespace {

// The materials of no position.
constexpr int noPosition = -1;

// Numbers as the workstation shows them: shortest form, decimal comma.
QString shown(double v) {
    return data::value::withDecimalComma(QVariant(v));
}

QLineEdit* box(const char* name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

} // namespace

PositionDialog::PositionDialog(state::DataModule& dm, reference::WorkersList& workers,
                               reference::OperationsList& operations, MaterialDialog& materials,
                               QWidget* parent)
    : ui::Form(QStringLiteral("TForm11"), QString(), parent), dm_(dm), workers_(workers),
      operations_(operations), store_(dm), today_([] { return QDate::currentDate(); }),
      requisitions_(dm.connection, QStringLiteral("v_mnf_requisition")),
      requisitionLines_(dm.connection, QStringLiteral("v_mnf_requisition_item")),
      goods_(dm.connection, QStringLiteral("id_gds")),
      goodsLines_(dm.connection, QStringLiteral("get_doc_by_gds")) {
    requisitions_.setSql(statements::requisitions());
    requisitionLines_.setSql(statements::requisitionLines());
    goods_.setSql(statements::goods());
    goodsLines_.setSql(statements::docItemsByGoods());
    goodsLines_.setParam(QStringLiteral("id_gds"), 0);
    goodsLines_.setParam(QStringLiteral("id_gds_color"), 0);

    fieldsBox_ = makeFields();
    QHBoxLayout* modeRow = makeModeRow();
    materials_ = new MaterialsPanel(dm, materials, *this, [this] { materialAdded(); });
    brigade_ = new BrigadePanel(dm, workers, *this);
    exitButton_ = addButton(Names::exit, QStringLiteral("Выход"), [this] { reject(); });
    setCancelButton(exitButton_);
    brigade_->endButtonRowWith(exitButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fieldsBox_);
    layout->addLayout(modeRow);
    // No stretch: the extra height goes to both panels alike, so their grids stay equally tall.
    layout->addWidget(materials_);
    layout->addWidget(brigade_);
    setClientSize(761, 558);
    // Tab as the fields stand on the screen: the date comes before the rejects.
    ui::setTabOrder({quantityEdit_, hoursEdit_, dateEdit_, rejectsEdit_});
    ui::tabToCheckedChoice({byRequisitionChoice_, byGoodsChoice_});

    connect(documentBox_, &ui::LookupBox::chosen, this,
            [this] { runGuarded([this] { documentChosen(); }); });
    connect(lineBox_, &ui::LookupBox::chosen, this,
            [this] { runGuarded([this] { lineChosen(); }); });
}

// The position's own fields, "Закрыто мастером".
QGroupBox* PositionDialog::makeFields() {
    auto* group = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    group->setObjectName(QLatin1String(Names::fields));
    QFont bold = group->font();
    bold.setBold(true);
    group->setFont(bold);
    documentLabel_ = ui::boldLabel(QStringLiteral("Продукция"), Names::documentLabel, group);
    documentBox_ = new ui::LookupBox(Names::document, group);
    documentBox_->setFixedWidth(320);
    lineBox_ = new ui::LookupBox(Names::line, group);
    lineBox_->setFixedWidth(277);
    workerEdit_ = box(Names::worker, group);
    operationEdit_ = box(Names::operation, group);
    for (QLineEdit* e : {workerEdit_, operationEdit_}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus); // skipped by Tab; a click opens its picker
        e->setFixedWidth(288);
        e->installEventFilter(this);
    }
    pickWorkerButton_ =
        addButton(Names::pickWorker, QStringLiteral("..."), [this] { pickWorker(); });
    pickOperationButton_ =
        addButton(Names::pickOperation, QStringLiteral("..."), [this] { pickOperation(); });
    for (QPushButton* b : {pickWorkerButton_, pickOperationButton_})
        b->setFixedWidth(28);
    quantityEdit_ = box(Names::quantity, group);
    hoursEdit_ = box(Names::hours, group);
    rejectsEdit_ = box(Names::rejects, group);
    for (QLineEdit* e : {rejectsEdit_, hoursEdit_})
        e->setMaxLength(4);
    dateEdit_ = new ui::DatePicker(Names::date, group);
    basePriceEdit_ = box(Names::basePrice, group);
    finalPriceEdit_ = box(Names::finalPrice, group);
    sumEdit_ = box(Names::sum, group);
    for (QLineEdit* e : {basePriceEdit_, finalPriceEdit_, sumEdit_})
        e->setEnabled(false);
    for (QLineEdit* e :
         {quantityEdit_, rejectsEdit_, sumEdit_, hoursEdit_, basePriceEdit_, finalPriceEdit_})
        e->installEventFilter(this); // leaving a box
    for (QLineEdit* e : {quantityEdit_, sumEdit_, basePriceEdit_, finalPriceEdit_})
        ui::filterKeys(e, ui::TypedKeys::Decimal);
    for (QLineEdit* e : {rejectsEdit_, hoursEdit_})
        ui::filterKeys(e, ui::TypedKeys::Digits);

    auto* fields = new QGridLayout(group);
    auto* row1 = new QHBoxLayout;
    row1->addWidget(documentLabel_);
    row1->addWidget(documentBox_);
    row1->addWidget(ui::boldLabel(QStringLiteral("Строка"), "Label14", group));
    row1->addWidget(lineBox_, 1);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(ui::boldLabel(QStringLiteral("ФИО"), "Label1", group));
    row2->addWidget(workerEdit_);
    row2->addWidget(pickWorkerButton_);
    row2->addWidget(ui::boldLabel(QStringLiteral("Операция"), "Label2", group));
    row2->addWidget(operationEdit_);
    row2->addWidget(pickOperationButton_);
    auto* row3 = new QHBoxLayout;
    row3->addWidget(ui::boldLabel(QStringLiteral("Кол-во"), "Label3", group));
    row3->addWidget(quantityEdit_);
    row3->addWidget(ui::boldLabel(QStringLiteral("Время"), "Label7", group));
    row3->addWidget(hoursEdit_);
    row3->addWidget(ui::boldLabel(QStringLiteral("Дата"), "Label5", group));
    row3->addWidget(dateEdit_);
    row3->addWidget(ui::boldLabel(QStringLiteral("Брак"), "Label4", group));
    row3->addWidget(rejectsEdit_);
    auto* prices = new QGridLayout;
    prices->addWidget(ui::boldLabel(QStringLiteral("Цена база"), "Label11", group), 0, 0);
    prices->addWidget(basePriceEdit_, 0, 1);
    prices->addWidget(ui::boldLabel(QStringLiteral("Цена итог"), "Label9", group), 1, 0);
    prices->addWidget(finalPriceEdit_, 1, 1);
    row3->addLayout(prices);
    row3->addWidget(ui::boldLabel(QStringLiteral("Сумма"), "Label8", group));
    row3->addWidget(sumEdit_);
    fields->addLayout(row1, 0, 0);
    fields->addLayout(row2, 1, 0);
    fields->addLayout(row3, 2, 0);
    return group;
}

// The mode switch, the position's id and "Запись".
QHBoxLayout* PositionDialog::makeModeRow() {
    entryBox_ = new QGroupBox(QStringLiteral("Режим работы:"), this);
    entryBox_->setObjectName(QLatin1String(Names::entry));
    byRequisitionChoice_ = new QRadioButton(QStringLiteral("По ЗВП"), entryBox_);
    byRequisitionChoice_->setObjectName(QLatin1String(Names::byRequisition));
    byGoodsChoice_ = new QRadioButton(QStringLiteral("По ТМЦ "), entryBox_);
    byGoodsChoice_->setObjectName(QLatin1String(Names::byGoods));
    byGoodsChoice_->setChecked(true);
    auto* choices = new QHBoxLayout(entryBox_);
    choices->addWidget(byRequisitionChoice_);
    choices->addWidget(byGoodsChoice_);
    for (QRadioButton* rb : {byRequisitionChoice_, byGoodsChoice_})
        connect(rb, &QRadioButton::clicked, this,
                [this] { runGuarded([this] { chooseEntry(entryBy()); }); });
    idLabel_ = ui::boldLabel(QString(), Names::id, this);
    saveButton_ = addButton(Names::save, QStringLiteral("Запись"), [this] { save(); });
    setDefaultButton(saveButton_);
    auto* row = new QHBoxLayout;
    row->addWidget(entryBox_);
    row->addStretch(1);
    row->addWidget(idLabel_);
    row->addStretch(1);
    row->addWidget(saveButton_);
    return row;
}

PositionDialog::EntryBy PositionDialog::entryBy() const {
    return byGoodsChoice_->isChecked() ? EntryBy::Goods : EntryBy::Requisition;
}

// What a previous entry chose never reaches this one.
void PositionDialog::resetChoices() {
    chosen_ = PositionValues{};
    workerEdit_->clear();
    operationEdit_->clear();
}

void PositionDialog::chooseEntry(EntryBy by) {
    resetChoices();
    if (by == EntryBy::Goods) {
        goods_.close();
        goods_.open();
        goodsLines_.close();
        goodsLines_.setParam(QStringLiteral("id_gds"), 0);
        goodsLines_.setParam(QStringLiteral("id_gds_color"), 0);
        goodsLines_.open();
        documentLabel_->setText(QStringLiteral("Продукция"));
        documentBox_->bind(&goods_, QStringLiteral("id"), QStringLiteral("s_caption"));
        lineBox_->bind(&goodsLines_, QStringLiteral("id"), QStringLiteral("s_caption"));
    } else {
        requisitions_.close();
        requisitions_.setFiltered(false);
        requisitions_.open();
        requisitionLines_.close();
        requisitionLines_.setFilter(QStringLiteral("id_doc=0"));
        requisitionLines_.setFiltered(true);
        requisitionLines_.open();
        documentLabel_->setText(QStringLiteral("Заявка"));
        documentBox_->bind(&requisitions_, QStringLiteral("id"), QStringLiteral("s_caption"));
        lineBox_->bind(&requisitionLines_, QStringLiteral("id"), QStringLiteral("s_caption"));
    }
    documentBox_->setKey(0);
    lineBox_->setKey(0);
}

void PositionDialog::clearWorkerAndOperation() {
    operationEdit_->clear();
    workerEdit_->clear();
    chosen_.operationId = chosen_.personId = chosen_.workerCode = 0;
}

void PositionDialog::documentChosen() {
    if (entryBy() == EntryBy::Goods) {
        if (documentBox_->text().isEmpty())
            return;
        chosen_.goodsId = goods_.asInt(QStringLiteral("id"));
        chosen_.colorId = goods_.asInt(QStringLiteral("id_gds_color"));
        goodsLines_.close();
        goodsLines_.setParam(QStringLiteral("id_gds"), chosen_.goodsId);
        goodsLines_.setParam(QStringLiteral("id_gds_color"), chosen_.colorId);
        goodsLines_.open();
        return;
    }
    requisitionLines_.setFiltered(false);
    chosen_.requisitionId =
        documentBox_->text().isEmpty() ? 0 : requisitions_.asInt(QStringLiteral("id"));
    requisitionLines_.setFilter(
        sqltext::filterEquals(QStringLiteral("id_doc"), chosen_.requisitionId));
    requisitionLines_.setFiltered(true);
    if (!documentBox_->text().isEmpty())
        lineBox_->setEnabled(true);
    lineBox_->setKey(0);
    chosen_.requisitionItemId = 0;
    clearWorkerAndOperation();
}

void PositionDialog::lineChosen() {
    if (!lineBox_->text().isEmpty()) {
        ui::setEnabled({workerEdit_, pickWorkerButton_}, true);
        const bool byGoods = entryBy() == EntryBy::Goods;
        data::ResultSet& line = byGoods ? goodsLines_ : requisitionLines_;
        chosen_.requiredQuantity =
            line.asDouble(byGoods ? QStringLiteral("f_qty_need") : QStringLiteral("f_qty"));
        quantityEdit_->setText(shown(chosen_.requiredQuantity));
        chosen_.requisitionId = line.asInt(QStringLiteral("id_doc"));
        chosen_.requisitionItemId = line.asInt(QStringLiteral("id"));
    }
    clearWorkerAndOperation();
}

void PositionDialog::pickWorker() {
    const auto worker = workers_.pick();
    if (!worker)
        return;
    workerEdit_->setText(worker->fio);
    chosen_.workerCode = worker->id;
    chosen_.personId = worker->personId;
    operationEdit_->clear();
    chosen_.operationId = 0;
    if (!workerEdit_->text().isEmpty())
        ui::setEnabled({operationEdit_, pickOperationButton_}, true);
}

void PositionDialog::pickOperation() {
    reference::OperationPickRequest request;
    if (mode_ != Mode::Add)
        request.startOperation = chosen_.operationId;
    const bool requisitionChosen =
        !documentBox_->text().trimmed().isEmpty() || !lineBox_->text().isEmpty();
    if (requisitionChosen) {
        const bool byGoods = entryBy() == EntryBy::Goods;
        if (byGoods && goods_.isOpen() && !goods_.isEmpty())
            request.requisitionProduct = goods_.asInt(QStringLiteral("id"));
        else if (!byGoods && requisitionLines_.isOpen() && !requisitionLines_.isEmpty())
            request.requisitionProduct = data::value::toInt32(
                requisitionLines_.value(QStringLiteral("s_gds_mc")), QStringLiteral("s_gds_mc"));
    }
    request.dayOff = dm_.session.dayOff;
    request.shift = dm_.session.selectedShift;
    if (const auto pick = operations_.pick(request)) {
        chosen_.productId = pick->productId;
        chosen_.operationId = pick->operationId;
        chosen_.basePrice = pick->basePrice;
        chosen_.finalPrice = pick->finalPrice;
        operationEdit_->setText(pick->description);
    }
    // The paint rule: only a painting's sum may be typed.
    const bool paint = operationEdit_->text().toUpper().contains(QStringLiteral("КРАСКА"));
    if (!paint)
        sumEdit_->clear();
    sumEdit_->setEnabled(paint);
    showPrices();
}

void PositionDialog::showPrices() {
    if (hoursEdit_->text().isEmpty())
        hoursEdit_->setText(QStringLiteral("0"));
    if (quantityEdit_->text().isEmpty())
        quantityEdit_->setText(QStringLiteral("0"));
    finalPriceEdit_->setText(shown(chosen_.finalPrice));
    basePriceEdit_->setText(chosen_.basePrice ? shown(*chosen_.basePrice) : QString());
    const double quantity =
        sqltext::typedDecimal(quantityEdit_->text(), QStringLiteral("Кол-во")).toDouble();
    sumEdit_->setText(shown(data::value::rounded(quantity * chosen_.finalPrice, 4)));
}

PositionValues PositionDialog::values() const {
    PositionValues v = chosen_;
    v.quantity = quantityEdit_->text();
    v.rejects = rejectsEdit_->text();
    v.hours = hoursEdit_->text();
    v.date = dateEdit_->date();
    v.shift = dm_.session.selectedShift;
    // By requisition no goods item and no colour are chosen.
    if (entryBy() != EntryBy::Goods)
        v.goodsId = v.colorId = 0;
    return v;
}

void PositionDialog::save() {
    for (QLineEdit* e : {workerEdit_, operationEdit_, quantityEdit_, rejectsEdit_, hoursEdit_})
        if (e->text().trimmed().isEmpty())
            throw data::Error(ui::texts::allFieldsRequired());
    if (documentBox_->text().isEmpty() || lineBox_->text().isEmpty())
        throw data::Error(ui::texts::allFieldsRequired());
    const double quantity =
        sqltext::typedDecimal(quantityEdit_->text(), QStringLiteral("Кол-во")).toDouble();
    const bool adding = mode_ == Mode::Add && positionId_ == 0;
    if ((adding && quantity > chosen_.requiredQuantity) ||
        (mode_ == Mode::Change && changeLimit_ && quantity > *changeLimit_))
        throw data::Error(QStringLiteral("Количество изделий не может быть больше требуемого!"));
    if (!dayHoursAgreed(adding))
        return;
    // The journal under the dialog is read again once, by its opener when the dialog closes.
    if (adding) {
        positionId_ = store_.insert(values(), today_());
        idLabel_->setText(QString::number(positionId_));
        materials_->showFor(positionId_);
        emit positionAdded(positionId_);
    } else {
        store_.update(positionId_, values(), today_());
    }
    // Changed or added, the materials are open to it (the grid already was).
    materials_->enableControls(true);
    for (int shift = 1; shift <= 3; ++shift)
        dm_.timesheet(shift).close();
    if (mode_ == Mode::Add) {
        brigade_->showFor(positionId_);
        brigade_->enableControls(true);
        ui::setEnabled({fieldsBox_, saveButton_}, false);
        materials_->focusAdd();
    }
}

// More than a day's hours over all the worker's positions of the date is asked about, not
// refused: a position entered on the wrong day may be the one to mend.
bool PositionDialog::dayHoursAgreed(bool adding) {
    const PositionValues v = values();
    const qint64 hours =
        sqltext::typedInteger(v.hours, 0, PositionStore::dayHours, QStringLiteral("Время"))
            .toLongLong();
    if (hours == 0 || !v.date.isValid())
        return true;
    const qint64 total =
        hours + store_.otherDayHours(v.workerCode, v.date, adding ? 0 : positionId_);
    if (total <= PositionStore::dayHours)
        return true;
    return ui::Messages::show(
               QStringLiteral("Запрос"),
               QStringLiteral("У работника за %1 будет %2 ч по всем позициям: больше %3 ч в "
                              "сутки. Сохранить позицию?")
                   .arg(v.date.toString(QStringLiteral("dd.MM.yyyy")))
                   .arg(total)
                   .arg(PositionStore::dayHours),
               ui::Messages::Icon::Warning, ui::Messages::Buttons::YesNo,
               this) == ui::Messages::Answer::Yes;
}

void PositionDialog::reject() {
    if (brigade_->holdsUndivided() &&
        ui::Messages::show(QStringLiteral("Выход"),
                           QStringLiteral("Бригада не разделена. Выйти без разделения?"),
                           ui::Messages::Icon::Question, ui::Messages::Buttons::YesNo,
                           this) != ui::Messages::Answer::Yes)
        return;
    ui::Form::reject();
}

void PositionDialog::materialAdded() {
    brigade_->reloadIfShown();
    if (quantityEdit_->text().isEmpty())
        quantityEdit_->setText(QStringLiteral("0"));
}

void PositionDialog::done(int result) {
    // The closing steps, on every way out.
    materials_->close();
    requisitions_.close();
    requisitionLines_.setFilter(QStringLiteral("id_doc=0"));
    requisitionLines_.setFiltered(true);
    requisitionLines_.close();
    ui::setEnabled({fieldsBox_, saveButton_}, true);
    brigade_->clear();
    ui::Form::done(result);
}

// The requisitions and their open lines, as the add opener and the mode switch read them.
void PositionDialog::restoreStatements() {
    requisitions_.close();
    requisitions_.setSql(statements::requisitions());
    requisitionLines_.close();
    requisitionLines_.setSql(statements::requisitionLines());
}

bool PositionDialog::addNew() {
    dateEdit_->setDate(dm_.session.journalDate);
    for (QLineEdit* e :
         {workerEdit_, operationEdit_, quantityEdit_, sumEdit_, basePriceEdit_, finalPriceEdit_})
        e->clear();
    rejectsEdit_->setText(QStringLiteral("0"));
    hoursEdit_->setText(QStringLiteral("0"));
    setWindowTitle(QStringLiteral("Заведение новой позиции"));
    mode_ = Mode::Add;
    restoreStatements();
    materials_->showFor(noPosition);
    materials_->enableControls(false);
    brigade_->enableControls(false);
    idLabel_->clear();
    ui::setEnabled({documentBox_, lineBox_}, true);
    positionId_ = 0;
    chooseEntry(entryBy());
    exec();
    return true;
}

void PositionDialog::fillFromJournalRow(data::ResultSet& row) {
    chosen_.finalPrice = row.asDouble(QStringLiteral("cena"));
    chosen_.basePrice.reset();
    positionId_ = row.asInt(QStringLiteral("id"));
    finalPriceEdit_->setText(shown(data::value::rounded(chosen_.finalPrice, 4)));
    dateEdit_->setDate(row.asDate(QStringLiteral("data")));
    workerEdit_->setText(row.asString(QStringLiteral("fio")).trimmed());
    operationEdit_->setText(row.asString(QStringLiteral("marka")).trimmed() + QStringLiteral("; ") +
                            row.asString(QStringLiteral("vid")).trimmed() + QStringLiteral("; ") +
                            (row.asInt64(QStringLiteral("naimen")) == 0
                                 ? QStringLiteral("Готовая продукция")
                                 : QStringLiteral("Заготовки")));
    quantityEdit_->setText(
        data::value::withDecimalComma(row.value(QStringLiteral("kol_vo"))).trimmed());
    rejectsEdit_->setText(row.asString(QStringLiteral("brak")).trimmed());
    hoursEdit_->setText(QString::number(row.asInt(QStringLiteral("time"))));
    chosen_.workerCode = row.asInt(QStringLiteral("w_id"));
    chosen_.productId = row.asInt(QStringLiteral("i_id"));
    chosen_.operationId = row.asInt(QStringLiteral("o_id"));
    // A stored position keeps only its final price; the base is the operation's lowest step
    // as it stands now.
    data::Command lowest(dm_.connection);
    lowest.setSql(statements::operationPrice());
    lowest.setParam(QStringLiteral("o_id"), chosen_.operationId);
    const QVariant lowestPrice = lowest.executeScalar();
    if (!data::value::isNull(lowestPrice))
        chosen_.basePrice =
            reference::priceInForce(data::value::toDouble(lowestPrice), false, 1).basePrice;
    basePriceEdit_->setText(chosen_.basePrice ? shown(*chosen_.basePrice) : QString());

    // The box shows the position's requisition, whatever the mode switch says.
    documentLabel_->setText(QStringLiteral("Заявка"));
    documentBox_->bind(&requisitions_, QStringLiteral("id"), QStringLiteral("s_caption"));
    lineBox_->bind(&requisitionLines_, QStringLiteral("id"), QStringLiteral("s_caption"));
    requisitions_.close();
    requisitionLines_.close();
    const auto showStored = [this](data::ResultSet& query, const QString& sql, ui::LookupBox* box) {
        query.setSql(sql);
        query.setParam(QStringLiteral("id_smena"), positionId_);
        query.open();
        query.first();
        box->setKey(query.isEmpty() ? QVariant(0) : query.value(QStringLiteral("id")));
    };
    showStored(requisitions_, statements::positionRequisition(), documentBox_);
    showStored(requisitionLines_, statements::positionLine(), lineBox_);
    materials_->showFor(positionId_);
    const double quantity = row.asDouble(QStringLiteral("kol_vo"));
    sumEdit_->setText(shown(data::value::rounded(quantity * chosen_.finalPrice, 4)));
    idLabel_->setText(QString::number(positionId_));
}

bool PositionDialog::changeCurrent() {
    data::ResultSet& journal = selectedJournal(dm_);
    if (journal.isEmpty())
        return false;
    if (isAccepted(journal.asString(QStringLiteral("ok"))))
        throw data::Error(ui::texts::acceptedPositionIsFixed());
    setWindowTitle(QStringLiteral("Изменение данных о позиции"));
    mode_ = Mode::Change;
    changeLimit_.reset();
    if (journal.hasField(QStringLiteral("id_doc_item")) &&
        !journal.isNull(QStringLiteral("id_doc_item"))) {
        data::Command line(dm_.connection);
        line.setSql(statements::lineStillRequired());
        line.setParam(QStringLiteral("id"), journal.asInt(QStringLiteral("id_doc_item")));
        const QVariant stillRequired = line.executeScalar();
        if (!data::value::isNull(stillRequired))
            changeLimit_ =
                data::value::toDouble(stillRequired) + journal.asDouble(QStringLiteral("kol_vo"));
    }
    entryBox_->hide();
    fillFromJournalRow(journal);
    ui::setEnabled({pickWorkerButton_, pickOperationButton_, workerEdit_, operationEdit_,
                    documentBox_, lineBox_},
                   false);
    materials_->enableControls(true);
    brigade_->enableControls(false);
    ui::setEnabled({fieldsBox_, saveButton_, quantityEdit_, rejectsEdit_, hoursEdit_}, true);
    brigade_->close();
    exec();
    entryBox_->show();
    ui::setEnabled({pickWorkerButton_, pickOperationButton_, workerEdit_, operationEdit_}, true);
    return true;
}

bool PositionDialog::viewCurrent() {
    data::ResultSet& journal = selectedJournal(dm_);
    // Looking changes nothing: the mode switch would clear the worker and the operation.
    ui::setEnabled({fieldsBox_, saveButton_, entryBox_}, false);
    materials_->enableControls(false);
    brigade_->enableControls(false);
    const bool shown = !journal.isEmpty();
    if (shown) {
        setWindowTitle(QStringLiteral("Просмотр данных о позиции"));
        mode_ = Mode::View;
        fillFromJournalRow(journal);
        exec();
        restoreStatements();
    }
    ui::setEnabled({fieldsBox_, saveButton_, entryBox_}, true);
    materials_->enableControls(true);
    return shown;
}

bool PositionDialog::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit)
        return ui::Form::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress && edit->isEnabled()) {
        if (edit == workerEdit_)
            runGuarded([this] { pickWorker(); });
        else if (edit == operationEdit_)
            runGuarded([this] { pickOperation(); });
        if (edit == workerEdit_ || edit == operationEdit_)
            return true;
    }
    if (event->type() == QEvent::FocusOut) {
        if (edit == quantityEdit_)
            runGuarded([this] { showPrices(); });
        else if ((edit == rejectsEdit_ || edit == hoursEdit_) && edit->text().isEmpty())
            edit->setText(QStringLiteral("0"));
    }
    return ui::Form::eventFilter(watched, event);
}

// The wheel anywhere over the dialog moves the choice of the focused lookup box by one
// entry; a sideways wheel moves nothing.
void PositionDialog::wheelEvent(QWheelEvent* event) {
    for (ui::LookupBox* box : {documentBox_, lineBox_}) {
        if (!box->hasFocus() || event->angleDelta().y() == 0)
            continue;
        QKeyEvent press(QEvent::KeyPress, event->angleDelta().y() < 0 ? Qt::Key_Down : Qt::Key_Up,
                        Qt::NoModifier);
        QApplication::sendEvent(box, &press);
        event->accept();
        return;
    }
    ui::Form::wheelEvent(event);
}

} // namespace journal
