#include "DialogFont.h"

#include <QApplication>
#include <QFont>

void applyDialogFont()
{
    const QString family = QStringLiteral("MS Shell Dlg 2");
    // Windows lists the family under that name and maps it to Tahoma itself; where it is not
    // listed (elsewhere, and under Wine), pick the closest widths available.
    QFont::insertSubstitutions(family,
        {QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
            QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    QApplication::setFont(QFont(family, 8));
}
