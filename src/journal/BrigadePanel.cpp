#include "BrigadePanel.h"

#include "JournalStatements.h"
#include "data/Error.h"
#include "reference/Pickers.h"
#include "state/DataModule.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/LiveGrid.h"
#include "ui/ResultSetModel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace journal {

namespace {

const QString noDatabase = QStringLiteral("Невозможно сохранить данные в БД!");

} // namespace

BrigadePanel::BrigadePanel(state::DataModule& dm, reference::WorkersList& workers, ui::Form& form)
    : QWidget(&form), dm_(dm), workers_(workers), form_(form),
      members_(dm.connection, QStringLiteral("fio_smena_gds")),
      insertMember_(dm.connection, QStringLiteral("ins_person")),
      divide_(dm.connection, QStringLiteral("save_all")) {
    members_.setSql(statements::positionMembers());
    members_.setParam(QStringLiteral("s_id"), -1);
    insertMember_.setSql(statements::memberInsert());
    divide_.setSql(statements::division());

    title_ = ui::boldLabel(QStringLiteral("Бригада"), Names::title, this);
    auto* model = new ui::ResultSetModel(
        members_, {{QStringLiteral("s_caption"), QStringLiteral("Фамилия Имя Отчество"), 734}},
        this);
    grid_ = new ui::LiveGrid(Names::grid, this);
    grid_->showModel(model);
    addButton_ = form.addButton(Names::add, QStringLiteral("Добавить"), [this] { addMember(); });
    deleteButton_ =
        form.addButton(Names::remove, QStringLiteral("Удалить"), [this] { deleteMember(); });
    divideButton_ =
        form.addButton(Names::divide, QStringLiteral("Сохранить"), [this] { divide(); });
    buttons_ = new QHBoxLayout;
    buttons_->addWidget(addButton_);
    buttons_->addWidget(deleteButton_);
    buttons_->addStretch(1);
    buttons_->addWidget(divideButton_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title_);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons_);
}

void BrigadePanel::endButtonRowWith(QWidget* widget) {
    buttons_->addWidget(widget);
}

void BrigadePanel::showFor(int positionId) {
    positionId_ = positionId;
    members_.close();
    members_.setParam(QStringLiteral("s_id"), positionId);
    members_.open();
}

void BrigadePanel::reloadIfShown() {
    if (members_.isOpen())
        grid_->reread();
}

void BrigadePanel::close() {
    members_.close();
}

bool BrigadePanel::holdsUndivided() const {
    return members_.isOpen() && !members_.isEmpty();
}

void BrigadePanel::clear() {
    members_.close();
    members_.setParam(QStringLiteral("s_id"), -1);
}

void BrigadePanel::enableControls(bool on) {
    ui::setEnabled({title_, grid_, addButton_, deleteButton_, divideButton_}, on);
}

// A member only feeds its own row: the position's worker stays as it is.
void BrigadePanel::addMember() {
    const auto member = workers_.pick();
    if (!member)
        return;
    const ui::LiveGrid::Place place = grid_->place();
    members_.close();
    insertMember_.setParam(QStringLiteral("s_id"), positionId_);
    insertMember_.setParam(QStringLiteral("p_id"), member->personId);
    try {
        insertMember_.execute();
    } catch (const data::DbError& e) {
        grid_->reread(members_, place); // the members stay shown under the refusal
        throw e.refused(noDatabase);
    }
    grid_->reread(members_, place);
}

void BrigadePanel::deleteMember() {
    if (!members_.isOpen() || members_.isEmpty())
        return;
    data::Command remove(dm_.connection);
    remove.setSql(statements::memberDelete());
    remove.setParam(QStringLiteral("id"), members_.asInt(QStringLiteral("id")));
    remove.execute();
    grid_->reread();
}

// A refused division keeps the form and its members, so it can be tried again; the server's
// reason (an accepted position, more rejects than pieces) goes with the message.
void BrigadePanel::divide() {
    divide_.setParam(QStringLiteral("s_id"), positionId_);
    try {
        divide_.execute();
    } catch (const data::DbError& e) {
        throw e.refused(noDatabase);
    }
    form_.accept();
}

} // namespace journal
