#include "MaterialStore.h"

#include "JournalStatements.h"
#include "Positions.h"
#include "data/Command.h"
#include "data/Error.h"
#include "data/ResultSet.h"
#include "data/SqlText.h"
#include "data/Transaction.h"
#include "data/Value.h"
#include "state/DataModule.h"
#include "ui/MessageTexts.h"

#include <cmath>

namespace journal {

namespace material {

using data::value::rounded;

double typedQuantity(const QString& typed, bool emptyIsZero, const QString& fieldCaption) {
    const QString text = typed.trimmed();
    if (text.isEmpty() && emptyIsZero)
        return 0;
    const auto refuse = [&] {
        return data::ConversionError(QStringLiteral("«%1» не является числом (поле %2)")
                                         .arg(data::excerpt(typed), fieldCaption));
    };
    // A pasted sign would get past the key filter; a consumption is never negative.
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')))
        throw refuse();
    bool ok = false;
    const double v = sqltext::typedDecimal(text, fieldCaption).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw refuse();
    return v;
}

double proposal(double normQty, double usedQty) {
    if (normQty <= 0)
        return 0;
    // Never below 0: a negative proposal would be a quantity the box itself refuses.
    return std::max(rounded(normQty - usedQty, 3), 0.0);
}

std::optional<double> checkedQuantity(double typed, double usedQty, double normQty, double avail,
                                      const std::function<bool(const QString&)>& ask) {
    double q = typed;
    if (rounded(usedQty + q - normQty, 4) > 0) {
        if (rounded(q, 4) <= 0)
            return std::nullopt;
        if (!ask(QStringLiteral("Расход ТМЦ не может быть больше остатка по партии! "
                                "Расходовать весь остаток по партии?")))
            return std::nullopt;
        q = rounded(normQty - usedQty, 4);
    }
    if (rounded(q, 3) > rounded(avail, 3)) {
        if (rounded(q, 3) <= 0)
            return std::nullopt;
        if (!ask(QStringLiteral(
                "Расход ТМЦ не может быть больше партии! Расходовать весь остаток по партии?")))
            return std::nullopt;
        q = rounded(avail, 3);
    }
    if (!(q > 0))
        throw data::Error(QStringLiteral("Расход ТМЦ не может быть 0!"));
    return q;
}

} // namespace material

using data::value::rounded;

bool fits(double quantity, const MaterialFigures& f) {
    return quantity > 0 && rounded(f.usedQty + quantity - f.normQty, 4) <= 0 &&
           rounded(quantity, 3) <= rounded(f.avail, 3);
}

MaterialStore::MaterialStore(state::DataModule& dm) : dm_(dm) {}

bool MaterialStore::tryWrite(int positionId, int goodsId, bool paint, double quantity,
                             MaterialFigures& figures) {
    data::Transaction transaction(dm_.connection);
    data::Command lock(dm_.connection, QStringLiteral("smena_gds_use_lock"));
    lock.setSql(statements::materialLock());
    lock.setParam(QStringLiteral("id_smena"), positionId);
    lock.setParam(QStringLiteral("id_gds"), goodsId);
    const QVariantMap position = lock.executeRow();
    if (position.isEmpty())
        throw data::Error(QStringLiteral("Позиция изменена или удалена на другом рабочем месте"));
    if (isAccepted(data::value::toString(position.value(QStringLiteral("ok")))))
        throw data::Error(ui::texts::positionAlreadyAccepted());

    // A statement of its own, begun after the locks: it sees every consumption committed.
    data::ResultSet now(dm_.connection, QStringLiteral("smena_gds_use_figures"));
    now.setSql(statements::materialFigures(paint));
    now.setParam(QStringLiteral("id_smena"), positionId);
    now.setParam(QStringLiteral("id_gds"), goodsId);
    now.open();
    const auto number = [&now](const char* field) {
        const QVariant v = now.value(QLatin1String(field));
        return data::value::isNull(v) ? 0.0 : data::value::toDouble(v, QLatin1String(field));
    };
    figures.normQty = rounded(number("kol_vo") * number("f_qty_from"), 4);
    figures.usedQty = number("sum_qty_use");
    figures.avail = number("f_qty_free") + number("f_qty_reserved");
    if (!fits(quantity, figures))
        return false;

    data::Command insert(dm_.connection, QStringLiteral("smena_gds_use"));
    insert.setSql(statements::materialInsert());
    insert.setParam(QStringLiteral("id_smena"), positionId);
    insert.setParam(QStringLiteral("id_gds_use"), goodsId);
    insert.setParam(QStringLiteral("f_qty_use"), quantity);
    insert.execute();
    transaction.commit();
    return true;
}

MaterialStore::Result MaterialStore::record(int positionId, int goodsId, bool paint, double typed,
                                            const std::function<bool(const QString&)>& ask) {
    Result result;
    if (tryWrite(positionId, goodsId, paint, typed, result.figures)) {
        result.outcome = Outcome::Written;
        result.written = typed;
        return result;
    }
    const MaterialFigures asked = result.figures;
    const std::optional<double> capped =
        material::checkedQuantity(typed, asked.usedQty, asked.normQty, asked.avail, ask);
    if (!capped)
        return result;
    if (!tryWrite(positionId, goodsId, paint, *capped, result.figures)) {
        result.outcome = Outcome::TakenMeanwhile;
        return result;
    }
    result.outcome = Outcome::Written;
    result.written = *capped;
    return result;
}

} // namespace journal
