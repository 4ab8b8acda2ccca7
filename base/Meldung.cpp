#include "base/Meldung.h"

#include "base/WindowPlacement.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>

namespace Meldung {

namespace {

// A message box sizes itself to its text and then keeps that size (it does
// so again whenever its layout changes). Where the compositor decides the
// sizes of windows it may make the box maximised or fullscreen all the same,
// and the box must then take the size it is given: there the box has no
// maximum once it has sized itself, its content at the centre, and keeps the
// size it was given until it is released.
class Box : public QMessageBox
{
public:
    Box(const QString &text, StandardButtons buttons, QWidget *parent)
        : QMessageBox(NoIcon, QString::fromLatin1(AppTitle), text, buttons, parent)
    {
        setObjectName(QStringLiteral("Meldung"));
        if (layout())
            layout()->setAlignment(Qt::AlignCenter);
    }

protected:
    bool event(QEvent *event) override
    {
        if (!WindowPlacement::compositorPlaces())
            return QMessageBox::event(event);
        const bool given = windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
        if (event->type() == QEvent::LayoutRequest && given) {
            m_laidOut = false;   // sized again once released
            return true;
        }
        if (event->type() == QEvent::WindowStateChange && !given && !m_laidOut)
            QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
        const bool done = QMessageBox::event(event);
        if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest) {
            m_laidOut = true;
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
        return done;
    }

private:
    bool m_laidOut = true;
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
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
    return box.exec() == QMessageBox::Yes;
}

} // namespace Meldung
