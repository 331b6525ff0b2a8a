#include "Operations.h"

#include "Norms.h"
#include "OperationTypes.h"
#include "Pickers.h"
#include "ReferenceStatements.h"
#include "ReferenceWrites.h"
#include "data/Command.h"
#include "data/Error.h"
#include "data/NumberText.h"
#include "data/SqlText.h"
#include "data/Value.h"
#include "state/DataModule.h"
#include "ui/BusyCursor.h"
#include "ui/Controls.h"
#include "ui/LiveGrid.h"
#include "ui/MessageTexts.h"
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

// A key column the list reads but never shows.
ui::ResultSetModel::Column hiddenColumn(const QString& field) {
    return {.field = field, .title = field, .width = 40, .alignment = {}, .hidden = true};
}

QString kindText(qint64 kind) {
    return kind == 0 ? finishedKind : blanksKind;
}

} // namespace

int saveOperation(state::DataModule& dm, std::optional<int> id, const OperationValues& v) {
    try {
        if (!id) {
            data::Command insert(dm.connection, QStringLiteral("Oper_ins"));
            insert.setSql(statements::insertOperation());
            insert.setParam(QStringLiteral("oper_vid"), v.typeId);
            insert.setParam(QStringLiteral("naimen"), v.kind);
            insert.setParam(QStringLiteral("i_id"), v.productId);
            insert.setParam(QStringLiteral("cena_new"), v.startingPrice);
            return data::value::toInt32(insert.executeScalar(), QStringLiteral("id"));
        }
        data::Command update(dm.connection, QStringLiteral("Oper_ed"));
        update.setSql(statements::updateOperation());
        update.setParam(QStringLiteral("oper_vid"), v.typeId);
        update.setParam(QStringLiteral("naimen"), v.kind);
        update.setParam(QStringLiteral("i_id"), v.productId);
        update.setParam(QStringLiteral("id"), *id);
        if (update.execute() == 0)
            throw data::DbError(ui::texts::operationDeletedElsewhere());
        return *id;
    } catch (const data::DbError& e) {
        if (!e.isForeignKeyViolation(QStringLiteral("oper_vid_fkey")))
            throw;
        throw e.refused(
            QStringLiteral("Вид операции удалён из справочника: выберите вид операции снова."));
    }
}

bool removeOperation(state::DataModule& dm, int id) {
    return deleteUnlessUsed(dm.connection, statements::deleteOperation(), id,
                            QStringLiteral("smena_o_id_fkey"));
}

OperationDialog::OperationDialog(state::DataModule& dm, ProductsList& products,
                                 OperationTypesList& types, QWidget* parent)
    : ui::Form(QStringLiteral("TForm10"), QString(), parent), dm_(dm), products_(products),
      types_(types) {
    auto* group = new QGroupBox(QStringLiteral("Цена операции"), this);
    group->setObjectName(QLatin1String(Names::fields));
    auto readOnly = [group](const char* name) {
        auto* e = new QLineEdit(group);
        e->setObjectName(QLatin1String(name));
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus); // skipped by Tab; the picker button sets it
        return e;
    };
    productEdit_ = readOnly(Names::product);
    typeEdit_ = readOnly(Names::type);
    pickProductButton_ =
        addButton(Names::pickProduct, QStringLiteral("..."), [this] { pickProduct(); });
    pickTypeButton_ = addButton(Names::pickType, QStringLiteral("..."), [this] { pickType(); });
    for (QPushButton* b : {pickProductButton_, pickTypeButton_})
        b->setFixedWidth(28);
    kindBox_ = new QComboBox(group);
    kindBox_->setObjectName(QLatin1String(Names::kind));
    kindBox_->addItems(QStringList{finishedKind, blanksKind});
    connect(kindBox_, &QComboBox::activated, this, [this] { storedKind_.reset(); });
    startingPriceEdit_ = new QLineEdit(group);
    startingPriceEdit_->setObjectName(QLatin1String(Names::startingPrice));
    ui::filterKeys(startingPriceEdit_, ui::TypedKeys::Decimal);

    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Марка изделия"), group), 0, 0);
    grid->addWidget(productEdit_, 0, 1);
    grid->addWidget(pickProductButton_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Операция"), group), 1, 0);
    grid->addWidget(typeEdit_, 1, 1);
    grid->addWidget(pickTypeButton_, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Вид"), group), 2, 0);
    grid->addWidget(kindBox_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("min Цена"), group), 3, 0);
    grid->addWidget(startingPriceEdit_, 3, 1);

    const SaveCancel buttons = layOutEditDialog(group, [this] { save(); });
    saveButton_ = buttons.save;
    cancelButton_ = buttons.cancel;
    setClientSize(420, 200);
}

bool OperationDialog::addNew() {
    editedId_.reset();
    storedKind_.reset();
    setWindowTitle(QStringLiteral("Заведение новой цены за операцию"));
    productEdit_->clear();
    typeEdit_->clear();
    kindBox_->setCurrentIndex(0);
    startingPriceEdit_->clear();
    startingPriceEdit_->setEnabled(true);
    return run();
}

bool OperationDialog::changeCurrent() {
    data::ResultSet& oper = dm_.operations;
    editedId_ = requiredId(oper, QStringLiteral("id"));
    setWindowTitle(QStringLiteral("Изменение данных о цене за операцию"));
    productEdit_->setText(oper.asString(QStringLiteral("marka")).trimmed());
    typeEdit_->setText(oper.asString(QStringLiteral("vid")).trimmed());
    const int kind = oper.asInt(QStringLiteral("naimen"));
    // An odd stored kind reads as blanks and is written back as it was unless changed.
    storedKind_ = kind == 0 || kind == 1 ? std::nullopt : std::optional<int>(kind);
    kindBox_->setCurrentIndex(kind == 0 ? 0 : 1);
    // Changed through its norm steps, the price is shown as it stands, not as typed last time.
    startingPriceEdit_->setText(data::value::withDecimalComma(oper.value(QStringLiteral("cena"))));
    startingPriceEdit_->setEnabled(false);
    productId_ = requiredId(oper, QStringLiteral("i_id"));
    typeId_ = requiredId(oper, QStringLiteral("oper_vid"));
    return run();
}

bool OperationDialog::run() {
    return exec() == QDialog::Accepted;
}

void OperationDialog::showEvent(QShowEvent* event) {
    ui::Form::showEvent(event);
    pickProductButton_->setFocus();
}

void OperationDialog::pickProduct() {
    if (const auto product = products_.pick()) {
        productEdit_->setText(product->marka);
        productId_ = product->id;
    }
}

void OperationDialog::pickType() {
    if (const auto type = types_.pick()) {
        typeEdit_->setText(type->vid);
        typeId_ = type->id;
    }
}

void OperationDialog::save() {
    if (productEdit_->text().trimmed().isEmpty() || typeEdit_->text().trimmed().isEmpty())
        throw data::Error(ui::texts::allFieldsRequired());
    const int kind = storedKind_.value_or(kindBox_->currentIndex());
    // A new operation needs its starting price before anything is asked of the server.
    const QString price = editedId_
                              ? QString()
                              : sqltext::typedDecimal(startingPriceEdit_->text(), norms::maxPrice,
                                                      QStringLiteral("min Цена"));
    DuplicateRule duplicate{editedId_ ? statements::otherOperationDuplicates()
                                      : statements::operationDuplicates(),
                            {{QStringLiteral("oper_vid"), typeId_},
                             {QStringLiteral("naimen"), kind},
                             {QStringLiteral("i_id"), productId_}},
                            QStringLiteral("oper_vid_naimen_i_id_key"),
                            duplicateMessage};
    if (editedId_)
        duplicate.params.insert(QStringLiteral("id"), *editedId_);
    const int saved = saveUnlessDuplicate(dm_, duplicate, [&] {
        return saveOperation(dm_, editedId_, {typeId_, kind, productId_, price.toDouble()});
    });
    dm_.operations.close();
    dm_.operations.open();
    dm_.operations.locate(QStringLiteral("id"), saved);
    accept();
}

OperationsList::OperationsList(state::DataModule& dm, OperationDialog& dialog, NormsWindow& norms,
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
                      hiddenColumn(QStringLiteral("id")),
                      hiddenColumn(QStringLiteral("i_id")),
                      hiddenColumn(QStringLiteral("oper_vid"))},
                     QStringLiteral("marka"),
                     SearchKeys::TypingOnly,
                     RowButtons::AddAndDelete},
                    parent),
      dialog_(dialog), norms_(norms), exportRows_(dm.connection, QStringLiteral("export")) {
    exportRows_.setSql(exportStatement());
    exportButton_ =
        addButton(Names::spreadsheet, QStringLiteral("Excel"), [this] { exportToSpreadsheet(); });
    withNormsCheck_ = new QCheckBox(QStringLiteral("Цены"), this);
    withNormsCheck_->setObjectName(QLatin1String(Names::withNorms));
    buttonRow()->insertWidget(3, exportButton_);
    buttonRow()->insertWidget(4, withNormsCheck_);
    ui::setTabOrder({deleteButton_, exportButton_, withNormsCheck_, exitButton_});
    connect(addRowButton_, &QPushButton::clicked, this,
            [this] { runGuarded([this] { dialog_.addNew(); }); });
    connect(deleteButton_, &QPushButton::clicked, this,
            [this] { runGuarded([this] { deleteCurrent(); }); });
    searchEdit_->show(); // in both modes
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
    control.setSql(statements::productMark());
    control.setParam(QStringLiteral("id"), product);
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
    if (!isPicker() && withNormsCheck_->isChecked()) {
        if (query_.isOpen() && !query_.isEmpty())
            norms_.showFor(
                requiredId(query_, QStringLiteral("id")),
                query_.asString(QStringLiteral("marka")).trimmed() + QStringLiteral("; ") +
                    query_.asString(QStringLiteral("vid")).trimmed() + QStringLiteral("; ") +
                    kindText(query_.asInt64(QStringLiteral("naimen"))));
        return;
    }
    changeOrTake();
}

void OperationsList::showEvent(QShowEvent* event) {
    ReferenceList::showEvent(event);
    if (!searchEdit_->text().trimmed().isEmpty())
        runGuarded([this] { search(searchEdit_->text()); });
}

// An operation in use stays, or its positions would vanish from the journal and the reports
// while their hours stay.
void OperationsList::deleteCurrent() {
    if (!query_.isOpen() || query_.isEmpty())
        return;
    if (!ui::Messages::askDelete(QStringLiteral("Удалить операцию?"), this))
        return;
    const bool removed = removeOperation(dm_, requiredId(query_, QStringLiteral("id")));
    // The list shows the rows as they are now, also behind the refusal.
    grid_->reread();
    if (!removed)
        throw data::Error(QStringLiteral("Операция используется в журнале, удаление невозможно!"));
}

QString OperationsList::exportStatement() {
    return statements::operationsExport();
}

void OperationsList::exportToSpreadsheet() {
    ui::BusyCursor busy;
    const data::CloseOnExit closeRows(exportRows_);
    exportRows_.close();
    exportRows_.open();
    spreadsheet_.open(QString());
    const QString heading[] = {QStringLiteral("Марка"), QStringLiteral("Операция"),
                               QStringLiteral("Цена (min)"), QStringLiteral("Вид")};
    for (int c = 0; c < 4; ++c)
        spreadsheet_.write(1, c + 1, 1, heading[c]);
    const int marka = exportRows_.fieldIndex(QStringLiteral("marka"));
    const int vid = exportRows_.fieldIndex(QStringLiteral("vid"));
    const int cena = exportRows_.fieldIndex(QStringLiteral("cena"));
    const int naimen = exportRows_.fieldIndex(QStringLiteral("naimen"));
    // A mark such as "1,10" or a 13-digit code stays as written, not a number.
    constexpr output::CellFormat text{.asText = true};
    for (int r = 0; r < exportRows_.rowCount(); ++r) {
        const int row = r + 2;
        spreadsheet_.writeFormatted(1, 1, row, data::value::toString(exportRows_.valueAt(r, marka)),
                                    text);
        spreadsheet_.writeFormatted(1, 2, row, data::value::toString(exportRows_.valueAt(r, vid)),
                                    text);
        spreadsheet_.write(1, 3, row, data::value::withDecimalComma(exportRows_.valueAt(r, cena)));
        spreadsheet_.write(1, 4, row,
                           kindText(data::value::toInt64(exportRows_.valueAt(r, naimen))));
    }
    spreadsheet_.show(true);
}

} // namespace reference
