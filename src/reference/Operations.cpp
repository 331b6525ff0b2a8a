#include "Operations.h"

#include "Norms.h"
#include "OperationTypes.h"
#include "Pickers.h"
#include "data/Command.h"
#include "data/DataModule.h"
#include "data/Error.h"
#include "data/NumberText.h"
#include "data/SqlText.h"
#include "data/Value.h"
#include "ui/BusyCursor.h"
#include "ui/Controls.h"
#include "ui/DataGrid.h"
#include "ui/Messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace reference {

namespace {

const QString duplicateMessage = QStringLiteral("Операция с такими параметрами уже заведена!");
const QString finishedKind = QStringLiteral("Готовая продукция");
const QString blanksKind = QStringLiteral("Заготовки");

QString kindText(qint64 kind) {
    return kind == 0 ? finishedKind : blanksKind;
}

// Every operation, also one without steps, with its lowest step price; its own stored price
// only when it has no step.
const char* const exportSql =
    "select trim(both '\t' from izdel.marka) as marka, vid_oper.vid, oper.naimen, case when "
    "oper.naimen=0 then 'Готовая продукция' else 'Заготовки' end as nmn, coalesce((select "
    "min(norm.price) from accounts_dep.norm where norm.o_id=oper.id), oper.cena) as cena, "
    "oper.id, oper.i_id, oper.vid as oper_vid from accounts_dep.oper, accounts_dep.izdel, "
    "accounts_dep.vid_oper where oper.i_id=izdel.id and oper.vid=vid_oper.id order by "
    "izdel.marka, vid_oper.vid, oper.naimen";

} // namespace

int saveOperation(data::DataModule& dm, std::optional<int> id, const OperationValues& v) {
    try {
        if (!id) {
            data::Command& insert = dm.insertOperation;
            insert.setParam(QStringLiteral("oper_vid"), v.typeId);
            insert.setParam(QStringLiteral("naimen"), v.kind);
            insert.setParam(QStringLiteral("i_id"), v.productId);
            insert.setParam(QStringLiteral("cena_new"), v.startingPrice);
            return data::value::toInt32(insert.executeScalar(), QStringLiteral("id"));
        }
        data::Command& update = dm.updateOperation;
        update.setParam(QStringLiteral("oper_vid"), v.typeId);
        update.setParam(QStringLiteral("naimen"), v.kind);
        update.setParam(QStringLiteral("i_id"), v.productId);
        update.setParam(QStringLiteral("id"), *id);
        if (update.execute() == 0)
            throw data::DbError(QStringLiteral("Операция удалена на другом рабочем месте"));
        return *id;
    } catch (const data::DbError& e) {
        if (!e.isForeignKeyViolation(QStringLiteral("oper_vid_fkey")))
            throw;
        throw e.refused(
            QStringLiteral("Вид операции удалён из справочника: выберите вид операции снова."));
    }
}

bool removeOperation(data::DataModule& dm, int id) {
    dm.deleteOperation.setParam(QStringLiteral("id"), id);
    try {
        dm.deleteOperation.execute();
    } catch (const data::DbError& e) {
        if (!e.isForeignKeyViolation(QStringLiteral("smena_o_id_fkey")))
            throw;
        return false;
    }
    return true;
}

OperationDialog::OperationDialog(data::DataModule& dm, ProductsList& products,
                                 OperationTypesList& types, QWidget* parent)
    : ui::Form(QStringLiteral("TForm10"), QString(), parent), dm_(dm), products_(products),
      types_(types) {
    auto* group = new QGroupBox(QStringLiteral("Цена операции"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto readOnly = [group](const char* name) {
        auto* e = new QLineEdit(group);
        e->setObjectName(QLatin1String(name));
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus); // skipped by Tab; the picker button sets it
        return e;
    };
    Edit1 = readOnly("Edit1");
    Edit2 = readOnly("Edit2");
    Button3 = addButton("Button3", QStringLiteral("..."), [this] { pickProduct(); });
    Button4 = addButton("Button4", QStringLiteral("..."), [this] { pickType(); });
    for (QPushButton* b : {Button3, Button4})
        b->setFixedWidth(28);
    ComboBox1 = new QComboBox(group);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems(QStringList{finishedKind, blanksKind});
    connect(ComboBox1, &QComboBox::activated, this, [this] { storedKind_.reset(); });
    Edit3 = new QLineEdit(group);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    ui::filterKeys(Edit3, ui::TypedKeys::Decimal);

    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Марка изделия"), group), 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(Button3, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Операция"), group), 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(Button4, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Вид"), group), 2, 0);
    grid->addWidget(ComboBox1, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("min Цена"), group), 3, 0);
    grid->addWidget(Edit3, 3, 1);

    const SaveCancel buttons = layOutEditDialog(group, [this] { save(); });
    Button1 = buttons.save;
    Button2 = buttons.cancel;
    setClientSize(420, 200);
}

bool OperationDialog::addNew() {
    editedId_.reset();
    storedKind_.reset();
    setWindowTitle(QStringLiteral("Заведение новой цены за операцию"));
    Edit1->clear();
    Edit2->clear();
    ComboBox1->setCurrentIndex(0);
    Edit3->clear();
    Edit3->setEnabled(true);
    return run();
}

bool OperationDialog::changeCurrent() {
    data::ResultSet& oper = dm_.operations;
    editedId_ = requiredId(oper, QStringLiteral("id"));
    setWindowTitle(QStringLiteral("Изменение данных о цене за операцию"));
    Edit1->setText(oper.asString(QStringLiteral("marka")).trimmed());
    Edit2->setText(oper.asString(QStringLiteral("vid")).trimmed());
    const int kind = oper.asInt(QStringLiteral("naimen"));
    // An odd stored kind reads as blanks and is written back as it was unless changed.
    storedKind_ = kind == 0 || kind == 1 ? std::nullopt : std::optional<int>(kind);
    ComboBox1->setCurrentIndex(kind == 0 ? 0 : 1);
    Edit3->setEnabled(false);
    productId_ = requiredId(oper, QStringLiteral("i_id"));
    typeId_ = requiredId(oper, QStringLiteral("oper_vid"));
    return run();
}

bool OperationDialog::run() {
    return exec() == QDialog::Accepted;
}

void OperationDialog::showEvent(QShowEvent* event) {
    ui::Form::showEvent(event);
    Button3->setFocus();
}

void OperationDialog::pickProduct() {
    if (const auto product = products_.pick()) {
        Edit1->setText(product->marka);
        productId_ = product->id;
    }
}

void OperationDialog::pickType() {
    if (const auto type = types_.pick()) {
        Edit2->setText(type->vid);
        typeId_ = type->id;
    }
}

void OperationDialog::save() {
    if (Edit1->text().trimmed().isEmpty() || Edit2->text().trimmed().isEmpty()) {
        ui::Messages::error(QStringLiteral("Все поля должны быть заполнены!"), this);
        return;
    }
    const int kind = storedKind_.value_or(ComboBox1->currentIndex());
    // A new operation needs its starting price before anything is asked of the server.
    const QString price = editedId_ ? QString()
                                    : sqltext::typedDecimal(Edit3->text(), norms::maxPrice,
                                                            QStringLiteral("min Цена"));
    QString count =
        QStringLiteral("select count(*) as cnt from accounts_dep.oper where vid=%1 "
                       "and naimen=%2 and i_id=%3")
            .arg(sqltext::integer(typeId_), sqltext::integer(kind), sqltext::integer(productId_));
    if (editedId_)
        count += QStringLiteral(" and id<>") + sqltext::integer(*editedId_);
    dm_.countCheck(count, {}, duplicateMessage);

    int saved = 0;
    try {
        saved = saveOperation(dm_, editedId_, {typeId_, kind, productId_, price.toDouble()});
    } catch (const data::DbError& e) {
        // Saved meanwhile on another workstation: the unique key said so.
        if (!e.isUniqueViolation(QStringLiteral("oper_vid_naimen_i_id_key")))
            throw;
        ui::Messages::error(duplicateMessage, this);
        return;
    }
    dm_.operations.close();
    dm_.operations.open();
    dm_.operations.locate(QStringLiteral("id"), saved);
    accept();
}

OperationsList::OperationsList(data::DataModule& dm, OperationDialog& dialog, NormsWindow& norms,
                               QWidget* parent)
    : ReferenceList(dm, dm.operations,
                    {"TForm4",
                     QStringLiteral("Операции"),
                     {760, 520},
                     {{QStringLiteral("marka"), QStringLiteral("Марка"), 160},
                      {QStringLiteral("vid"), QStringLiteral("Опреция"), 243},
                      {QStringLiteral("cena"), QStringLiteral("Цена (min)"), 74,
                       Qt::AlignRight | Qt::AlignVCenter, data::value::withDecimalComma},
                      {QStringLiteral("nmn"), QStringLiteral("Вид"), 139},
                      {QStringLiteral("norma"), QStringLiteral("Нормы (шт.)"), 76,
                       Qt::AlignRight | Qt::AlignVCenter},
                      {QStringLiteral("id"), QStringLiteral("id"), 40, {}, {}, true},
                      {QStringLiteral("i_id"), QStringLiteral("i_id"), 40, {}, {}, true},
                      {QStringLiteral("oper_vid"), QStringLiteral("oper_vid"), 40, {}, {}, true}},
                     QStringLiteral("marka"),
                     SearchKeys::TypingOnly,
                     true},
                    parent),
      dialog_(dialog), norms_(norms), exportRows_(dm.connection, QStringLiteral("export")) {
    exportRows_.setSql(exportStatement());
    Button5 = addButton("Button5", QStringLiteral("Excel"), [this] { exportToSpreadsheet(); });
    CheckBox1 = new QCheckBox(QStringLiteral("Цены"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    buttonRow()->insertWidget(3, Button5);
    buttonRow()->insertWidget(4, CheckBox1);
    connect(Button1, &QPushButton::clicked, this,
            [this] { runGuarded([this] { dialog_.addNew(); }); });
    connect(Button3, &QPushButton::clicked, this,
            [this] { runGuarded([this] { deleteCurrent(); }); });
    Edit1->show(); // in both modes
}

void OperationsList::showList() {
    requisitionProduct_.reset();
    runList();
}

std::optional<OperationPick> OperationsList::pick(const OperationPickRequest& request) {
    taken_.reset();
    request_ = request;
    requisitionProduct_ = request.requisitionProduct;
    query_.close(); // the rows as they are now
    query_.open();
    enterPickerMode();
    if (request.startOperation)
        query_.locate(QStringLiteral("id"), *request.startOperation);
    else
        query_.first();
    exec();
    leavePickerMode(); // the query stays open for the position being entered
    return taken_;
}

// The search narrows what a position's requisition allows; the list alone filters by the
// typed text only.
QString OperationsList::filterFor(const QString& text) const {
    if (!isPicker() || !requisitionProduct_)
        return ReferenceList::filterFor(text);
    const qint64 x = *requisitionProduct_;
    const QString product = QStringLiteral("%1 or %2")
                                .arg(sqltext::filterEquals(QStringLiteral("i_id"), x),
                                     sqltext::filterEquals(QStringLiteral("i_id_old"), x));
    if (text.trimmed().isEmpty())
        return product;
    return QStringLiteral("(%1) and %2")
        .arg(product, sqltext::filterLikePrefix(QStringLiteral("marka"), text));
}

void OperationsList::takeCurrentRow() {
    const int operation = requiredId(query_, QStringLiteral("id"));
    const int product = requiredId(query_, QStringLiteral("i_id"));
    const PriceInForce price =
        priceInForce(query_.asDouble(QStringLiteral("cena")), request_.dayOff, request_.shift);
    data::ResultSet& control = dm_.countQuery;
    control.close();
    control.setSql(QStringLiteral("select marka from accounts_dep.izdel where id=") +
                   sqltext::integer(product));
    control.open();
    const QString mark = control.asString(QStringLiteral("marka")).trimmed();
    control.close();
    taken_ = OperationPick{
        operation, product, price.basePrice, price.finalPrice,
        mark + QStringLiteral("; ") + query_.asString(QStringLiteral("vid")).trimmed() +
            QStringLiteral("; ") + kindText(query_.asInt64(QStringLiteral("naimen")))};
}

void OperationsList::changeCurrentRow() {
    dialog_.changeCurrent();
}

void OperationsList::rowDoubleClicked() {
    if (!isPicker() && CheckBox1->isChecked()) {
        if (query_.isOpen() && !query_.isEmpty())
            norms_.showFor(requiredId(query_, QStringLiteral("id")));
        return;
    }
    changeOrTake();
}

void OperationsList::showEvent(QShowEvent* event) {
    ReferenceList::showEvent(event);
    if (!Edit1->text().trimmed().isEmpty())
        runGuarded([this] { search(Edit1->text()); });
}

// An operation in use stays, or its positions would vanish from the journal and the reports
// while their hours stay.
void OperationsList::deleteCurrent() {
    if (!query_.isOpen() || query_.isEmpty())
        return;
    if (!ui::Messages::askDelete(QStringLiteral("Удалить операцию?"), this))
        return;
    if (!removeOperation(dm_, requiredId(query_, QStringLiteral("id"))))
        ui::Messages::error(QStringLiteral("Операция используется в журнале, удаление невозможно!"),
                            this);
    query_.reopenKeepingPlace();
}

QString OperationsList::exportStatement() {
    return QString::fromUtf8(exportSql);
}

void OperationsList::exportToSpreadsheet() {
    ui::BusyCursor busy;
    struct Closer {
        data::ResultSet& q;
        ~Closer() { q.close(); }
    } closer{exportRows_};
    exportRows_.close();
    exportRows_.open();
    excel_.open(QString());
    const QString heading[] = {QStringLiteral("Марка"), QStringLiteral("Операция"),
                               QStringLiteral("Цена (min)"), QStringLiteral("Вид")};
    for (int c = 0; c < 4; ++c)
        excel_.write(1, c + 1, 1, heading[c]);
    const int marka = exportRows_.fieldIndex(QStringLiteral("marka"));
    const int vid = exportRows_.fieldIndex(QStringLiteral("vid"));
    const int cena = exportRows_.fieldIndex(QStringLiteral("cena"));
    const int naimen = exportRows_.fieldIndex(QStringLiteral("naimen"));
    for (int r = 0; r < exportRows_.rowCount(); ++r) {
        const int row = r + 2;
        excel_.write(1, 1, row, data::value::toString(exportRows_.valueAt(r, marka)));
        excel_.write(1, 2, row, data::value::toString(exportRows_.valueAt(r, vid)));
        excel_.write(1, 3, row, data::value::withDecimalComma(exportRows_.valueAt(r, cena)));
        excel_.write(1, 4, row, kindText(data::value::toInt64(exportRows_.valueAt(r, naimen))));
    }
    excel_.show(true);
}

} // namespace reference
