#include "LookupBox.h"

#include "data/ResultSet.h"
#include "data/Value.h"

#include <QAbstractItemView>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

namespace ui {

namespace {

// Keys arrive as the server's decimals and are set as ints: 5, 5.0 and "5" are one key.
bool sameKey(const QVariant& a, const QVariant& b) {
    if (data::value::isNull(a) || data::value::isNull(b))
        return false;
    if (data::value::isNumber(a) || data::value::isNumber(b)) {
        bool okA = false, okB = false;
        const double x = a.toDouble(&okA), y = b.toDouble(&okB);
        return okA && okB && x == y;
    }
    return data::value::toString(a) == data::value::toString(b);
}

} // namespace

LookupBox::LookupBox(const char* objectName, QWidget* parent) : QComboBox(parent) {
    setObjectName(QLatin1String(objectName));
    setEditable(false);
    // The width is the layout's; measuring hundreds of captions would only slow a reload.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    // A wheel passing over the box must not take the focus and so turn it.
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QComboBox::currentIndexChanged, this, &LookupBox::indexChanged);
    connect(this, &QComboBox::activated, this, &LookupBox::activatedByUser);
}

void LookupBox::bind(data::ResultSet* rows, const QString& keyField, const QString& listField) {
    if (rows_)
        disconnect(rows_, nullptr, this, nullptr);
    rows_ = rows;
    keyField_ = keyField;
    listField_ = listField;
    if (rows_)
        connect(rows_, &data::ResultSet::reset, this, &LookupBox::reload);
    reload();
}

void LookupBox::reload() {
    reloading_ = true;
    clear();
    keys_.clear();
    int found = -1;
    if (rows_ && rows_->isOpen()) {
        const int key = rows_->fieldIndex(keyField_);
        const int list = rows_->fieldIndex(listField_);
        if (key >= 0 && list >= 0) {
            const int n = rows_->rowCount();
            QStringList texts;
            texts.reserve(n);
            keys_.reserve(size_t(n));
            for (int r = 0; r < n; ++r) {
                texts << data::value::toString(rows_->valueAt(r, list)).trimmed();
                keys_.push_back(rows_->valueAt(r, key));
                if (found < 0 && sameKey(keys_.back(), wanted_))
                    found = r;
            }
            addItems(texts);
        }
    }
    setCurrentIndex(found);
    reloading_ = false;
    if (found >= 0)
        rows_->moveTo(found);
}

void LookupBox::setKey(const QVariant& key) {
    wanted_ = key;
    int found = -1;
    for (size_t i = 0; i < keys_.size() && found < 0; ++i)
        if (sameKey(keys_[i], key))
            found = int(i);
    reloading_ = true; // the key stays as set even when no item has it
    setCurrentIndex(found);
    reloading_ = false;
    if (found >= 0 && rows_ && rows_->isOpen())
        rows_->moveTo(found);
}

QVariant LookupBox::key() const {
    const int i = currentIndex();
    return i >= 0 && size_t(i) < keys_.size() ? keys_[size_t(i)] : QVariant();
}

void LookupBox::indexChanged(int index) {
    if (reloading_ || index < 0 || size_t(index) >= keys_.size())
        return;
    wanted_ = keys_[size_t(index)];
    if (rows_ && rows_->isOpen() && index < rows_->rowCount())
        rows_->moveTo(index);
}

void LookupBox::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

// Measured at each opening, not at each reload: the captions are only read when looked at.
void LookupBox::showPopup() {
    QAbstractItemView* list = view();
    int wanted = list->sizeHintForColumn(0) + 2 * list->frameWidth();
    if (count() > maxVisibleItems())
        wanted += list->verticalScrollBar()->sizeHint().width();
    if (const QScreen* s = screen())
        wanted = std::min(wanted, s->availableGeometry().width());
    list->setMinimumWidth(wanted);
    QComboBox::showPopup();
}

// The drop-down's choice arrives after it has closed, and Qt may tell the two in either order;
// waiting for the event loop makes it one signal per closing, carrying the new choice.
void LookupBox::hidePopup() {
    const bool shown = view()->isVisible();
    QComboBox::hidePopup();
    if (!shown)
        return;
    closing_ = true;
    QTimer::singleShot(0, this, &LookupBox::emitAfterClose);
}

void LookupBox::activatedByUser() {
    if (closing_ || view()->isVisible()) {
        closing_ = true;
        return;
    }
    emit chosen();
}

void LookupBox::emitAfterClose() {
    if (!closing_)
        return;
    closing_ = false;
    emit chosen();
}

} // namespace ui
