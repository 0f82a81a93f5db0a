#pragma once

#include <QMessageBox>

// A message box a test's answerer has taken on carries this property, set as the box is shown;
// every other box is unexpected (UnexpectedBoxes.cpp).
namespace BoxAnswering {

inline void markAnswered(QMessageBox *box)
{
    box->setProperty("virelAnswered", true);
}

inline bool isAnswered(const QMessageBox *box)
{
    return box->property("virelAnswered").toBool();
}

} // namespace BoxAnswering
