#pragma once

#include <QString>

namespace state {
class DataModule;
}

// The statement texts of the journal, its position dialog and its material dialog, in one
// place, so the benchmarks time exactly what the windows run.
namespace journal::statements {

// The journal of one shift (1..4, :smena) on :data, accepted or not by :ok; the data module
// holds the four queries (Smena1..Smena4), this gives them their statements and their shift.
QString shiftJournal(int shift);
void prepareShiftJournals(state::DataModule& dm);
// Saving a position: :w_id, :i_id, :o_id, :cena, :kol_vo, :brak, :data, :smena, :time, :vvod;
// the insert also :color, :id_doc, :id_doc_item, :id_gds_use; the update :id, only while the
// position is not accepted, returning the day it leaves.
QString positionInsert();
QString positionUpdate();
QString positionCount();  // :id
QString otherDayHours();  // :w_id, :data, :id; the worker's hours that day in his other positions
QString deletePosition(); // :id, only while it is not accepted

// The roll-up of a worker's day into the timesheet (:w_id, :smena, :month, :year, :data), each
// under the month's shared lock: lock the worker's month row; create it (always, or only when
// the day has hours); write the day's sum of hours into its cell.
QString dayRowLock();
QString dayRowCreate();
QString dayRowCreateForHours();
QString dayCellWrite(int day);
QString acceptCheck(); // :id; the fields acceptance depends on and the count of materials
QString acceptRow();   // :id; the server's acceptance of one position

// The position dialog (TForm11).
QString requisitions();        // open requisitions, by caption
QString requisitionLines();    // their open lines (f_qty > 0)
QString goods();               // goods items wanted by requisitions
QString docItemsByGoods();     // :id_gds, :id_gds_color
QString positionMaterials();   // :id_smena
QString positionMembers();     // :s_id
QString positionRequisition(); // :id_smena; the position's requisition
QString positionLine();        // :id_smena; its requisition line
QString lineStillRequired();   // :id; what an open requisition line still requires
QString operationPrice();      // :o_id; its lowest step, the base of its price
QString materialDelete();      // :id; only of a position not accepted now
QString memberInsert();        // :s_id, :p_id
QString memberDelete();        // :id
QString division();            // :s_id; shares the position among its brigade

// The material dialog (TForm24).
QString materialGoods();                     // :id_smena
QString materialRemainder(const char* mode); // :id_smena, :id_gds; "free" or "reserved"
QString materialUsed();                      // :id_smena, :id_gds_use
QString materialNorm(bool paint);            // :i_id, :id_gds; the norm of one piece
QString materialInsert();                    // :id_smena, :id_gds_use, :f_qty_use
QString materialPosition();                  // :id_smena; the stored quantity and product
QString materialLock();              // :id_smena, :id_gds; the position's row and the goods item
QString materialFigures(bool paint); // :id_smena, :id_gds; read after materialLock

// The history of the positions (HistoryWindow and the period's export).
QString positionHistory(); // :id_smena; newest first
QString periodHistory();   // :from, :to (dates of the change), :w_id (null for every worker)

} // namespace journal::statements
