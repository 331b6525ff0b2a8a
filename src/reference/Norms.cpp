#include "Norms.h"

#include "ReferenceStatements.h"
#include "data/Command.h"
#include "data/Error.h"
#include "data/NumberText.h"
#include "data/SqlText.h"
#include "data/Value.h"
#include "state/DataModule.h"
#include "ui/LiveGrid.h"
#include "ui/MessageTexts.h"
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
        throw data::ConversionError(QStringLiteral("«%1» не является числом (поле %2)")
                                        .arg(data::excerpt(typed), priceCaption));
    return sqltext::typedDecimal(text, maxPrice, priceCaption).toDouble();
}

void completeStep(data::ResultSet& steps, int operationId) {
    if (steps.isNull(QStringLiteral("norma")) || steps.isNull(QStringLiteral("price")))
        throw data::Error(ui::texts::allFieldsRequired());
    if (steps.state() != data::ResultSet::State::Insert)
        return;
    steps.setValue(QStringLiteral("o_id"), operationId);
    if (steps.isNull(QStringLiteral("prize")))
        steps.setValue(QStringLiteral("prize"), 0);
}

bool removeStep(data::Connection& connection, int operationId, int stepId) {
    data::Command remove(connection);
    remove.setSql(statements::deleteNormStep());
    remove.setParam(QStringLiteral("o_id"), operationId);
    remove.setParam(QStringLiteral("id"), stepId);
    return remove.execute() > 0;
}

bool stepExists(data::Connection& connection, int stepId) {
    data::Command count(connection);
    count.setSql(statements::normStepCount());
    count.setParam(QStringLiteral("id"), stepId);
    return data::value::toInt64(count.executeScalar()) > 0;
}

} // namespace norms

NormsWindow::NormsWindow(state::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("TForm22"), QStringLiteral("Норматив"), parent), dm_(dm),
      steps_(dm.connection, QStringLiteral("Norm")) {
    steps_.setSql(stepsStatement());
    steps_.setUpdateTable(QStringLiteral("accounts_dep.norm"), QStringLiteral("id"));

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
    model_ = new ui::ResultSetModel(steps_, std::move(columns), this);
    model_->setBoldTitles(false);
    model_->setEditable(true);
    model_->setBeforeWrite(
        [this](data::ResultSet& steps) { norms::completeStep(steps, operationId_); });
    model_->setWriteRefused([](const data::DbError& e) {
        // A new step of an operation deleted while the window was open.
        if (e.isForeignKeyViolation(QStringLiteral("norm_o_id_fkey")))
            throw e.refused(ui::texts::operationDeletedElsewhere());
    });
    stepsGrid_ = new ui::LiveGrid(Names::steps, this);
    stepsGrid_->showModel(model_);
    stepsGrid_->verticalHeader()->setVisible(true); // the row indicator

    saveButton_ = addButton(Names::save, QStringLiteral("Сохранить"), [this] { save(); });
    deleteButton_ =
        addButton(Names::remove, QStringLiteral("Удалить"), [this] { removeCurrent(); });
    setDefaultButton(saveButton_);
    setCancelButton(saveButton_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(saveButton_);
    buttons->addWidget(deleteButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stepsGrid_, 1);
    layout->addLayout(buttons);
    setClientSize(400, 280);
}

QString NormsWindow::stepsStatement() {
    return statements::normSteps();
}

void NormsWindow::showFor(int operationId, const QString& operation) {
    operationId_ = operationId;
    // Several operations of one product look alike in their steps; the caption tells them apart.
    setWindowTitle(QStringLiteral("Норматив — ") + operation);
    // Re-reading drops whatever an earlier showing left unwritten.
    steps_.close();
    steps_.setParam(QStringLiteral("o_id"), operationId);
    steps_.open();
    stepsGrid_->setFocus();
    exec();
    steps_.close();
}

void NormsWindow::save() {
    if (!stepsGrid_->commitEditor())
        return;
    model_->writePending();
    // The list shows the lowest price and the number of steps.
    if (dm_.operations.isOpen())
        ui::readAgainKeepingPlace(dm_.operations);
    accept();
}

void NormsWindow::reject() {
    runGuarded([this] { save(); });
}

void NormsWindow::removeCurrent() {
    // What is typed into the step goes with it, refused or not.
    stepsGrid_->discardEditor();
    const int row = stepsGrid_->currentIndex().row();
    if (row < 0)
        return;
    // A change never written goes with its step; a step never written is simply dropped.
    model_->dropPending();
    if (row >= steps_.rowCount())
        return;
    const QVariant key = model_->index(row, 0).data(ui::ResultSetModel::KeyRole);
    const int step = data::value::toInt32(key, QStringLiteral("id"));
    const bool kept = !norms::removeStep(dm_.connection, operationId_, step) &&
                      norms::stepExists(dm_.connection, step);
    // The grid shows the steps as they are now, also behind the refusal.
    stepsGrid_->reread();
    if (kept)
        throw data::Error(lastStepKept);
}

} // namespace reference
