#pragma once

#include "data/ResultSet.h"

#include <QComboBox>
#include <QPointer>
#include <QVariant>
#include <vector>

namespace ui {

// A drop-down over the rows of a result set: it shows one field and stands for the key field
// of the chosen row, whose row becomes the result set's current one. It tells when the user
// chose: its drop-down closed, or a key or the wheel chose in the closed, focused box.
class LookupBox : public QComboBox {
    Q_OBJECT
public:
    explicit LookupBox(const char* objectName, QWidget* parent = nullptr);

    // Shows listField of the rows and stands for keyField; may be bound anew to other rows.
    // The items follow the rows whenever they are read again, sorted or filtered.
    void bind(data::ResultSet* rows, const QString& keyField, const QString& listField);
    data::ResultSet* rows() const { return rows_; }

    // A key that no row has (0, null) shows no item. The key is kept, so rows opened later
    // show its item.
    void setKey(const QVariant& key);
    // The key of the shown item; null when none is shown.
    QVariant key() const;
    // The shown text; empty when no item is shown.
    QString text() const { return currentText(); }

    // The drop-down is as wide as its longest entry, within the screen; the box keeps its width.
    void showPopup() override;
    void hidePopup() override;

protected:
    // Only the focused box turns with the wheel; over another box the wheel goes on to the window.
    void wheelEvent(QWheelEvent* event) override;

signals:
    // Once for each closing of the drop-down, chosen or not, and for each choice by a key
    // or the wheel in the closed box. The chosen row is the result set's current one.
    void chosen();

private:
    void reload();
    void indexChanged(int index);
    void activatedByUser();
    void emitAfterClose();

    QPointer<data::ResultSet> rows_;
    QString keyField_;
    QString listField_;
    std::vector<QVariant> keys_; // one per item
    QVariant wanted_;            // the key set or chosen last
    bool reloading_ = false;
    bool closing_ = false;
};

} // namespace ui
