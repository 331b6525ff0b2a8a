#include "Norms.h"

#include "data/Command.h"
#include "data/DataModule.h"
#include "data/Error.h"
#include "data/NumberText.h"
#include "data/SqlText.h"
#include "data/Value.h"
#include "ui/DataGrid.h"
#include "ui/Messages.h"
#include "ui/ResultSetModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

namespace reference {

namespace {

const QString lastStepKept =
    QStringLiteral("Последний норматив операции удалить нельзя: у операции остаётся хотя бы один.");

} // namespace

namespace norms {

namespace {

const QString normaCaption = QStringLiteral("Норматив");
const QString priceCaption = QStringLiteral("Цена");
const QString prizeCaption = QStringLiteral("Премия, %");

// A step's threshold and bonus count pieces and percent: never below 0.
QVariant typedCount(const QString& typed, const QString& caption) {
    return sqltext::typedInteger(typed, 0, std::numeric_limits<qint32>::max(), caption)
        .toLongLong();
}

} // namespace

QString priceText(const QVariant& price) {
    if (data::value::isNull(price))
        return {};
    QString text = QString::number(data::value::toDouble(price, priceCaption), 'f', 3);
    if (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.startsWith(QLatin1Char('-')) && text.count(QLatin1Char('0')) == text.size() - 2)
        text.remove(0, 1); // -0,00
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

QVariant typedNorma(const QString& typed) {
    return typed.trimmed().isEmpty() ? QVariant() : typedCount(typed, normaCaption);
}

QVariant typedPrize(const QString& typed) {
    return typed.trimmed().isEmpty() ? QVariant(qlonglong(0)) : typedCount(typed, prizeCaption);
}

QVariant typedPrice(const QString& typed) {
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    if (text.startsWith(QLatin1Char('+')))
        throw data::ConversionError(
            QStringLiteral("«%1» не является числом").arg(data::excerpt(typed)));
    return sqltext::typedDecimal(text, maxPrice, priceCaption).toDouble();
}

void completeStep(data::ResultSet& steps, int operationId) {
    if (steps.isNull(QStringLiteral("norma")) || steps.isNull(QStringLiteral("price")))
        throw data::Error(QStringLiteral("Все поля должны быть заполнены!"));
    if (steps.state() != data::ResultSet::State::Insert)
        return;
    steps.setValue(QStringLiteral("o_id"), operationId);
    if (steps.isNull(QStringLiteral("prize")))
        steps.setValue(QStringLiteral("prize"), 0);
}

// Locking the operation's own row would not do: the waiting statement keeps the snapshot it
// began with and still counts a step deleted meanwhile. A row lock on each step re-reads
// it after the wait, and a step deleted meanwhile is then no longer counted.
bool removeStep(data::Connection& connection, int operationId, int stepId) {
    data::Command remove(connection);
    remove.setSql(QStringLiteral(
        "with steps as (select id from accounts_dep.norm where o_id=:o_id order by id for update) "
        "delete from accounts_dep.norm where id=:id and o_id=:o_id "
        "and (select count(*) from steps) > 1"));
    remove.setParam(QStringLiteral("o_id"), operationId);
    remove.setParam(QStringLiteral("id"), stepId);
    return remove.execute() > 0;
}

bool stepExists(data::Connection& connection, int stepId) {
    data::Command count(connection);
    count.setSql(QStringLiteral("select count(*) from accounts_dep.norm where id=:id"));
    count.setParam(QStringLiteral("id"), stepId);
    return data::value::toInt64(count.executeScalar()) > 0;
}

} // namespace norms

NormsWindow::NormsWindow(data::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("TForm22"), QStringLiteral("Норматив"), parent), dm_(dm),
      Norm(dm.connection, QStringLiteral("Norm")) {
    Norm.setSql(stepsStatement());
    Norm.setUpdateTable(QStringLiteral("accounts_dep.norm"), QStringLiteral("id"));

    const Qt::Alignment number = Qt::AlignRight | Qt::AlignVCenter;
    std::vector<ui::ResultSetModel::Column> columns = {
        {.field = QStringLiteral("norma"),
         .title = QStringLiteral("Норматив"),
         .width = 133,
         .alignment = number,
         .parse = norms::typedNorma},
        {.field = QStringLiteral("price"),
         .title = QStringLiteral("Цена"),
         .width = 105,
         .alignment = number,
         .format = norms::priceText,
         .parse = norms::typedPrice,
         .editText = data::value::withDecimalComma,
         .decimalComma = true},
        {.field = QStringLiteral("prize"),
         .title = QStringLiteral("Премия, %"),
         .width = 82,
         .alignment = number,
         .parse = norms::typedPrize},
    };
    model_ = new ui::ResultSetModel(Norm, std::move(columns), this);
    model_->setBoldTitles(false);
    model_->setEditable(true);
    model_->setBeforeWrite(
        [this](data::ResultSet& steps) { norms::completeStep(steps, operationId_); });
    model_->setWriteRefused([](const data::DbError& e) {
        // A new step of an operation deleted while the window was open.
        if (e.isForeignKeyViolation(QStringLiteral("norm_o_id_fkey")))
            throw e.refused(QStringLiteral("Операция удалена на другом рабочем месте"));
    });
    DBGrid1 = new ui::DataGrid("DBGrid1", this);
    DBGrid1->showModel(model_);
    DBGrid1->verticalHeader()->setVisible(true); // the row indicator

    Button1 = addButton("Button1", QStringLiteral("Сохранить"), [this] { save(); });
    Button2 = addButton("Button2", QStringLiteral("Удалить"), [this] { removeCurrent(); });
    setDefaultButton(Button1);
    setCancelButton(Button1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(buttons);
    setClientSize(400, 280);
}

QString NormsWindow::stepsStatement() {
    return QStringLiteral("select id, o_id, norma, price, prize from accounts_dep.norm "
                          "where o_id=:o_id order by norma, id");
}

void NormsWindow::showFor(int operationId) {
    operationId_ = operationId;
    // Re-reading drops whatever an earlier showing left unwritten.
    Norm.close();
    Norm.setParam(QStringLiteral("o_id"), operationId);
    Norm.open();
    DBGrid1->setFocus();
    exec();
    Norm.close();
}

void NormsWindow::save() {
    if (!DBGrid1->commitEditor())
        return;
    model_->writePending();
    // The list shows the lowest price and the number of steps.
    if (dm_.operations.isOpen())
        dm_.operations.reopenKeepingPlace();
    accept();
}

void NormsWindow::reject() {
    runGuarded([this] { save(); });
}

void NormsWindow::removeCurrent() {
    if (!DBGrid1->commitEditor())
        return;
    const int row = DBGrid1->currentIndex().row();
    if (row < 0)
        return;
    // A change never written goes with its step; a step never written is simply dropped.
    model_->dropPending();
    if (row >= Norm.rowCount())
        return;
    const QVariant key = model_->index(row, 0).data(ui::ResultSetModel::KeyRole);
    const int step = data::value::toInt32(key, QStringLiteral("id"));
    if (!norms::removeStep(dm_.connection, operationId_, step) &&
        norms::stepExists(dm_.connection, step))
        ui::Messages::error(lastStepKept, this);
    Norm.reopenKeepingPlace();
}

} // namespace reference
