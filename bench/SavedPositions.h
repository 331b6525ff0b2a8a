#pragma once

// Positions read back from the plant as the position dialog would hand them to the store, so a
// benchmark saves what a user saves. The statement selects w_id, i_id, o_id, cena, kol_vo,
// brak, time, data, smena, id_doc, id_doc_item and color.
#include "data/ResultSet.h"
#include "data/SqlText.h"
#include "journal/PositionStore.h"

#include <vector>

namespace bench {

inline std::vector<journal::PositionValues> savedPositions(data::ResultSet& rows) {
    std::vector<journal::PositionValues> values;
    for (rows.first(); !rows.eof(); rows.next()) {
        journal::PositionValues v;
        v.workerCode = rows.asInt("w_id");
        v.productId = rows.asInt("i_id");
        v.operationId = rows.asInt("o_id");
        v.finalPrice = rows.asDouble("cena");
        v.quantity = sqltext::decimal(rows.asDouble("kol_vo")).replace('.', ',');
        v.rejects = rows.asString("brak");
        v.hours = rows.asString("time");
        v.date = rows.asDate("data");
        v.shift = rows.asInt("smena");
        v.requisitionId = rows.asInt("id_doc");
        v.requisitionItemId = rows.asInt("id_doc_item");
        v.goodsId = v.productId;
        v.colorId = rows.asInt("color");
        values.push_back(v);
    }
    return values;
}

} // namespace bench
