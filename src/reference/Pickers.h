#pragma once

#include "ReferenceList.h"

#include <QString>
#include <optional>

// The worker and product pickers. Each hands the chosen row back as a small value, or
// nothing when the list was closed without a take.
namespace reference {

struct PickedWorker {
    QString fio;  // trimmed
    int id;       // the worker number used in the journal
    int personId; // the ERP person
};

struct PickedProduct {
    QString marka; // trimmed
    int id;
};

// The workers list (TForm5): Enter or a double-click takes.
class WorkersList : public ReferenceList {
    Q_OBJECT
public:
    explicit WorkersList(state::DataModule& dm, QWidget* parent = nullptr);
    std::optional<PickedWorker> pick();

protected:
    void takeCurrentRow() override;

private:
    std::optional<PickedWorker> taken_;
};

// The products list (TForm3): Enter, "Выбрать" or a double-click takes.
class ProductsList : public ReferenceList {
    Q_OBJECT
public:
    explicit ProductsList(state::DataModule& dm, QWidget* parent = nullptr);
    std::optional<PickedProduct> pick();

protected:
    void takeCurrentRow() override;

private:
    std::optional<PickedProduct> taken_;
};

// An identifier of the current row as a whole 32-bit number; an empty one is refused
// rather than read as 0.
int requiredId(const data::ResultSet& rows, const QString& field);

} // namespace reference
