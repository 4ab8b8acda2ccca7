#include "info/frmDescr.h"

#include "base/FixedLayout.h"
#include "base/Twips.h"
#include "base/WindowPlacement.h"
#include "base/AppIcon.h"
#include "base/ProgramFolder.h"
#include "info/DescriptionText.h"
#include "pictures/PictureLibrary.h"
#include "saves/SavedGame.h"

#include <QAction>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QKeyEvent>

#include <algorithm>

frmDescr::frmDescr(QWidget *owner, QPoint position)
    : QMainWindow(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_position(position)
{
    using namespace Twips::Descr;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setObjectName(QStringLiteral("frmDescr"));
    setWindowTitle(tr("   Funktionsbeschreibung"));
    setWindowIcon(Zandor::appIcon());

    menuBar()->setNativeMenuBar(false);
    mnuClose = menuBar()->addAction(tr("Schliessen"));
    mnuClose->setObjectName(QStringLiteral("mnuClose"));
    connect(mnuClose, &QAction::triggered, this, &frmDescr::mnuClose_Click);

    m_client = FixedLayout::centredClient(this);

    m_text1 = new QPlainTextEdit(m_client);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(Twips::rect(TextLeft, TextTop, TextWidth, TextHeight));
    m_text1->setReadOnly(true);
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Every line of the text stays one line, its indent kept: longer lines
    // scroll sideways.
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_text1->setLineWrapMode(QPlainTextEdit::NoWrap);

    // Esc closes the window, as it closes the About window.
    m_text1->installEventFilter(this);

    fitToText();
}

void frmDescr::fitToText()
{
    // The client area below the menu bar has its design size, wider where
    // the widest line of the text needs it; the text scrolls downwards.
    using namespace Twips::Descr;
    QSize client = FixedLayout::fit({{m_text1, Twips::rect(TextLeft, TextTop, TextWidth, TextHeight)}},
                                    Twips::size(ClientWidth, ClientHeight));
    client.setWidth(std::max(client.width(), menuBar()->sizeHint().width()));
    FixedLayout::keepSize(this, m_client, client);
}

void frmDescr::Form_Load()
{
    WindowPlacement::placeFrameAt(this, m_position);

    // The text box takes each CR LF as a paragraph break: one line, one paragraph.
    m_text1->setPlainText(DescriptionText::text(PictureLibrary::folder(ProgramFolder::path()), SavedGame::folder()));
    fitToText();
}

void frmDescr::mnuClose_Click()
{
    close();
}

bool frmDescr::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        mnuClose_Click();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmDescr::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        mnuClose_Click();
    else
        QMainWindow::keyPressEvent(event);
}
