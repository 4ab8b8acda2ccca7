// The preview of the whole picture and the position display.
#include "app/frmMain.h"

#include "base/Twips.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>

void frmMain::Vorschau_Setzen()
{
    using namespace Twips::Main;
    if (imgvis) {
        // Below the position frame, wherever it stands, shown or not.
        const int left = Twips::fromPx(m_frame4->x());
        const int top = Twips::fromPx(m_frame4->y() + m_frame4->height()) + PreviewGap;
        m_imgTemp->setGeometry(Twips::rect(left, top, PreviewSize, PreviewSize));
        m_imgTemp->show();
        m_imgTemp->raise();
        mnuPreviewOn->setText(QStringLiteral("Vorschau aus"));
    } else {
        m_imgTemp->hide();
        mnuPreviewOn->setText(QStringLiteral("Vorschau ein"));
    }
}

void frmMain::mnuPreviewOn_Click()
{
    imgvis = !imgvis;
    Vorschau_Setzen();
}

void frmMain::mnuPosOn_Click()
{
    if (mnuPosOn->text() == QLatin1String("Positionsanzeige ein")) {
        PosAnz = true;
        mnuPosOn->setText(QStringLiteral("Positionsanzeige aus"));
        m_frame4->show();
    } else {
        PosAnz = false;
        mnuPosOn->setText(QStringLiteral("Positionsanzeige ein"));
        m_frame4->hide();
    }
}
