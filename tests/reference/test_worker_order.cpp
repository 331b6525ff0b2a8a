// The workers picker as a Russian reader reads it: the server's order and the search by
// the first letters, with е and ё one letter.
#include "ModalDriver.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "reference/Pickers.h"
#include "ui/DataGrid.h"

#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

using reference::WorkersList;
using ListNames = reference::ReferenceList::Names;

QStringList shown(const ui::DataGrid* grid) {
    QStringList out;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        out << grid->model()->index(r, 0).data().toString();
    return out;
}

QStringList utf8(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

class WorkerOrderTest : public WindowTest<WorkersList> {
protected:
    // Stored in an order that is neither the alphabet's nor the code points'.
    static void SetUpTestSuite() {
        testdb::exec(QString::fromUtf8(R"(
insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values
  (9701, '701', 'Фролов Ф.Ф.', true), (9702, '702', 'ёжиков Ё.Ё.', true),
  (9703, '703', 'Ёлочка Е.Е.', true), (9704, '704', 'Яковлев Я.Я.', true),
  (9705, '705', 'Фёдоров Ф.Ф.', true), (9706, '706', 'Ёлкин Ё.Ё.', true),
  (9707, '707', 'Елизаров Е.Е.', true), (9708, '708', 'Федоров Ф.Ф.', true),
  (9709, '709', 'Абрамов А.А.', true), (9710, '710', 'ершов Е.Е.', true);
)"));
    }
    QLineEdit* box() { return control<QLineEdit>(ListNames::search); }
    ui::DataGrid* grid() { return control<ui::DataGrid>(ListNames::grid); }
};

TEST_F(WorkerOrderTest, NamesComeInTheAlphabetsOrderAndEAndYoAreOneLetterForTheSearch) {
    struct Case {
        const char* typed;
        QStringList names;
    };
    const QStringList everyone =
        utf8({"Абрамов А.А.", "ёжиков Ё.Ё.", "Елизаров Е.Е.", "Ёлкин Ё.Ё.", "Ёлочка Е.Е.",
              "ершов Е.Е.", "Федоров Ф.Ф.", "Фёдоров Ф.Ф.", "Фролов Ф.Ф.", "Яковлев Я.Я."});
    const Case cases[] = {
        {"Е", utf8({"ёжиков Ё.Ё.", "Елизаров Е.Е.", "Ёлкин Ё.Ё.", "Ёлочка Е.Е.", "ершов Е.Е."})},
        {"ё", utf8({"ёжиков Ё.Ё.", "Елизаров Е.Е.", "Ёлкин Ё.Ё.", "Ёлочка Е.Е.", "ершов Е.Е."})},
        {"ел", utf8({"Елизаров Е.Е.", "Ёлкин Ё.Ё.", "Ёлочка Е.Е."})},
        {"ЁЛО", utf8({"Ёлочка Е.Е."})},
        {"Фё", utf8({"Федоров Ф.Ф.", "Фёдоров Ф.Ф."})},
        {"фед", utf8({"Федоров Ф.Ф.", "Фёдоров Ф.Ф."})},
        {"Фр", utf8({"Фролов Ф.Ф."})},
        {"Ж", {}},
    };
    bool checked = false;
    whenModalOpens([&](QWidget*) {
        EXPECT_EQ(shown(grid()), everyone) << "ё with е, upper and lower case together";
        for (const Case& c : cases) {
            SCOPED_TRACE(c.typed);
            box()->clear();
            typeText(box(), QString::fromUtf8(c.typed));
            EXPECT_EQ(shown(grid()), c.names);
        }
        checked = true;
        window->close();
    });
    EXPECT_FALSE(window->pick().has_value());
    EXPECT_TRUE(checked);
}

} // namespace
