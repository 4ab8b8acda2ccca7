#include "base/Meldung.h"

#include "base/FixedLayout.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace Meldung {

namespace {

class Box : public FixedLayout::SelfSized<QMessageBox>
{
public:
    Box(const QString &text, StandardButtons buttons, QWidget *parent)
        : SelfSized(NoIcon, QString::fromLatin1(AppTitle), text, buttons, parent)
    {
        setObjectName(QStringLiteral("Meldung"));
    }
};

} // namespace

void zeigen(QWidget *parent, const QString &text)
{
    Box box(text, QMessageBox::Ok, parent);
    box.exec();
}

bool fragen(QWidget *parent, const QString &text)
{
    Box box(text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QCoreApplication::translate("Meldung", "&Ja"));
    box.button(QMessageBox::No)->setText(QCoreApplication::translate("Meldung", "&Nein"));
    return box.exec() == QMessageBox::Yes;
}

} // namespace Meldung
