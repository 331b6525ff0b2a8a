#include "OperationTypes.h"

#include "Pickers.h"
#include "ReferenceStatements.h"
#include "ReferenceWrites.h"
#include "data/Error.h"
#include "state/DataModule.h"
#include "ui/LiveGrid.h"
#include "ui/MessageTexts.h"
#include "ui/Messages.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace reference {

namespace {

const QString duplicateMessage = QStringLiteral("Такая операция уже заведена!");
constexpr int nameLength = 50; // accounts_dep.vid_oper.vid

// Drops a row left unposted by an error, so the shared list shows only what is stored.
struct CancelUnposted {
    data::ResultSet& rows;
    ~CancelUnposted() { rows.cancel(); }
};

} // namespace

bool removeOperationType(data::Connection& connection, int id) {
    return deleteUnlessUsed(connection, statements::deleteOperationType(), id,
                            QStringLiteral("oper_vid_fkey"));
}

OperationTypeDialog::OperationTypeDialog(state::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("TForm9"), QString(), parent), dm_(dm) {
    auto* group = new QGroupBox(QStringLiteral("Вид операции"), this);
    group->setObjectName(QLatin1String(Names::fields));
    auto* label = new QLabel(QStringLiteral("Операция"), group);
    nameEdit_ = new QLineEdit(group);
    nameEdit_->setObjectName(QLatin1String(Names::name));
    nameEdit_->setMaxLength(nameLength);
    label->setBuddy(nameEdit_);
    auto* row = new QHBoxLayout(group);
    row->addWidget(label);
    row->addWidget(nameEdit_, 1);

    const SaveCancel buttons = layOutEditDialog(group, [this] { save(); });
    saveButton_ = buttons.save;
    cancelButton_ = buttons.cancel;
    setClientSize(380, 120);
}

bool OperationTypeDialog::addNew() {
    editedId_.reset();
    setWindowTitle(QStringLiteral("Заведение нового вида операций"));
    nameEdit_->clear();
    return run();
}

bool OperationTypeDialog::changeCurrent() {
    data::ResultSet& types = dm_.operationTypes;
    editedId_ = requiredId(types, QStringLiteral("id"));
    setWindowTitle(QStringLiteral("Изменение данных вида операции"));
    nameEdit_->setText(types.asString(QStringLiteral("vid")).trimmed());
    return run();
}

bool OperationTypeDialog::run() {
    nameEdit_->setFocus();
    return exec() == QDialog::Accepted;
}

void OperationTypeDialog::save() {
    const QString name = nameEdit_->text().trimmed();
    if (name.isEmpty())
        throw data::Error(ui::texts::allFieldsRequired());
    DuplicateRule duplicate{editedId_ ? statements::otherTypeDuplicates()
                                      : statements::typeDuplicates(),
                            {{QStringLiteral("vid"), name}},
                            QStringLiteral("vid_oper_upper_vid"), // the index on upper(vid)
                            duplicateMessage};
    if (editedId_)
        duplicate.params.insert(QStringLiteral("id"), *editedId_);

    data::ResultSet& types = dm_.operationTypes;
    const int saved = saveUnlessDuplicate(dm_, duplicate, [&] {
        const CancelUnposted cancel{types};
        if (!editedId_) {
            types.append();
        } else {
            if (!types.locate(QStringLiteral("id"), *editedId_))
                throw data::DbError(QStringLiteral("Вид операции удалён на другом рабочем месте"));
            types.edit();
        }
        types.setValue(QStringLiteral("vid"), name);
        types.post();
        return types.asInt(QStringLiteral("id"));
    });
    types.close();
    types.open();
    types.locate(QStringLiteral("id"), saved);
    accept();
}

OperationTypesList::OperationTypesList(state::DataModule& dm, OperationTypeDialog& dialog,
                                       QWidget* parent)
    : ReferenceList(dm, dm.operationTypes,
                    {"TForm8",
                     QStringLiteral("Виды операций"),
                     {340, 420},
                     {{QStringLiteral("vid"), QStringLiteral("Операции"), 309,
                       Qt::AlignLeft | Qt::AlignVCenter}},
                     QStringLiteral("vid"),
                     SearchKeys::TypingOnly,
                     RowButtons::AddAndDelete},
                    parent),
      dialog_(dialog) {
    connect(addRowButton_, &QPushButton::clicked, this,
            [this] { runGuarded([this] { addNew(); }); });
    connect(deleteButton_, &QPushButton::clicked, this,
            [this] { runGuarded([this] { deleteCurrent(); }); });
}

void OperationTypesList::showList() {
    runList();
}

std::optional<PickedOperationType> OperationTypesList::pick() {
    taken_.reset();
    runPicker();
    return taken_;
}

void OperationTypesList::takeCurrentRow() {
    taken_ = PickedOperationType{query_.asString(QStringLiteral("vid")).trimmed(),
                                 requiredId(query_, QStringLiteral("id"))};
}

void OperationTypesList::changeCurrentRow() {
    dialog_.changeCurrent();
}

void OperationTypesList::addNew() {
    dialog_.addNew();
}

// A type in use stays, or its operations would vanish from every list.
void OperationTypesList::deleteCurrent() {
    if (!query_.isOpen() || query_.isEmpty())
        return;
    if (!ui::Messages::askDelete(QStringLiteral("Удалить вид операции?"), this))
        return;
    const bool removed =
        removeOperationType(dm_.connection, requiredId(query_, QStringLiteral("id")));
    // The list shows the rows as they are now, also behind the refusal.
    grid_->reread();
    if (!removed)
        throw data::Error(
            QStringLiteral("Вид операции используется в операциях, удаление невозможно!"));
}

} // namespace reference
