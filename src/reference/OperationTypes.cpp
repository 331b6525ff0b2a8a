#include "OperationTypes.h"

#include "Pickers.h"
#include "data/Command.h"
#include "data/DataModule.h"
#include "data/Error.h"
#include "data/SqlText.h"
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

} // namespace

bool removeOperationType(data::Connection& connection, int id) {
    data::Command remove(connection);
    remove.setSql(QStringLiteral("delete from accounts_dep.vid_oper where id=:id"));
    remove.setParam(QStringLiteral("id"), id);
    try {
        remove.execute();
    } catch (const data::DbError& e) {
        if (!e.isForeignKeyViolation(QStringLiteral("oper_vid_fkey")))
            throw;
        return false;
    }
    return true;
}

OperationTypeDialog::OperationTypeDialog(data::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("TForm9"), QString(), parent), dm_(dm) {
    auto* group = new QGroupBox(QStringLiteral("Вид операции"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* label = new QLabel(QStringLiteral("Операция"), group);
    Edit1 = new QLineEdit(group);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(nameLength);
    label->setBuddy(Edit1);
    auto* row = new QHBoxLayout(group);
    row->addWidget(label);
    row->addWidget(Edit1, 1);

    const SaveCancel buttons = layOutEditDialog(group, [this] { save(); });
    Button1 = buttons.save;
    Button2 = buttons.cancel;
    setClientSize(380, 120);
}

bool OperationTypeDialog::addNew() {
    editedId_.reset();
    setWindowTitle(QStringLiteral("Заведение нового вида операций"));
    Edit1->clear();
    return run();
}

bool OperationTypeDialog::changeCurrent() {
    data::ResultSet& types = dm_.operationTypes;
    editedId_ = requiredId(types, QStringLiteral("id"));
    setWindowTitle(QStringLiteral("Изменение данных вида операции"));
    Edit1->setText(types.asString(QStringLiteral("vid")).trimmed());
    return run();
}

bool OperationTypeDialog::run() {
    Edit1->setFocus();
    return exec() == QDialog::Accepted;
}

void OperationTypeDialog::save() {
    const QString name = Edit1->text().trimmed();
    if (name.isEmpty()) {
        ui::Messages::error(QStringLiteral("Все поля должны быть заполнены!"), this);
        return;
    }
    // The server upper-cases both sides, as its unique index does.
    QString count = QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where "
                                   "upper(vid)=upper(%1)")
                        .arg(sqltext::quoted(name));
    if (editedId_)
        count += QStringLiteral(" and id<>") + sqltext::integer(*editedId_);
    dm_.countCheck(count, {}, duplicateMessage);

    data::ResultSet& types = dm_.operationTypes;
    struct CancelUnposted {
        data::ResultSet& q;
        ~CancelUnposted() { q.cancel(); }
    } cancel{types};
    try {
        if (!editedId_) {
            types.append();
        } else {
            if (!types.locate(QStringLiteral("id"), *editedId_))
                throw data::DbError(QStringLiteral("Вид операции удалён на другом рабочем месте"));
            types.edit();
        }
        types.setValue(QStringLiteral("vid"), name);
        types.post();
    } catch (const data::DbError& e) {
        // Added meanwhile on another workstation: the index on upper(vid) said so.
        if (!e.isUniqueViolation(QStringLiteral("vid_oper_upper_vid")))
            throw;
        ui::Messages::error(duplicateMessage, this);
        return;
    }
    const int saved = types.asInt(QStringLiteral("id"));
    types.close();
    types.open();
    types.locate(QStringLiteral("id"), saved);
    accept();
}

OperationTypesList::OperationTypesList(data::DataModule& dm, OperationTypeDialog& dialog,
                                       QWidget* parent)
    : ReferenceList(dm, dm.operationTypes,
                    {"TForm8",
                     QStringLiteral("Виды операций"),
                     {340, 420},
                     {{QStringLiteral("vid"), QStringLiteral("Операции"), 309,
                       Qt::AlignLeft | Qt::AlignVCenter}},
                     QStringLiteral("vid"),
                     SearchKeys::TypingOnly,
                     true},
                    parent),
      dialog_(dialog) {
    connect(Button1, &QPushButton::clicked, this, [this] { runGuarded([this] { addNew(); }); });
    connect(Button3, &QPushButton::clicked, this,
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
    if (!removeOperationType(dm_.connection, requiredId(query_, QStringLiteral("id"))))
        ui::Messages::error(
            QStringLiteral("Вид операции используется в операциях, удаление невозможно!"), this);
    query_.reopenKeepingPlace();
}

} // namespace reference
