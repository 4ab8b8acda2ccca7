#include "app/frmMain.h"

#include "app/GameTexts.h"
#include "app/MainLayout.h"
#include "app/WindowKeeper.h"
#include "base/FixedLayout.h"
#include "base/Twips.h"
#include "base/WindowPlacement.h"
#include "app/BoardView.h"
#include "app/ProgressBar.h"
#include "info/frmAbout.h"
#include "info/frmDescr.h"
#include "saves/frmLoad.h"
#include "scores/frmTopTen.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <limits>

using namespace Twips::Main;
using namespace MainLayout;

namespace {
qint16 toInt16(double twips)
{
    const double r = std::round(twips);
    return static_cast<qint16>(qBound(-32768.0, r, 32767.0));
}
} // namespace

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
    , m_game(new GameController(this))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("    Zandor"));
    setAttribute(Qt::WA_QuitOnClose);
    // The window grows: it can be resized, maximised and made fullscreen,
    // the board the largest square beside the panels. Its size and state
    // are kept between runs.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    m_keeper = new WindowKeeper(this);
    connect(m_keeper, &WindowKeeper::changed, m_game, &GameController::setWindowState);
    buildControls();
    buildMenus();
    setFocusPolicy(Qt::StrongFocus);
    connectGame();
    // Every key of the window passes here first (the solution's stop).
    qApp->installEventFilter(this);
}

frmMain::~frmMain()
{
    // The game is kept and reports nothing more; the board, which reads the
    // game's session, goes before the game does.
    m_game->close();
    disconnect(m_game, nullptr, this, nullptr);
    delete centralWidget();
}

void frmMain::buildControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("client"));
    setCentralWidget(central);

    m_board = new BoardView(m_game->session(), central);
    m_board->setObjectName(QStringLiteral("Frame1"));
    m_board->hide();

    auto makeLabel = [](QWidget *parent, const QString &text, int top, int height, int pointSize, bool bold) {
        auto *l = new QLabel(text, parent);
        l->setGeometry(Twips::rect(PanelLabelLeft, top, PanelWidth - 2 * PanelLabelLeft, height));
        l->setAlignment(Qt::AlignCenter);
        QFont f = l->font();
        f.setPointSizeF(pointSize * labelScale());
        f.setBold(bold);
        l->setFont(f);
        return l;
    };
    m_frame3 = new QGroupBox(central);
    m_frame3->setObjectName(QStringLiteral("Frame3"));
    m_frame4 = new QGroupBox(central);
    m_frame4->setObjectName(QStringLiteral("Frame4"));
    m_label.resize(4);
    m_label[0] = makeLabel(m_frame3, tr("Züge"), 150, 420, 12, false);
    m_label[1] = makeLabel(m_frame3, QStringLiteral("0"), 570, 480, 16, true);
    m_label[2] = makeLabel(m_frame4, tr("Position"), 150, 420, 12, false);
    m_label[3] = makeLabel(m_frame4, QString(), 570, 480, 16, true);
    for (int i = 0; i < 4; ++i)
        m_label[i]->setObjectName(QStringLiteral("Label%1").arg(i));
    // For a screen reader the count and the position are labelled by the
    // captions above them (each label reports its new text as it changes).
    m_label[0]->setBuddy(m_label[1]);
    m_label[2]->setBuddy(m_label[3]);
    m_lblBestwert = makeLabel(m_frame3, QString(), 1080, 300, 9, false);
    m_lblBestwert->setObjectName(QStringLiteral("lblBestwert"));
    m_lblHinweis = new QLabel(central);
    m_lblHinweis->setObjectName(QStringLiteral("lblHinweis"));
    m_lblHinweis->hide();

    m_imgTemp = new QLabel(central);
    m_imgTemp->setObjectName(QStringLiteral("imgTemp"));
    m_imgTemp->setScaledContents(true);
    m_imgTemp->hide();

    m_pBar = new ProgressBar(central);
    m_pBar->setObjectName(QStringLiteral("pBar"));
    m_pBar->setRange(0, 1000);
    m_pBar->hide();
}

void frmMain::buildMenus()
{
    auto item = [this](QMenu *menu, const QString &caption, const QKeySequence &key, void (frmMain::*slot)()) {
        QAction *a = menu->addAction(caption);
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    menuBar()->installEventFilter(this);
    QMenu *mnuFile = menuBar()->addMenu(tr("&Datei"));
    mnuNew = item(mnuFile, tr("Neu"), Qt::Key_F2, &frmMain::mnuNew_Click);
    mnuChangePic = item(mnuFile, tr("Bild ändern"), Qt::Key_F3, &frmMain::mnuChangePic_Click);
    mnuFile->addSeparator();
    mnuSave = item(mnuFile, tr("Speichern"), Qt::Key_F5, &frmMain::mnuSave_Click);
    mnuLoad = item(mnuFile, tr("Laden"), Qt::Key_F6, &frmMain::mnuLoad_Click);
    mnuFile->addSeparator();
    mnuExit = mnuFile->addAction(tr("Beenden"));
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);
    auto command = [this](QMenu *menu, const QString &caption, const QKeySequence &key, auto call) {
        QAction *a = menu->addAction(caption);
        a->setShortcut(key);
        connect(a, &QAction::triggered, m_game, call);
        return a;
    };

    QMenu *mnuOption = menuBar()->addMenu(tr("&Optionen"));
    mnuPreviewOn = item(mnuOption, tr("Vorschau ein"), Qt::Key_F7, &frmMain::mnuPreviewOn_Click);
    mnuPosOn = item(mnuOption, tr("Positionsanzeige ein"), Qt::Key_F8, &frmMain::mnuPosOn_Click);
    mnuHint = command(mnuOption, tr("Tipp"), Qt::Key_F4, [this] { m_game->hint(); });
    mnuUndo = command(mnuOption, tr("Zug zurück"), Qt::CTRL | Qt::Key_Z, [this] { m_game->takeBack(); });
    mnuUndo->setEnabled(false);
    mnuSolution = command(mnuOption, tr("Lösung zeigen"), Qt::Key_F9, [this] { m_game->toggleSolution(); });
    mnuFit = command(mnuOption, tr("Bild zuschneiden"), QKeySequence(Qt::SHIFT | Qt::Key_F3),
                     [this] { m_game->setCrop(mnuFit->isChecked()); });
    mnuFit->setCheckable(true);
    QMenu *mnuBoard = mnuOption->addMenu(tr("Spielfeld"));
    mnuSpielfeld = new QActionGroup(this);
    for (int side = Tiles::MinSide; side <= Tiles::MaxSide; ++side) {
        QAction *a = command(mnuBoard, tr("%1 × %1").arg(side), {}, [this, side] { m_game->setSide(side); });
        a->setCheckable(true);
        a->setData(side);
        mnuSpielfeld->addAction(a);
    }
    mnuNumbers = command(mnuOption, tr("Nummern"), {}, [this] { m_game->setNumbers(mnuNumbers->isChecked()); });
    mnuNumbers->setCheckable(true);
    mnuFullScreen = item(mnuOption, tr("Vollbild"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
                         &frmMain::mnuFullScreen_Click);
    mnuFullScreen->setCheckable(true);
    mnuOption->addSeparator();
    mnuTopTen = item(mnuOption, tr("Top Ten"), Qt::Key_F11, &frmMain::mnuTopTen_Click);

    QMenu *mnuHelp = menuBar()->addMenu(tr("Hilfe"));
    mnuAbout = item(mnuHelp, tr("Info"), Qt::Key_F1, &frmMain::mnuAbout_Click);
    mnuDescr = item(mnuHelp, tr("Beschreibung"), Qt::Key_F12, &frmMain::mnuDescr_Click);
}

void frmMain::Form_Load()
{
    // The window manager tells the frame it will give the window while the
    // window is built: centring it before it is shown then need not wait.
    WindowPlacement::askFrameEarly(this);
    // The generator was seeded from the clock when the game was made; the
    // session starts unfinished, its counter at 0 and its layout all zeros.
    showSession();

    m_imgTemp->resize(Twips::size(BoardSize, BoardSize));
    // The panels right of the board, Frame4 directly below Frame3, and the
    // progress bar below the board across the window: at their design
    // places at the normal font, grown to their texts at a larger one. Each
    // label is sized for the widest texts it shows: the largest move count,
    // the highest field number and every text of the best-value line.
    m_label[3]->setText(QString());
    m_design = fitPanels(
        m_frame3, m_frame4, m_pBar,
        {{m_label[0], {}},
         {m_label[1], {QString::number(std::numeric_limits<qint16>::max())}},
         {m_lblBestwert, GameTexts::bestwertTexts(8888)},
         {m_label[2], {}},
         {m_label[3], {QString::number(Tiles::fieldCount(Tiles::MaxSide))}}});
    m_frame4->hide();
    m_pBar->setValue(0);
    m_pBar->hide();

    // The documented size, at the current font, is the window's first size
    // and its smallest. It opens as the player left it: its size (within
    // the screen's area), maximised or fullscreen.
    setMinimumSize(FixedLayout::windowSizeFor(this, m_design.client));
    m_keeper->restore(m_game->windowState());
    mnuFullScreen->setChecked(isFullScreen());
    layout()->setGeometry(rect());
    layOut();
    // Centred by the outer size: at once by the best estimate, and again
    // once the window manager has framed the window. Where the other
    // windows open follows the centred frame. A window that opens maximised
    // or fullscreen is centred at its own size, which it returns to.
    WindowPlacement::whenFramed(this, [this] {
        Fenster_Zentrieren();
        const QRect g = geometryTwips();
        m_windowTop = toInt16(g.top() + static_cast<double>(SecondaryOffset));
        m_windowLeft = toInt16(g.left() + static_cast<double>(SecondaryOffset));
    });

    Felder_Anlegen();
    // Should the board not be painted soon (a window shown minimised), what
    // waits for it begins all the same.
    QTimer::singleShot(FirstPaintWaitMillis, this, &frmMain::runAfterFirstPaint);
}

void frmMain::Fenster_Zentrieren()
{
    // A maximised or fullscreen window on the screen stands where the
    // window manager puts it.
    if (isVisible() && (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    WindowPlacement::centreFrame(this);
}

void frmMain::layOut()
{
    if (!m_design.client.isValid())
        return;
    const QSize client = centralWidget()->size();
    const MainLayout::Placed p = MainLayout::place(m_design, client);
    // The board's square, the widget larger by the focus frame's margin.
    m_board->setGeometry(p.board.marginsAdded(BoardView::focusMargins()));
    m_frame3->setGeometry(p.frame3);
    m_frame4->setGeometry(p.frame4);
    m_pBar->setGeometry(p.progress);
    // What could not be written is told in the progress bar's row, which is
    // empty while the game is played, down to the window's bottom edge.
    m_lblHinweis->setGeometry(p.progress.left(), p.progress.top(), p.progress.width(), client.height() - p.progress.top());
    m_preview = p.preview;
    if (m_imgTemp->isVisible())
        m_imgTemp->setGeometry(m_preview);
}

void frmMain::mnuFullScreen_Click()
{
    m_keeper->toggleFullScreen();
    mnuFullScreen->setChecked(isFullScreen());
}

QRect frmMain::geometryTwips() const
{
    return WindowPlacement::frameTwips(this);
}

void frmMain::Felder_Anlegen()
{
    m_game->holdSearchesUntilPainted();
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        // Maximised or fullscreen, the window takes the size the window
        // manager gives it once it is shown: the board picture is made once
        // the window is on the screen at another size than its own.
        m_waitingForSize = size();
        show();
        QTimer::singleShot(SizeWaitMillis, this, &frmMain::beginGame);
    } else {
        // The board picture is begun once the window is on the screen: begun
        // before, its thread takes the processor the window's mapping and
        // first paint need on a machine of few cores, and the window comes
        // later. The fields show empty until the tiles come; the searches
        // wait for the board's first paint. A window not exposed soon (shown
        // minimised) begins all the same.
        m_beginOnExpose = true;
        show();
        QTimer::singleShot(FirstPaintWaitMillis, this, &frmMain::beginGame);
    }
    // The fields, each marked empty until the picture is cut.
    m_board->show();
}

void frmMain::beginGame()
{
    m_waitingForSize = QSize();
    m_beginOnExpose = false;
    if (std::exchange(m_begun, true) || m_game->closed())
        return;
    m_game->setBoardPixels(m_board->deviceSquare(), m_board->devicePixelRatioF());
    m_game->start();
}

void frmMain::showSession()
{
    const GameSession &s = session();
    m_label[1]->setText(QString::number(s.zuege()));
    // A mark the session has taken off goes; a new one stays as long as the
    // session says.
    if (s.hintField() != m_board->hintMark())
        m_board->showHintMark(s.hintField(), GameSession::HintMarkMillis);
    if (mnuUndo) {
        const GameController::TakeBack back = m_game->canTakeBack();
        mnuUndo->setEnabled(back != GameController::TakeBack::Nothing);
        mnuUndo->setText(back == GameController::TakeBack::Game ? tr("Spiel zurück") : tr("Zug zurück"));
    }
    if (mnuPreviewOn) {
        Vorschau_Setzen();
        Position_Setzen();
    }
    m_board->boardChanged();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Every flow still under way (a message, the picture dialog, a picture
    // being read) ends here and writes nothing more; the game is kept, and
    // a change of the window's size not kept yet (told no more).
    m_game->close();
    m_keeper->flush();
    // The other windows close with the main window; nothing is written.
    m_board->cancelDrag();
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        if (w != this && w->isVisible())
            w->close();
    event->accept();
}

// --- preview and position display ------------------------------------------------

void frmMain::Vorschau_Setzen()
{
    if (session().imgvis()) {
        // Below the position frame, wherever it stands, shown or not.
        m_imgTemp->setGeometry(m_preview);
        if (m_imgTemp->pixmap().isNull() && !m_game->boardPicture().isNull())
            m_imgTemp->setPixmap(QPixmap::fromImage(m_game->boardPicture()));
        m_imgTemp->show();
        m_imgTemp->raise();
        mnuPreviewOn->setText(tr("Vorschau aus"));
    } else {
        m_imgTemp->hide();
        mnuPreviewOn->setText(tr("Vorschau ein"));
    }
}

void frmMain::Position_Setzen()
{
    if (session().PosAnz()) {
        mnuPosOn->setText(tr("Positionsanzeige aus"));
        m_frame4->show();
    } else {
        mnuPosOn->setText(tr("Positionsanzeige ein"));
        m_frame4->hide();
    }
}

// --- the secondary windows ---------------------------------------------------------

QPoint frmMain::secondaryPosition() const
{
    return QPoint(m_windowLeft, m_windowTop);
}

namespace {
// The one way a secondary window is kept: the open one is brought to the
// front, otherwise make() creates a new one (a closed window deletes itself).
template <typename Window, typename Make>
Window *openOne(QPointer<Window> &slot, Make make)
{
    if (slot && slot->isVisible()) {
        slot->raise();
        slot->activateWindow();
        return slot;
    }
    slot = make();
    return slot;
}
} // namespace

frmTopTen *frmMain::topTen(int side)
{
    // Loading the window reads the list of that board size; a window already
    // open on it is shown again and brought to the front, its rows as they
    // are. One open on another size's list gives way.
    if (m_topTen && m_topTen->side() != side)
        m_topTen->close();
    return openOne(m_topTen, [this, side] {
        auto *window = new frmTopTen(this, secondaryPosition(), side);
        window->Form_Load();
        return window;
    });
}

void frmMain::mnuTopTen_Click()
{
    topTen(session().side())->display();
}

void frmMain::mnuSave_Click()
{
    // A board still being made is not a game to save.
    if (!session().placed())
        return;
    openOne(m_load, [this] {
        auto *dialog = new frmLoad(this, secondaryPosition(), session().savedState());
        dialog->display(frmLoad::Mode::Save);
        return dialog;
    });
}

void frmMain::mnuLoad_Click()
{
    openOne(m_load, [this] {
        auto *dialog = new frmLoad(this, secondaryPosition(), session().savedState());
        connect(dialog, &frmLoad::gameChosen, this, &frmMain::applyLoadedGame);
        dialog->display(frmLoad::Mode::Load);
        return dialog;
    });
}

void frmMain::applyLoadedGame(const GameState &state)
{
    // Taken up once the load dialog is done and closed: a message or the
    // picture dialog this brings up never runs inside the dialog's handler,
    // so a main window closed meanwhile leaves no dialog to return to.
    QTimer::singleShot(0, this, [this, state] {
        if (!m_game->closed())
            m_game->loadGame(state);
    });
}

void frmMain::mnuAbout_Click()
{
    frmAbout *about = openOne(m_about, [this] { return new frmAbout(this, geometryTwips()); });
    about->Form_Load();
    about->show();
    about->raise();
    about->activateWindow();
}

void frmMain::mnuDescr_Click()
{
    frmDescr *descr = openOne(m_descr, [this] { return new frmDescr(this, secondaryPosition()); });
    descr->Form_Load();
    descr->show();
    descr->raise();
    descr->activateWindow();
}
