#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace state {
class DataModule;
}

// Writing one consumption of a goods item for a journal position, checked against the norm
// and the stock as the server holds them at the write. Workstations meet here: the position's
// row and the goods item are locked, then the figures read and the row written, in one
// transaction, so eight clicks together never pass the norm or the stock between them.
namespace journal {

// The rules of a consumption that need no window.
namespace material {

// A typed quantity, comma or point: a plain number not below 0. Anything else is refused
// with ConversionError "«…» не является числом (поле <fieldCaption>)"; an empty text is 0
// when emptyIsZero, else refused as the field not filled in.
double typedQuantity(const QString& typed, bool emptyIsZero, const QString& fieldCaption);

// What the quantity box proposes: the rest of the norm, 0 without a norm or when it is used.
double proposal(double normQty, double usedQty);

// The checks before a consumption is written, in their order: above the norm, then above
// what is left free and reserved, each offered to be capped through ask() ("Запрос"; true for
// Yes). The quantity to write; nullopt when the user stopped or nothing is left to write.
// A quantity that ends at 0 or below is refused with data::Error "Расход ТМЦ не может быть 0!".
std::optional<double> checkedQuantity(double typed, double usedQty, double normQty, double avail,
                                      const std::function<bool(const QString&)>& ask);

} // namespace material

// What a consumption is checked against.
struct MaterialFigures {
    double normQty = 0; // per piece times the stored quantity of the position, 4 decimals
    double usedQty = 0; // already recorded of the goods item for the position
    double avail = 0;   // free and reserved stock left for the position
};

class MaterialStore {
public:
    explicit MaterialStore(state::DataModule& dm);

    enum class Outcome {
        Written,
        Stopped,        // the user answered No, or nothing was left to write
        TakenMeanwhile, // another workstation recorded or took stock while the user answered
    };
    struct Result {
        Outcome outcome = Outcome::Stopped;
        double written = 0;
        MaterialFigures figures; // as last read under the locks
    };

    // Writes the typed quantity when it fits the figures read under the locks. When it does
    // not, the checks (material::checkedQuantity) ask with those figures, without holding a
    // lock while the user answers, and the capped quantity is written when it still fits
    // what the server holds then. Throws data::Error for a position accepted or deleted
    // meanwhile, and "Расход ТМЦ не может быть 0!" as the checks do.
    Result record(int positionId, int goodsId, bool paint, double typed,
                  const std::function<bool(const QString&)>& ask);

private:
    // One locked attempt: reads the figures and writes quantity when it fits them.
    bool tryWrite(int positionId, int goodsId, bool paint, double quantity,
                  MaterialFigures& figures);

    state::DataModule& dm_;
};

// Whether a quantity fits the figures: within the norm left and the stock, and above 0.
bool fits(double quantity, const MaterialFigures& figures);

} // namespace journal
