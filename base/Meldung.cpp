#include "base/Meldung.h"

#include <QMessageBox>

namespace Meldung {

void zeigen(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(AppTitle), text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("Meldung"));
    box.exec();
}

} // namespace Meldung
