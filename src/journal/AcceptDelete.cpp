// Accepting and deleting the positions of the shown date and shift.
#include "HoursRollup.h"
#include "JournalWindow.h"
#include "data/DataModule.h"
#include "data/SqlText.h"
#include "ui/Messages.h"

#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>

namespace journal {

namespace {
const QString acceptedState = QStringLiteral("ok");
}

// A position is accepted by the server, and only once material use has been recorded for
// it; one refused position does not stop the others.
void JournalWindow::acceptOne(data::ResultSet& query) {
    if (query.asString(QStringLiteral("ok")) == acceptedState)
        return;
    const int id = query.asInt(QStringLiteral("id"));
    smena_gds_use_cnt.close();
    smena_gds_use_cnt.setParam(QStringLiteral("id_smena"), id);
    smena_gds_use_cnt.open();
    const qint64 materialRows = smena_gds_use_cnt.asInt64(QStringLiteral("id_cnt"));
    smena_gds_use_cnt.close();
    if (materialRows > 0) {
        smena_accept_row.setParam(QStringLiteral("id"), id);
        smena_accept_row.execute();
    } else {
        ui::Messages::error(QStringLiteral("Не заведен расход ТМЦ!"), this);
    }
}

void JournalWindow::acceptSelected() {
    data::ResultSet& query = currentJournalQuery();
    if (query.isEmpty())
        return;
    const int place = query.recNo();
    QList<int> rows;
    if (grid_->model() && grid_->selectionModel())
        for (const QModelIndex& index : grid_->selectionModel()->selectedRows())
            rows << index.row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty()) {
        acceptOne(query);
    } else {
        for (int row : rows) {
            query.moveTo(row);
            acceptOne(query);
        }
        query.moveTo(place);
    }
    query.reopenKeepingPlace();
}

void JournalWindow::acceptAll() {
    data::ResultSet& query = currentJournalQuery();
    const int place = query.recNo();
    query.first();
    const int rows = query.rowCount();
    for (int i = 0; i < rows; ++i) {
        acceptOne(query);
        query.next();
    }
    query.moveTo(place);
    query.reopenKeepingPlace();
}

void JournalWindow::deleteCurrent() {
    data::ResultSet& query = currentJournalQuery();
    if (!query.isOpen() || query.isEmpty() || query.asString(QStringLiteral("ok")) == acceptedState)
        return;
    bool deleted = false;
    int worker = 0;
    if (ui::Messages::askDelete(QStringLiteral("Удалить позицию из списка?"), this)) {
        worker = query.asInt(QStringLiteral("w_id"));
        dm_.DelSmena.setSql(QStringLiteral("delete from accounts_dep.smena where id=") +
                            sqltext::integer(query.asInt(QStringLiteral("id"))));
        dm_.DelSmena.execute();
        deleted = true;
    }
    query.close();
    query.open();
    if (deleted)
        updateDayCell(dm_, worker, journalDate(), selectedShift);
}

} // namespace journal
