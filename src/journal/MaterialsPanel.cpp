#include "MaterialsPanel.h"

#include "JournalStatements.h"
#include "MaterialDialog.h"
#include "data/Command.h"
#include "data/NumberText.h"
#include "state/DataModule.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/LiveGrid.h"
#include "ui/MessageTexts.h"
#include "ui/Messages.h"
#include "ui/ResultSetModel.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace journal {

MaterialsPanel::MaterialsPanel(state::DataModule& dm, MaterialDialog& dialog, ui::Form& form,
                               std::function<void()> afterAdd)
    : QWidget(&form), dm_(dm), dialog_(dialog), afterAdd_(std::move(afterAdd)),
      used_(dm.connection, QStringLiteral("smena_gds_use")) {
    used_.setSql(statements::positionMaterials());
    used_.setParam(QStringLiteral("id_smena"), -1);

    auto* model =
        new ui::ResultSetModel(used_,
                               {{QStringLiteral("s_caption"), QStringLiteral("ТМЦ"), 633},
                                {QStringLiteral("f_qty_use"), QStringLiteral("Расход"), 97,
                                 Qt::AlignRight | Qt::AlignVCenter, data::value::withDecimalComma}},
                               this);
    grid_ = new ui::LiveGrid(Names::grid, this);
    grid_->showModel(model);
    addButton_ = form.addButton(Names::add, QStringLiteral("Добавить"), [this] { add(); });
    deleteButton_ = form.addButton(Names::remove, QStringLiteral("Удалить"), [this] { remove(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addButton_);
    buttons->addWidget(deleteButton_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
}

void MaterialsPanel::showFor(int positionId) {
    positionId_ = positionId;
    used_.close();
    used_.setParam(QStringLiteral("id_smena"), positionId);
    used_.open();
}

void MaterialsPanel::close() {
    used_.close();
}

void MaterialsPanel::enableControls(bool on) {
    ui::setEnabled({grid_, addButton_, deleteButton_}, on);
}

void MaterialsPanel::focusAdd() {
    addButton_->setFocus();
}

void MaterialsPanel::add() {
    dialog_.addFor(positionId_);
    grid_->reread();
    afterAdd_();
    addButton_->setFocus();
}

void MaterialsPanel::remove() {
    if (!used_.isOpen() || used_.isEmpty())
        return;
    data::Command remove(dm_.connection, QStringLiteral("SmenaIU"));
    remove.setSql(statements::materialDelete());
    remove.setParam(QStringLiteral("id"), used_.asInt(QStringLiteral("id")));
    // The grid is read again after the box, so this one stays a box, not a thrown error.
    if (remove.execute() == 0)
        ui::Messages::error(ui::texts::positionAlreadyAccepted(), window());
    grid_->reread();
}

} // namespace journal
