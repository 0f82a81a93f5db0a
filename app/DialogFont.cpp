#include "DialogFont.h"

#include <QApplication>
#include <QFont>

void applyDialogFont()
{
    const QString family = QStringLiteral("MS Shell Dlg 2");
#ifndef Q_OS_WIN
    // Windows resolves the family itself; elsewhere pick the closest widths available.
    QFont::insertSubstitutions(family,
        {QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
            QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
#endif
    QApplication::setFont(QFont(family, 8));
}
