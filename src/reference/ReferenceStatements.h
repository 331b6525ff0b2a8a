#pragma once

#include <QString>

// The statement texts of the reference lists and their dialogs, in one place, so the benchmarks
// time exactly what the windows run. Values come as the bound parameters named beside each.
namespace reference::statements {

// Operations (TForm4, TForm10).
QString insertOperation();          // :oper_vid, :naimen, :i_id, :cena_new; returning id
QString updateOperation();          // :oper_vid, :naimen, :i_id, :id
QString deleteOperation();          // :id
QString operationDuplicates();      // cnt of :oper_vid, :naimen, :i_id
QString otherOperationDuplicates(); // the same, the operation :id itself left out
QString operationsExport();
QString productMark(); // :id

// Operation types (TForm8, TForm9).
QString deleteOperationType(); // :id
QString typeDuplicates();      // cnt of :vid, letter case aside
QString otherTypeDuplicates(); // the same, the type :id itself left out

// Norm steps (TForm22).
QString normSteps();      // :o_id, in ascending norma
QString deleteNormStep(); // :o_id, :id
QString normStepCount();  // :id

} // namespace reference::statements
