#pragma once

// The norm steps of one operation (accounts_dep.norm): what a step may hold and how one is
// removed, and the window that edits an operation's steps in a grid.
#include "data/ResultSet.h"
#include "ui/Form.h"

#include <QString>
#include <QVariant>

class QPushButton;

namespace data {
class Connection;
}
namespace state {
class DataModule;
}

namespace ui {
class LiveGrid;
class ResultSetModel;
} // namespace ui

namespace reference {

namespace norms {

// "Цена" as shown: two decimals at least, three at most, a decimal comma (12,50; 12,346).
QString priceText(const QVariant& price);

// The highest price a box or cell takes: far above any operation's, and kept to the kopeck.
constexpr double maxPrice = 999999999;

// Typed cells. "Норматив" and "Премия, %" are whole numbers from 0 within 32 bits, "Цена"
// digits with one separator up to maxPrice. An empty cell is null, an empty bonus 0. Anything
// else, a sign among it, is refused with ConversionError naming the field.
QVariant typedNorma(const QString& typed);
QVariant typedPrice(const QString& typed);
QVariant typedPrize(const QString& typed);

// Before a step is written: one without norma or price is refused; a new one gets its
// operation, and bonus 0 when none was typed.
void completeStep(data::ResultSet& steps, int operationId);

// Deletes the step while its operation keeps another one, in one statement that locks the
// operation's steps first: of two workstations deleting its last two steps, the second waits
// and then finds one left. False when nothing was deleted.
bool removeStep(data::Connection& connection, int operationId, int stepId);
// Whether the step is still stored (a refused removal of the last one, not one gone meanwhile).
bool stepExists(data::Connection& connection, int stepId);

} // namespace norms

// The norms window (TForm22).
class NormsWindow : public ui::Form {
    Q_OBJECT
public:
    explicit NormsWindow(state::DataModule& dm, QWidget* parent = nullptr);

    // The documented names of the controls, their objectNames.
    struct Names {
        static constexpr const char* steps = "DBGrid1";
        static constexpr const char* save = "Button1";
        static constexpr const char* remove = "Button2";
    };

    // Shows the operation's steps modally. "Сохранить" (also Enter and Esc) writes what is
    // pending, reads dm.operations again keeping its place and closes. The operation, as
    // the list names it, goes into the caption.
    void showFor(int operationId, const QString& operation);
    // The statement of one operation's steps in ascending norma (parameter :o_id).
    static QString stepsStatement();

protected:
    // Closing the window any other way saves as "Сохранить" does.
    void reject() override;

private:
    void save();
    void removeCurrent();

    state::DataModule& dm_;
    data::ResultSet steps_;
    int operationId_ = 0; // taken once at opening
    ui::ResultSetModel* model_;
    ui::LiveGrid* stepsGrid_;
    QPushButton* saveButton_;
    QPushButton* deleteButton_;
};

} // namespace reference
