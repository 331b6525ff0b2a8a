#pragma once

#include <QString>

// Message texts that more than one window shows, kept in one place so they stay word for word
// alike. A text one window alone shows stays beside its rule.
namespace ui::texts {

inline QString allFieldsRequired() {
    return QStringLiteral("Все поля должны быть заполнены!");
}

inline QString operationDeletedElsewhere() {
    return QStringLiteral("Операция удалена на другом рабочем месте");
}

// A write refused because the position was accepted meanwhile.
inline QString positionAlreadyAccepted() {
    return QStringLiteral("Позиция уже принята, изменить её нельзя!");
}

// "Изменить" or "Удалить" on a position shown as accepted.
inline QString acceptedPositionIsFixed() {
    return QStringLiteral("Позиция принята: изменять и удалять её нельзя");
}

} // namespace ui::texts
