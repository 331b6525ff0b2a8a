#include "PositionDialog.h"

#include "JournalWindow.h"
#include "MaterialDialog.h"
#include "PositionStatements.h"
#include "Positions.h"
#include "data/DataModule.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "data/Value.h"
#include "reference/Operations.h"
#include "reference/Pickers.h"
#include "ui/Controls.h"
#include "ui/DataGrid.h"
#include "ui/LookupBox.h"
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
#include <cmath>

namespace journal {

namespace {

const QString requiredMessage = QStringLiteral("Все поля должны быть заполнены!");
const QString noDatabase = QStringLiteral("Невозможно сохранить данные в БД!");

// Numbers as the workstation shows them: shortest form, decimal comma.
QString shown(double v) {
    return ui::withDecimalComma(QVariant(v));
}

QLineEdit* box(const char* name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

} // namespace

PositionDialog::PositionDialog(data::DataModule& dm, JournalWindow& journal,
                               reference::WorkersList& workers,
                               reference::OperationsList& operations, MaterialDialog& materials,
                               QWidget* parent)
    : ui::Form(QStringLiteral("TForm11"), QString(), parent), dm_(dm), journal_(journal),
      workers_(workers), operations_(operations), materials_(materials), store_(dm),
      today_([] { return QDate::currentDate(); }),
      v_mnf_requisition(dm.connection, QStringLiteral("v_mnf_requisition")),
      v_mnf_requisition_item(dm.connection, QStringLiteral("v_mnf_requisition_item")),
      id_gds(dm.connection, QStringLiteral("id_gds")),
      get_doc_by_gds(dm.connection, QStringLiteral("get_doc_by_gds")),
      smena_gds_use(dm.connection, QStringLiteral("smena_gds_use")),
      fio_smena_gds(dm.connection, QStringLiteral("fio_smena_gds")),
      ins_person(dm.connection, QStringLiteral("ins_person")),
      save_all(dm.connection, QStringLiteral("save_all")) {
    v_mnf_requisition.setSql(statements::requisitions());
    v_mnf_requisition_item.setSql(statements::requisitionLines());
    id_gds.setSql(statements::goods());
    get_doc_by_gds.setSql(statements::docItemsByGoods());
    get_doc_by_gds.setParam(QStringLiteral("id_gds"), 0);
    get_doc_by_gds.setParam(QStringLiteral("id_gds_color"), 0);
    smena_gds_use.setSql(statements::positionMaterials());
    smena_gds_use.setParam(QStringLiteral("id_smena"), -1);
    fio_smena_gds.setSql(statements::positionMembers());
    fio_smena_gds.setParam(QStringLiteral("s_id"), -1);
    ins_person.setSql(QStringLiteral(
        "insert into accounts_dep.person_temp(id_smena, id_person) values(:s_id,:p_id)"));
    save_all.setSql(QStringLiteral("select accounts_dep.divide_between_person(:s_id)"));

    // The position's own fields.
    GroupBox1 = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    QFont bold = GroupBox1->font();
    bold.setBold(true);
    GroupBox1->setFont(bold);
    Label13 = ui::boldLabel(QStringLiteral("Продукция"), "Label13", GroupBox1);
    LCB_id_doc = new ui::LookupBox("LCB_id_doc", GroupBox1);
    LCB_id_doc->setFixedWidth(320);
    LCB_id_doc_item = new ui::LookupBox("LCB_id_doc_item", GroupBox1);
    LCB_id_doc_item->setFixedWidth(277);
    Edit1 = box("Edit1", GroupBox1);
    Edit2 = box("Edit2", GroupBox1);
    for (QLineEdit* e : {Edit1, Edit2}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus); // skipped by Tab; a click opens its picker
        e->setFixedWidth(288);
        e->installEventFilter(this);
    }
    Button3 = addButton("Button3", QStringLiteral("..."), [this] { pickWorker(); });
    Button4 = addButton("Button4", QStringLiteral("..."), [this] { pickOperation(); });
    for (QPushButton* b : {Button3, Button4})
        b->setFixedWidth(28);
    Edit3 = box("Edit3", GroupBox1);
    Edit6 = box("Edit6", GroupBox1);
    Edit4 = box("Edit4", GroupBox1);
    for (QLineEdit* e : {Edit4, Edit6})
        e->setMaxLength(4);
    DTimeP = new ui::DatePicker("DTimeP", GroupBox1);
    Edit7 = box("Edit7", GroupBox1);
    Edit8 = box("Edit8", GroupBox1);
    Edit5 = box("Edit5", GroupBox1);
    for (QLineEdit* e : {Edit7, Edit8, Edit5})
        e->setEnabled(false);
    for (QLineEdit* e : {Edit3, Edit4, Edit5, Edit6, Edit7, Edit8})
        e->installEventFilter(this); // leaving a box
    for (QLineEdit* e : {Edit3, Edit5, Edit7, Edit8})
        ui::filterKeys(e, ui::TypedKeys::Decimal);
    for (QLineEdit* e : {Edit4, Edit6})
        ui::filterKeys(e, ui::TypedKeys::Digits);

    auto* fields = new QGridLayout(GroupBox1);
    auto* row1 = new QHBoxLayout;
    row1->addWidget(Label13);
    row1->addWidget(LCB_id_doc);
    row1->addWidget(ui::boldLabel(QStringLiteral("Строка"), "Label14", GroupBox1));
    row1->addWidget(LCB_id_doc_item, 1);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(ui::boldLabel(QStringLiteral("ФИО"), "Label1", GroupBox1));
    row2->addWidget(Edit1);
    row2->addWidget(Button3);
    row2->addWidget(ui::boldLabel(QStringLiteral("Операция"), "Label2", GroupBox1));
    row2->addWidget(Edit2);
    row2->addWidget(Button4);
    auto* row3 = new QHBoxLayout;
    row3->addWidget(ui::boldLabel(QStringLiteral("Кол-во"), "Label3", GroupBox1));
    row3->addWidget(Edit3);
    row3->addWidget(ui::boldLabel(QStringLiteral("Время"), "Label7", GroupBox1));
    row3->addWidget(Edit6);
    row3->addWidget(ui::boldLabel(QStringLiteral("Дата"), "Label5", GroupBox1));
    row3->addWidget(DTimeP);
    row3->addWidget(ui::boldLabel(QStringLiteral("Брак"), "Label4", GroupBox1));
    row3->addWidget(Edit4);
    auto* prices = new QGridLayout;
    prices->addWidget(ui::boldLabel(QStringLiteral("Цена база"), "Label11", GroupBox1), 0, 0);
    prices->addWidget(Edit7, 0, 1);
    prices->addWidget(ui::boldLabel(QStringLiteral("Цена итог"), "Label9", GroupBox1), 1, 0);
    prices->addWidget(Edit8, 1, 1);
    row3->addLayout(prices);
    row3->addWidget(ui::boldLabel(QStringLiteral("Сумма"), "Label8", GroupBox1));
    row3->addWidget(Edit5);
    fields->addLayout(row1, 0, 0);
    fields->addLayout(row2, 1, 0);
    fields->addLayout(row3, 2, 0);

    // Mode switch, the id, "Запись".
    RG1 = new QGroupBox(QStringLiteral("Режим работы:"), this);
    RG1->setObjectName(QStringLiteral("RG1"));
    RG1_0 = new QRadioButton(QStringLiteral("По ЗВП"), RG1);
    RG1_0->setObjectName(QStringLiteral("RG1_0"));
    RG1_1 = new QRadioButton(QStringLiteral("По ТМЦ "), RG1);
    RG1_1->setObjectName(QStringLiteral("RG1_1"));
    RG1_1->setChecked(true);
    auto* modes = new QHBoxLayout(RG1);
    modes->addWidget(RG1_0);
    modes->addWidget(RG1_1);
    for (QRadioButton* rb : {RG1_0, RG1_1})
        connect(rb, &QRadioButton::clicked, this,
                [this] { runGuarded([this] { switchMode(byGoods() ? 1 : 0); }); });
    Label10 = ui::boldLabel(QString(), "Label10", this);
    Button1 = addButton("Button1", QStringLiteral("Запись"), [this] { save(); });
    setDefaultButton(Button1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(RG1);
    middle->addStretch(1);
    middle->addWidget(Label10);
    middle->addStretch(1);
    middle->addWidget(Button1);

    // Materials.
    auto* materialModel =
        new ui::ResultSetModel(smena_gds_use,
                               {{QStringLiteral("s_caption"), QStringLiteral("ТМЦ"), 633},
                                {QStringLiteral("f_qty_use"), QStringLiteral("Расход"), 97,
                                 Qt::AlignRight | Qt::AlignVCenter, ui::withDecimalComma}},
                               this);
    DBGrid1 = new ui::DataGrid("DBGrid1", this);
    DBGrid1->showModel(materialModel);
    Button5 = addButton("Button5", QStringLiteral("Добавить"), [this] { addMaterial(); });
    Button6 = addButton("Button6", QStringLiteral("Удалить"), [this] { deleteMaterial(); });
    auto* materialButtons = new QHBoxLayout;
    materialButtons->addWidget(Button5);
    materialButtons->addWidget(Button6);
    materialButtons->addStretch(1);

    // Brigade.
    Label6 = ui::boldLabel(QStringLiteral("Бригада"), "Label6", this);
    auto* memberModel = new ui::ResultSetModel(
        fio_smena_gds, {{QStringLiteral("s_caption"), QStringLiteral("Фамилия Имя Отчество"), 734}},
        this);
    DBGrid2 = new ui::DataGrid("DBGrid2", this);
    DBGrid2->showModel(memberModel);
    Button7 = addButton("Button7", QStringLiteral("Добавить"), [this] { addMember(); });
    Button8 = addButton("Button8", QStringLiteral("Удалить"), [this] { deleteMember(); });
    Button9 = addButton("Button9", QStringLiteral("Сохранить"), [this] { divide(); });
    Button2 = addButton("Button2", QStringLiteral("Выход"), [this] { reject(); });
    setCancelButton(Button2);
    auto* brigadeButtons = new QHBoxLayout;
    brigadeButtons->addWidget(Button7);
    brigadeButtons->addWidget(Button8);
    brigadeButtons->addStretch(1);
    brigadeButtons->addWidget(Button9);
    brigadeButtons->addWidget(Button2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(middle);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(materialButtons);
    layout->addWidget(Label6);
    layout->addWidget(DBGrid2, 1);
    layout->addLayout(brigadeButtons);
    setClientSize(761, 558);

    connect(LCB_id_doc, &ui::LookupBox::chosen, this,
            [this] { runGuarded([this] { documentChosen(); }); });
    connect(LCB_id_doc_item, &ui::LookupBox::chosen, this,
            [this] { runGuarded([this] { lineChosen(); }); });
}

bool PositionDialog::byGoods() const {
    return RG1_1->isChecked();
}

void PositionDialog::setPanels(bool materials, bool brigade) {
    for (QWidget* w : {static_cast<QWidget*>(DBGrid1), static_cast<QWidget*>(Button5),
                       static_cast<QWidget*>(Button6)})
        w->setEnabled(materials);
    for (QWidget* w : {static_cast<QWidget*>(DBGrid2), static_cast<QWidget*>(Button7),
                       static_cast<QWidget*>(Button8), static_cast<QWidget*>(Button9)})
        w->setEnabled(brigade);
}

// What a previous entry chose never reaches this one.
void PositionDialog::resetState() {
    worker_code = person_id = oper_id = product_id = 0;
    req_doc_id = req_item_id = goods_id = color_id = 0;
    required_qty = base_price = final_price = 0;
    basePriceKnown_ = false;
    Edit1->clear();
    Edit2->clear();
}

void PositionDialog::switchMode(int item) {
    resetState();
    if (item == 1) {
        id_gds.close();
        id_gds.open();
        get_doc_by_gds.close();
        get_doc_by_gds.setParam(QStringLiteral("id_gds"), 0);
        get_doc_by_gds.setParam(QStringLiteral("id_gds_color"), 0);
        get_doc_by_gds.open();
        Label13->setText(QStringLiteral("Продукция"));
        LCB_id_doc->bind(&id_gds, QStringLiteral("id"), QStringLiteral("s_caption"));
        LCB_id_doc_item->bind(&get_doc_by_gds, QStringLiteral("id"), QStringLiteral("s_caption"));
    } else {
        v_mnf_requisition.close();
        v_mnf_requisition.setFiltered(false);
        v_mnf_requisition.open();
        v_mnf_requisition_item.close();
        v_mnf_requisition_item.setFilter(QStringLiteral("id_doc=0"));
        v_mnf_requisition_item.setFiltered(true);
        v_mnf_requisition_item.open();
        Label13->setText(QStringLiteral("Заявка"));
        LCB_id_doc->bind(&v_mnf_requisition, QStringLiteral("id"), QStringLiteral("s_caption"));
        LCB_id_doc_item->bind(&v_mnf_requisition_item, QStringLiteral("id"),
                              QStringLiteral("s_caption"));
    }
    LCB_id_doc->setKey(0);
    LCB_id_doc_item->setKey(0);
}

void PositionDialog::documentChosen() {
    if (byGoods()) {
        if (LCB_id_doc->text().isEmpty())
            return;
        goods_id = id_gds.asInt(QStringLiteral("id"));
        color_id = id_gds.asInt(QStringLiteral("id_gds_color"));
        get_doc_by_gds.close();
        get_doc_by_gds.setParam(QStringLiteral("id_gds"), goods_id);
        get_doc_by_gds.setParam(QStringLiteral("id_gds_color"), color_id);
        get_doc_by_gds.open();
        return;
    }
    v_mnf_requisition_item.setFiltered(false);
    req_doc_id = LCB_id_doc->text().isEmpty() ? 0 : v_mnf_requisition.asInt(QStringLiteral("id"));
    v_mnf_requisition_item.setFilter(sqltext::filterEquals(QStringLiteral("id_doc"), req_doc_id));
    v_mnf_requisition_item.setFiltered(true);
    if (!LCB_id_doc->text().isEmpty())
        LCB_id_doc_item->setEnabled(true);
    LCB_id_doc_item->setKey(0);
    req_item_id = 0;
    Edit2->clear();
    Edit1->clear();
    oper_id = person_id = worker_code = 0;
}

void PositionDialog::lineChosen() {
    if (!LCB_id_doc_item->text().isEmpty()) {
        Edit1->setEnabled(true);
        Button3->setEnabled(true);
        data::ResultSet& line = byGoods() ? get_doc_by_gds : v_mnf_requisition_item;
        required_qty =
            line.asDouble(byGoods() ? QStringLiteral("f_qty_need") : QStringLiteral("f_qty"));
        Edit3->setText(shown(required_qty));
        req_doc_id = line.asInt(QStringLiteral("id_doc"));
        req_item_id = line.asInt(QStringLiteral("id"));
    }
    Edit2->clear();
    Edit1->clear();
    oper_id = person_id = worker_code = 0;
}

void PositionDialog::pickWorker() {
    const auto worker = workers_.pick();
    if (!worker)
        return;
    Edit1->setText(worker->fio);
    worker_code = worker->id;
    person_id = worker->personId;
    Edit2->clear();
    oper_id = 0;
    if (!Edit1->text().isEmpty()) {
        Edit2->setEnabled(true);
        Button4->setEnabled(true);
    }
}

void PositionDialog::pickOperation() {
    reference::OperationPickRequest request;
    if (mode != Add)
        request.startOperation = oper_id;
    const bool requisitionChosen =
        !LCB_id_doc->text().trimmed().isEmpty() || !LCB_id_doc_item->text().isEmpty();
    if (requisitionChosen) {
        if (byGoods() && id_gds.isOpen() && !id_gds.isEmpty())
            request.requisitionProduct = id_gds.asInt(QStringLiteral("id"));
        else if (!byGoods() && v_mnf_requisition_item.isOpen() && !v_mnf_requisition_item.isEmpty())
            request.requisitionProduct =
                data::value::toInt32(v_mnf_requisition_item.value(QStringLiteral("s_gds_mc")),
                                     QStringLiteral("s_gds_mc"));
    }
    request.dayOff = dm_.session.dayOff;
    request.shift = dm_.session.selectedShift;
    if (const auto pick = operations_.pick(request)) {
        product_id = pick->productId;
        oper_id = pick->operationId;
        base_price = pick->basePrice;
        final_price = pick->finalPrice;
        basePriceKnown_ = true;
        Edit2->setText(pick->description);
    }
    // The paint rule: only a painting's sum may be typed.
    const bool paint = Edit2->text().toUpper().contains(QStringLiteral("КРАСКА"));
    if (!paint)
        Edit5->clear();
    Edit5->setEnabled(paint);
    Label6->setEnabled(paint);
    showPrices();
}

void PositionDialog::showPrices() {
    if (Edit6->text().isEmpty())
        Edit6->setText(QStringLiteral("0"));
    if (Edit3->text().isEmpty())
        Edit3->setText(QStringLiteral("0"));
    Edit8->setText(shown(final_price));
    Edit7->setText(basePriceKnown_ ? shown(base_price) : QString());
    const double quantity = sqltext::typedDecimal(Edit3->text()).toDouble();
    Edit5->setText(shown(data::value::rounded(quantity * final_price, 4)));
}

PositionValues PositionDialog::values() const {
    PositionValues v;
    v.workerCode = worker_code;
    v.productId = product_id;
    v.operationId = oper_id;
    v.finalPrice = final_price;
    v.quantity = Edit3->text();
    v.rejects = Edit4->text();
    v.hours = Edit6->text();
    v.date = DTimeP->date();
    v.shift = dm_.session.selectedShift;
    v.requisitionId = req_doc_id;
    v.requisitionItemId = req_item_id;
    // By requisition no goods item and no colour are chosen.
    v.goodsId = byGoods() ? goods_id : 0;
    v.colorId = byGoods() ? color_id : 0;
    return v;
}

void PositionDialog::save() {
    for (QLineEdit* e : {Edit1, Edit2, Edit3, Edit4, Edit6})
        if (e->text().trimmed().isEmpty()) {
            ui::Messages::error(requiredMessage, this);
            return;
        }
    if (LCB_id_doc->text().isEmpty() || LCB_id_doc_item->text().isEmpty()) {
        ui::Messages::error(requiredMessage, this);
        return;
    }
    const double quantity = sqltext::typedDecimal(Edit3->text()).toDouble();
    if ((mode == Add && pos_id == 0 && quantity > required_qty) ||
        (mode == Change && changeLimit_ && quantity > *changeLimit_)) {
        ui::Messages::error(QStringLiteral("Количество изделий не может быть больше требуемого!"),
                            this);
        return;
    }
    data::ResultSet& journal = dm_.journal(dm_.session.selectedShift);
    const QString sort = journal.sort();
    if (mode == Add && pos_id == 0) {
        pos_id = store_.insert(values(), today_());
        journal.reopen();
        journal.setSort(sort);
        journal.locate(QStringLiteral("id"), pos_id);
        Label10->setText(sqltext::integer(pos_id));
        reopenMaterials();
    } else {
        const int place = journal.recNo();
        store_.update(pos_id, values(), today_());
        journal.reopen();
        journal.setSort(sort);
        if (!journal.isEmpty() && place >= 0 && place < journal.rowCount())
            journal.moveTo(place);
    }
    Button5->setEnabled(true);
    Button6->setEnabled(true);
    for (int shift = 1; shift <= 3; ++shift)
        dm_.timesheet(shift).close();
    if (mode == Add) {
        reopenMembers();
        setPanels(true, true);
        GroupBox1->setEnabled(false);
        Button1->setEnabled(false);
        Button5->setFocus();
    }
}

void PositionDialog::reopenMaterials() {
    smena_gds_use.close();
    smena_gds_use.setParam(QStringLiteral("id_smena"), pos_id);
    smena_gds_use.open();
}

void PositionDialog::reopenMembers() {
    fio_smena_gds.close();
    fio_smena_gds.setParam(QStringLiteral("s_id"), pos_id);
    fio_smena_gds.open();
}

void PositionDialog::addMaterial() {
    materials_.addFor(pos_id);
    reopenMaterials();
    if (fio_smena_gds.isOpen())
        reopenMembers();
    if (Edit3->text().isEmpty())
        Edit3->setText(QStringLiteral("0"));
    Button5->setFocus();
}

void PositionDialog::deleteMaterial() {
    if (!smena_gds_use.isOpen() || smena_gds_use.isEmpty())
        return;
    const int place = smena_gds_use.recNo();
    data::Command remove(dm_.connection, QStringLiteral("SmenaIU"));
    // The materials of a position accepted meanwhile on another workstation stay.
    remove.setSql(QStringLiteral("delete from accounts_dep.smena_gds_use sgu where sgu.id=:id and "
                                 "exists (select 1 from accounts_dep.smena s where s.id = "
                                 "sgu.id_smena and coalesce(s.ok, '') not in ('ok', 'да'))"));
    remove.setParam(QStringLiteral("id"), smena_gds_use.asInt(QStringLiteral("id")));
    if (remove.execute() == 0)
        ui::Messages::error(QStringLiteral("Позиция уже принята, изменить её нельзя!"), this);
    reopenMaterials();
    if (!smena_gds_use.isEmpty() && place < smena_gds_use.rowCount())
        smena_gds_use.moveTo(place);
}

// A member only feeds its own row: the position's worker stays as it is.
void PositionDialog::addMember() {
    const auto member = workers_.pick();
    if (!member)
        return;
    fio_smena_gds.close();
    ins_person.setParam(QStringLiteral("s_id"), pos_id);
    ins_person.setParam(QStringLiteral("p_id"), member->personId);
    try {
        ins_person.execute();
    } catch (const data::DbError& e) {
        ui::Messages::error(e.refused(noDatabase).text(), this);
    }
    reopenMembers();
}

void PositionDialog::deleteMember() {
    if (!fio_smena_gds.isOpen() || fio_smena_gds.isEmpty())
        return;
    const int place = fio_smena_gds.recNo();
    data::Command remove(dm_.connection);
    remove.setSql(QStringLiteral("delete from accounts_dep.person_temp where id=:id"));
    remove.setParam(QStringLiteral("id"), fio_smena_gds.asInt(QStringLiteral("id")));
    remove.execute();
    reopenMembers();
    if (!fio_smena_gds.isEmpty() && place < fio_smena_gds.rowCount())
        fio_smena_gds.moveTo(place);
}

// A refused division keeps the dialog and its members, so it can be tried again; the
// server's reason (an accepted position, more rejects than pieces) goes with the message.
void PositionDialog::divide() {
    save_all.setParam(QStringLiteral("s_id"), pos_id);
    try {
        save_all.execute();
    } catch (const data::DbError& e) {
        ui::Messages::error(e.refused(noDatabase).text(), this);
        return;
    }
    accept();
}

void PositionDialog::done(int result) {
    // The closing steps, on every way out.
    smena_gds_use.close();
    v_mnf_requisition.close();
    v_mnf_requisition_item.setFilter(QStringLiteral("id_doc=0"));
    v_mnf_requisition_item.setFiltered(true);
    v_mnf_requisition_item.close();
    GroupBox1->setEnabled(true);
    Button1->setEnabled(true);
    fio_smena_gds.close();
    fio_smena_gds.setParam(QStringLiteral("s_id"), -1);
    ui::Form::done(result);
}

void PositionDialog::addNew() {
    DTimeP->setDate(dm_.session.journalDate);
    for (QLineEdit* e : {Edit1, Edit2, Edit3, Edit5, Edit7, Edit8})
        e->clear();
    Edit4->setText(QStringLiteral("0"));
    Edit6->setText(QStringLiteral("0"));
    setWindowTitle(QStringLiteral("Заведение новой позиции"));
    mode = Add;
    v_mnf_requisition.close();
    v_mnf_requisition.setSql(statements::requisitions());
    v_mnf_requisition_item.close();
    v_mnf_requisition_item.setSql(statements::requisitionLines());
    smena_gds_use.close();
    smena_gds_use.setParam(QStringLiteral("id_smena"), -1);
    smena_gds_use.open();
    setPanels(false, false);
    Label10->clear();
    LCB_id_doc->setEnabled(true);
    LCB_id_doc_item->setEnabled(true);
    pos_id = 0;
    switchMode(byGoods() ? 1 : 0);

    data::ResultSet& journal = dm_.journal(dm_.session.selectedShift);
    const QString sort = journal.sort();
    exec();
    journal_.returnFromDialog();
    journal.reopen();
    journal.setSort(sort);
}

void PositionDialog::fillFromJournalRow(data::ResultSet& row) {
    final_price = row.asDouble(QStringLiteral("cena"));
    basePriceKnown_ = false;
    pos_id = row.asInt(QStringLiteral("id"));
    Edit8->setText(shown(data::value::rounded(final_price, 4)));
    Edit7->clear();
    DTimeP->setDate(row.asDate(QStringLiteral("data")));
    Edit1->setText(row.asString(QStringLiteral("fio")).trimmed());
    Edit2->setText(row.asString(QStringLiteral("marka")).trimmed() + QStringLiteral("; ") +
                   row.asString(QStringLiteral("vid")).trimmed() + QStringLiteral("; ") +
                   (row.asInt64(QStringLiteral("naimen")) == 0 ? QStringLiteral("Готовая продукция")
                                                               : QStringLiteral("Заготовки")));
    Edit3->setText(ui::withDecimalComma(row.value(QStringLiteral("kol_vo"))).trimmed());
    Edit4->setText(row.asString(QStringLiteral("brak")).trimmed());
    Edit6->setText(sqltext::integer(row.asInt(QStringLiteral("time"))));
    worker_code = row.asInt(QStringLiteral("w_id"));
    product_id = row.asInt(QStringLiteral("i_id"));
    oper_id = row.asInt(QStringLiteral("o_id"));

    // The box shows the position's requisition, whatever the mode switch says.
    Label13->setText(QStringLiteral("Заявка"));
    LCB_id_doc->bind(&v_mnf_requisition, QStringLiteral("id"), QStringLiteral("s_caption"));
    LCB_id_doc_item->bind(&v_mnf_requisition_item, QStringLiteral("id"),
                          QStringLiteral("s_caption"));
    v_mnf_requisition.close();
    v_mnf_requisition_item.close();
    v_mnf_requisition.setSql(statements::positionRequisition(pos_id));
    v_mnf_requisition.open();
    v_mnf_requisition.first();
    LCB_id_doc->setKey(v_mnf_requisition.isEmpty() ? QVariant(0)
                                                   : v_mnf_requisition.value(QStringLiteral("id")));
    v_mnf_requisition_item.setSql(statements::positionLine(pos_id));
    v_mnf_requisition_item.open();
    v_mnf_requisition_item.first();
    LCB_id_doc_item->setKey(v_mnf_requisition_item.isEmpty()
                                ? QVariant(0)
                                : v_mnf_requisition_item.value(QStringLiteral("id")));
    reopenMaterials();
    const double quantity = row.asDouble(QStringLiteral("kol_vo"));
    Edit5->setText(shown(data::value::rounded(quantity * final_price, 4)));
    Label10->setText(sqltext::integer(pos_id));
}

void PositionDialog::changeCurrent() {
    data::ResultSet& journal = journal_.currentJournalQuery();
    const int place = journal.recNo();
    const QString sort = journal.sort();
    bool shown = false;
    if (!journal.isEmpty() && !isAccepted(journal.asString(QStringLiteral("ok")))) {
        setWindowTitle(QStringLiteral("Изменение данных о позиции"));
        mode = Change;
        changeLimit_.reset();
        if (journal.hasField(QStringLiteral("id_doc_item")) &&
            !journal.isNull(QStringLiteral("id_doc_item"))) {
            data::Command open(dm_.connection);
            open.setSql(QStringLiteral("select f_qty from accounts_dep.v_mnf_requisition_item "
                                       "where id=:id"));
            open.setParam(QStringLiteral("id"), journal.asInt(QStringLiteral("id_doc_item")));
            const QVariant stillRequired = open.executeScalar();
            if (!data::value::isNull(stillRequired))
                changeLimit_ = data::value::toDouble(stillRequired) +
                               journal.asDouble(QStringLiteral("kol_vo"));
        }
        RG1->hide();
        fillFromJournalRow(journal);
        for (QWidget* w :
             {static_cast<QWidget*>(Button3), static_cast<QWidget*>(Button4),
              static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2),
              static_cast<QWidget*>(LCB_id_doc), static_cast<QWidget*>(LCB_id_doc_item)})
            w->setEnabled(false);
        setPanels(true, false);
        GroupBox1->setEnabled(true);
        Button1->setEnabled(true);
        for (QLineEdit* e : {Edit3, Edit4, Edit6})
            e->setEnabled(true);
        fio_smena_gds.close();
        shown = true;
        exec();
        RG1->show();
        for (QWidget* w : {static_cast<QWidget*>(Button3), static_cast<QWidget*>(Button4),
                           static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2)})
            w->setEnabled(true);
    }
    journal_.returnFromDialog();
    data::ResultSet& again = journal_.currentJournalQuery();
    again.reopen();
    again.setSort(sort);
    if (shown && place >= 0 && place < again.rowCount())
        again.moveTo(place);
}

void PositionDialog::viewCurrent() {
    data::ResultSet& journal = journal_.currentJournalQuery();
    for (QWidget* w : {static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(Button1)})
        w->setEnabled(false);
    setPanels(false, false);
    const int place = journal.recNo();
    if (!journal.isEmpty()) {
        setWindowTitle(QStringLiteral("Просмотр данных о позиции"));
        mode = View;
        fillFromJournalRow(journal);
        exec();
        v_mnf_requisition.close();
        v_mnf_requisition.setSql(statements::requisitions());
        v_mnf_requisition_item.close();
        v_mnf_requisition_item.setSql(statements::requisitionLines());
        journal_.returnFromDialog();
        data::ResultSet& again = journal_.currentJournalQuery();
        if (place >= 0 && place < again.rowCount())
            again.moveTo(place);
    }
    GroupBox1->setEnabled(true);
    Button1->setEnabled(true);
    for (QWidget* w : {static_cast<QWidget*>(DBGrid1), static_cast<QWidget*>(Button5),
                       static_cast<QWidget*>(Button6)})
        w->setEnabled(true);
}

bool PositionDialog::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit)
        return ui::Form::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress && edit->isEnabled()) {
        if (edit == Edit1)
            runGuarded([this] { pickWorker(); });
        else if (edit == Edit2)
            runGuarded([this] { pickOperation(); });
        if (edit == Edit1 || edit == Edit2)
            return true;
    }
    if (event->type() == QEvent::FocusOut) {
        if (edit == Edit3)
            runGuarded([this] { showPrices(); });
        else if ((edit == Edit4 || edit == Edit6) && edit->text().isEmpty())
            edit->setText(QStringLiteral("0"));
    }
    return ui::Form::eventFilter(watched, event);
}

// The wheel moves the choice of the focused lookup box by one entry.
void PositionDialog::wheelEvent(QWheelEvent* event) {
    for (ui::LookupBox* box : {LCB_id_doc, LCB_id_doc_item}) {
        if (!box->hasFocus())
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
