#include "Controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>

namespace ui {

DatePicker::DatePicker(const char* objectName, QWidget* parent) : QDateEdit(parent) {
    setObjectName(QLatin1String(objectName));
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
}

void DatePicker::keyPressEvent(QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    QDateEdit::keyPressEvent(e);
    if (enter) {
        e->accept();
        emit confirmed();
    }
}

void highlight(QWidget* w, bool on, const QColor& colour) {
    QPalette p = w->parentWidget() ? w->parentWidget()->palette() : QApplication::palette();
    if (on)
        p.setColor(w->backgroundRole(), colour);
    w->setPalette(on ? p : QPalette());
    w->setAutoFillBackground(on);
    QFont f = w->font();
    f.setBold(on);
    w->setFont(f);
}

void reserveBoldWidth(QAbstractButton* b) {
    QFont bold = b->font();
    bold.setBold(true);
    const int extra = QFontMetrics(bold).horizontalAdvance(b->text()) -
                      b->fontMetrics().horizontalAdvance(b->text());
    b->setMinimumWidth(b->sizeHint().width() + extra);
}

} // namespace ui
