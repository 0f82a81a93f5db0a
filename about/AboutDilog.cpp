#include "AboutDilog.h"

#include "AboutDilogForm.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QUrl>

namespace {

// Typing this while the dialog has the keyboard reveals the service button.
constexpr QLatin1String serviceCode("604317");

QString aboutText()
{
    QString text;
    text.append(QStringLiteral("<center>Программа \"Конфигуратор Вирел\"<br>"));
    text.append(QStringLiteral("Изготовитель: наименование изготовителя<br>"));
    text.append(QStringLiteral("Тел./факс: +7 (000) 000-00-00<br>"));
    text.append(QStringLiteral("Техническая поддержка: "
                               "<a href=\"mailto:support@example.org\">support@example.org</a>"
                               "</center>"));
    return text;
}

} // namespace

AboutDilog::AboutDilog(QWidget *parent)
    : QDialog(parent)
    , form(new AboutDilogForm)
    , typedText()
{
    form->setupForm(this);
    form->_textLabel->setText(aboutText());
}

AboutDilog::~AboutDilog()
{
    delete form;
}

void AboutDilog::keyPressEvent(QKeyEvent *event)
{
    typedText.append(event->text());
    if (typedText.contains(serviceCode)) {
        emit show_btn(true);
        typedText.clear();
    } else {
        emit show_btn(false);
    }
    // Kept from QDialog's own handling, so Escape does not close the dialog.
    event->accept();
}

void AboutDilog::on__textLabel_linkActivated(QString link)
{
    QDesktopServices::openUrl(QUrl(link));
}
