// The fixed-size windows under the desktop's font and colours: at the normal
// font and at a large one every text whole inside its control, every control
// inside its window and clear of its neighbours, and at the normal font the
// design rectangles kept; on light and dark palettes the About window's
// coloured texts readable on its background.
#include "../WindowTestSupport.h"

#include "app/BoardView.h"
#include "app/GameTexts.h"
#include "app/PictureDialog.h"
#include "app/PictureMessages.h"
#include "app/SingleInstance.h"
#include "base/Meldung.h"
#include "base/Twips.h"
#include "info/frmAbout.h"
#include "info/frmDescr.h"
#include "saves/SavedGame.h"
#include "saves/frmLoad.h"
#include "scores/ScoreList.h"
#include "scores/frmTopTen.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QTranslator>
#include <QAccessible>
#include <QInputDialog>
#include <QPalette>
#include <cmath>
#include <QGroupBox>
#include <QMainWindow>
#include <QWindow>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOption>

using namespace TestSupport;

namespace {

// A window as the test sees it: its client area and, at the normal font, the
// rectangles (twips) its controls keep.
struct Opened
{
    QWidget *window = nullptr;
    QWidget *client = nullptr;
    QSize designClient;                          // twips; empty: not checked
    QVector<QPair<QWidget *, QRect>> design;     // twips within the parent
};

bool internal(const QWidget *w, const QWidget *top)
{
    for (const QWidget *p = w->parentWidget(); p && p != top; p = p->parentWidget())
        if (qobject_cast<const QAbstractScrollArea *>(p) || qobject_cast<const QMenuBar *>(p))
            return true;
    return qobject_cast<const QScrollBar *>(w) || qobject_cast<const QMenuBar *>(w);
}

// Whether the text of w shows whole: w's class and name with the text if not.
QString clipped(QWidget *w)
{
    const QFontMetrics fm = w->fontMetrics();
    const QString name = QLatin1String(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName() + QLatin1Char(' ');
    auto within = [](QSize text, QRect room) { return text.width() <= room.width() && text.height() <= room.height(); };
    if (auto *l = qobject_cast<QLabel *>(w); l && !l->text().isEmpty()) {
        // Lines one line spacing apart, each as high as the font.
        const QSize text(fm.boundingRect(QRect(0, 0, 4000, 4000), int(l->alignment()), l->text()).width(),
                         fm.height() + int(l->text().count(QLatin1Char('\n'))) * fm.lineSpacing());
        if (!within(text, l->contentsRect() - QMargins(l->margin(), l->margin(), l->margin(), l->margin())))
            return name + l->text();
    }
    if (auto *b = qobject_cast<QPushButton *>(w)) {
        // The text stands at least a pixel clear of the button's frame.
        QStyleOptionButton opt;
        opt.initFrom(b);
        const QRect room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b) - QMargins(1, 1, 1, 1);
        if (!within(fm.size(Qt::TextShowMnemonic, b->text()), room))
            return name + b->text();
    }
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        // Inside the frame, a line of the font and a pixel above and below it.
        QStyleOptionFrame opt;
        opt.initFrom(e);
        opt.lineWidth = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e);
        if (!within(QSize(0, fm.height() + 2), e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e) - e->textMargins()))
            return name + e->text();
    }
    if (auto *list = qobject_cast<QListWidget *>(w))
        for (int i = 0; i < list->count(); ++i)
            if (!list->viewport()->rect().contains(list->visualItemRect(list->item(i))))
                return name + list->item(i)->text();
    if (auto *edit = qobject_cast<QPlainTextEdit *>(w); edit && edit->horizontalScrollBar()->maximum() > 0)
        return name + QStringLiteral("scrolls sideways");
    return QString();
}

// Where a control stands: the board by its fields, the focus frame round them
// being drawn beneath what lies over it.
QRect extent(QWidget *w)
{
    return qobject_cast<BoardView *>(w) ? w->geometry().marginsRemoved(BoardView::focusMargins()) : w->geometry();
}

// Every text whole, every control inside its parent and clear of its siblings.
void checkFits(QWidget *top)
{
    QVERIFY(QTest::qWaitForWindowExposed(top));
    QHash<QWidget *, QVector<QWidget *>> siblings;
    for (QWidget *w : top->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(top) || w->isWindow() || internal(w, top))
            continue;
        const QString why = clipped(w);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QWidget *parent = w->parentWidget();
        const QRect room = qobject_cast<QGroupBox *>(parent) ? parent->contentsRect() : parent->rect();
        QVERIFY2(room.contains(w->geometry()), qPrintable(w->objectName()));
        for (QWidget *other : siblings[parent])
            QVERIFY2(!extent(other).intersects(extent(w)), qPrintable(other->objectName() + '/' + w->objectName()));
        siblings[parent].append(w);
    }
}

// Marks every text Qt's translation gives, ‹so›: the English translation,
// or (for Qt's own texts) the text as written, in English. A translator
// leaves the application as it is destroyed.
struct Marking : QTranslator
{
    QTranslator english;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *disambiguation, int n) const override
    {
        const QString text = english.translate(context, source, disambiguation, n);
        return u'‹' + (text.isNull() ? QString::fromUtf8(source) : text) + u'›';
    }
};

// Every text a player may read in top: its title, its controls' texts, tips
// and accessible names, choices and column heads, and its actions (menus).
QStringList textsOf(QWidget *top)
{
    QStringList texts{top->windowTitle()};
    for (QWidget *w : top->findChildren<QWidget *>()) {
        texts << w->toolTip() << w->accessibleName();
        if (auto *l = qobject_cast<QLabel *>(w))
            texts << l->text();
        else if (auto *b = qobject_cast<QAbstractButton *>(w))
            texts << b->text();
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            texts << g->title();
        else if (auto *e = qobject_cast<QPlainTextEdit *>(w))
            texts << e->toPlainText();
        else if (auto *c = qobject_cast<QComboBox *>(w); c && c->objectName() != QLatin1String("lookInCombo"))
            for (int i = 0; i < c->count(); ++i)   // not the folders the picture dialog offers
                texts << c->itemText(i);
        else if (auto *h = qobject_cast<QHeaderView *>(w); h && h->model())
            for (int i = 0; i < h->count(); ++i)
                texts << h->model()->headerData(i, h->orientation()).toString();
    }
    for (const QAction *a : top->findChildren<QAction *>())
        texts << a->text();
    return texts;
}

// Opens a window as the tests look at it: the main window with the board,
// both panels, the preview and the progress bar shown at once; the others
// with their longest texts (the load window with a saved game listed).
Opened open(const QString &window)
{
    if (window == QLatin1String("Main")) {
        auto *w = new frmMain;
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->Form_Load();
        w->mnuPosOn->trigger();
        w->mnuPreviewOn->trigger();
        w->pBar()->show();
        using namespace Twips::Main;
        const int panelLeft = BoardLeft + BoardSize + PanelGap, clientWidth = Width - 120;
        return {w, w->centralWidget(), QSize(clientWidth, BoardTop + BoardSize + ProgressGap + ProgressHeight + 150),
                {{w->Frame1(), QRect(BoardLeft, BoardTop, BoardSize, BoardSize)},
                 {w->Frame3(), QRect(panelLeft, BoardTop, PanelWidth, PanelHeight)},
                 {w->Frame4(), QRect(panelLeft, BoardTop + PanelHeight, PanelWidth, PanelHeight)},
                 {w->imgTemp(), QRect(panelLeft, BoardTop + 2 * PanelHeight + PreviewGap, PreviewSize, PreviewSize)},
                 {w->pBar(), QRect(ProgressLeft, BoardTop + BoardSize + ProgressGap, clientWidth - ProgressRightMargin,
                                   ProgressHeight)}}};
    }
    if (window == QLatin1String("About")) {
        auto *w = new frmAbout(nullptr, QRect(0, 0, 10200, 7400));
        w->Form_Load();
        w->show();
        using namespace Twips::About;
        // The controls that follow the window and the longest texts.
        return {w, w, QSize(ClientWidth, ClientHeight),
                {{w->lblTitle(), QRect(TitleLeft, TitleTop, TitleWidth, TitleHeight)},
                 {w->Frame1(), QRect(FrameLeft, FrameTop, FrameWidth, FrameHeight)},
                 {w->Label2(), QRect(ValueLeft, RowTop + 2 * RowStep, ValueWidth, RowHeight)},
                 {w->lblDisclaimer(), QRect(DisclaimerLeft, DisclaimerTop, DisclaimerWidth, DisclaimerHeight)},
                 {w->cmdOK(), QRect(OKLeft, OKTop, OKWidth, OKHeight)}}};
    }
    if (window == QLatin1String("Descr")) {
        // The text box is as wide as the text's widest line at every font;
        // its height and place are the design's.
        auto *w = new frmDescr(nullptr, QPoint(500, 500));
        w->Form_Load();
        w->show();
        return {w, w->centralWidget(), {}, {}};
    }
    if (window.startsWith(QLatin1String("TopTen"))) {
        // "TopTen6": the list of the 6 x 6 board, whose heading names it.
        auto *w = new frmTopTen(nullptr, QPoint(500, 500), window == QLatin1String("TopTen6") ? 6 : Tiles::DocumentedSide);
        w->Form_Load();
        using namespace Twips::TopTen;
        return {w, w->centralWidget(), QSize(ClientWidth, ClientHeight),
                {{w->Frame1, QRect(FrameLeft, HeadingTop + HeadingHeight + FrameGap, ClientWidth - FrameMarginWidth,
                                   ClientHeight - FrameMarginHeight - HeadingHeight)},
                 {w->lblScore[9], QRect(ScoreLeft, NrTop + 9 * RowHeight, ScoreWidth, RowHeight)}}};
    }
    SavedGame::ensureFolder();
    writeAll(SavedGame::folder() + QStringLiteral("/Spielstand vom Montag.sav"), "x");
    auto *w = new frmLoad(nullptr, QPoint(500, 500), GameState{});
    w->display(window == QLatin1String("Save") ? frmLoad::Mode::Save : frmLoad::Mode::Load);
    w->txtLoad->setText(QStringLiteral("Spielstand vom Montag.sav"));
    using namespace Twips::Load;
    return {w, w, QSize(ClientWidth, ClientHeight),
            {{w->txtLoad, QRect(NameLeft, NameTop, NameWidth, NameHeight)},
             {w->cmdDelete, QRect(DeleteLeft, ButtonTop, DeleteWidth, ButtonHeight)}}};
}

// Contrast ratio by relative luminance, as the accessibility guidelines define it.
double contrast(const QColor &a, const QColor &b)
{
    auto lum = [](const QColor &c) {
        auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double x = lum(a), y = lum(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// A dark palette whose link colour is unreadable on it.
QPalette darkPalette()
{
    QPalette p(QColor(53, 53, 53), QColor(53, 53, 53));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        p.setColor(role, QColor(221, 221, 221));
    p.setColor(QPalette::Base, QColor(42, 42, 42));
    p.setColor(QPalette::Link, Qt::blue);
    return p;
}

} // namespace

class TestWindowThemes : public QObject
{
    Q_OBJECT
    QFont m_normal;
private slots:
    void initTestCase() { m_normal = QApplication::font(); }
    void cleanup()
    {
        QApplication::setFont(m_normal);
        QApplication::setPalette(QPalette());
        closeAll();
    }

    void fits_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<double>("points");   // 0: the normal font
        for (const char *w : {"Main", "About", "Descr", "TopTen", "TopTen6", "NameBox", "Load"})
            for (double pt : {0.0, 14.0})
                QTest::addRow("%s %g", w, pt) << QString::fromLatin1(w) << pt;
    }

    void fits()
    {
        QFETCH(QString, window);
        QFETCH(double, points);
        if (points > 0) {
            QFont f = m_normal;
            f.setPointSizeF(points);
            QApplication::setFont(f);
        }
        ProgramDir dir;
        if (window == QLatin1String("NameBox")) {
            // Typing stops at the width a name has in the list.
            QString typed;
            onNextModal<QInputDialog>([&typed](QInputDialog *box) {
                auto *name = box->findChild<QLineEdit *>();
                QTest::keyClicks(name, QStringLiteral("Abcdefghijklmnopqrst"));
                typed = name->text();
                checkFits(box);
                box->accept();
            });
            frmTopTen::Start(nullptr, QRect(0, 0, 10200, 7400));
            QCOMPARE(typed, QStringLiteral("Abcdefghijklmno"));
            return;
        }
        const Opened o = open(window);
        if (auto *w = qobject_cast<frmMain *>(o.window)) {
            // The best-value line and the counters hold their longest texts,
            // none smaller than the general font.
            checkFits(w);
            QVector<std::pair<QLabel *, QString>> texts{{w->Label(1), "32767"}, {w->Label(3), "16"}};
            for (const QString &text : GameTexts::bestwertTexts())
                texts.append({w->lblBestwert(), text});
            for (const auto &[label, text] : texts) {
                label->setText(text);
                QCOMPARE(clipped(label), QString());
                QVERIFY(QFontInfo(label->font()).pixelSize() >= QFontInfo(QApplication::font()).pixelSize());
            }
        } else if (auto *w = qobject_cast<frmDescr *>(o.window)) {
            // The notes name the folders of this program folder.
            const QString text = w->Text1()->toPlainText();
            QVERIFY(text.contains(dir.path(QStringLiteral("Images/originale"))) && text.contains(dir.path(QStringLiteral("Saves"))));
            if (points == 0) {
                using namespace Twips::Descr;
                QCOMPARE(w->centralWidget()->height(), Twips::px(ClientHeight));
                QCOMPARE(w->Text1()->geometry().topLeft(), Twips::point(TextLeft, TextTop));
                QCOMPARE(w->Text1()->height(), Twips::px(TextHeight));
            }
        } else if (auto *w = qobject_cast<frmLoad *>(o.window)) {
            // The cancel button may be wider than designed (the German
            // caption touches its edges there).
            using namespace Twips::Load;
            if (points == 0)
                QVERIFY(w->cmdCancel->x() == Twips::px(CancelLeft) && w->cmdCancel->width() >= Twips::px(CancelWidth));
            // A screen reader names the list and the name box, which have no label beside them.
            for (QWidget *c : {static_cast<QWidget *>(w->File1), static_cast<QWidget *>(w->txtLoad)})
                QVERIFY(!QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name).isEmpty());
        }
        checkFits(o.window);
        // The main window's first size is its smallest; it has no largest.
        // The others offer no maximise: each keeps its own size. Given a
        // larger one all the same (as a compositor may), it takes it, its
        // controls at the centre of the room below its menu bar.
        const QSize own = o.window->size();
        const bool grows = window == QLatin1String("Main");
        QVERIFY(o.window->minimumSize() == own
                && o.window->maximumSize() == (grows ? QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX) : own));
        if (!grows) {
            o.window->windowHandle()->resize(own + QSize(300, 160));
            QTRY_COMPARE(o.window->size(), own + QSize(300, 160));
            const QWidget *client = o.window->findChild<QWidget *>(QStringLiteral("client"));
            const auto *main = qobject_cast<QMainWindow *>(o.window);
            const QRect room = o.window->rect().adjusted(0, main ? main->menuWidget()->height() : 0, 0, 0);
            QVERIFY((room.center() - QRect(client->mapTo(o.window, QPoint(0, 0)), client->size()).center()).manhattanLength() <= 1);
            o.window->windowHandle()->resize(own);
            QTRY_COMPARE(o.window->size(), own);
        }
        if (points > 0 || QTest::currentTestFailed())
            return;
        if (o.designClient.isValid())
            QCOMPARE(o.client->size(), Twips::size(o.designClient.width(), o.designClient.height()));
        for (const auto &[control, twips] : o.design)
            QCOMPARE(extent(control), Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    }

    void everyTextTranslated_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *w : {"Main", "About", "Descr", "TopTen", "TopTen6", "NameBox", "Load", "Save", "PictureDialog", "Messages"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }

    // Every text a player reads goes through Qt's translation: marked as
    // translated, no text of a window, its menus in every state, the
    // picture dialog or a message keeps a letter outside the marks (but the
    // game's data: its name, the author, the addresses, a name in the list,
    // file patterns), and none a German letter.
    void everyTextTranslated()
    {
        QFETCH(QString, window);
        Marking marking;
        QVERIFY(marking.english.load(QStringLiteral("zandor_en"), QStringLiteral(ZANDOR_PROGRAM_DIR "/translations"))
                && QCoreApplication::installTranslator(&marking));
        ProgramDir dir;
        QStringList texts;
        auto answer = [&texts](QDialog *d) { texts << textsOf(d), d->reject(); };
        if (window == QLatin1String("NameBox")) {
            onNextModal<QInputDialog>(answer);
            frmTopTen::Start(nullptr, QRect(0, 0, 10200, 7400));
        } else if (window == QLatin1String("PictureDialog")) {
            onNextModal<QFileDialog>(answer);
            PictureDialog::choose(nullptr, dir.path(QString()));
        } else if (window == QLatin1String("Messages")) {
            const QString path = dir.path(QStringLiteral("bild.jpg"));
            texts << GameTexts::bestwertTexts() << GameTexts::unsolvable() << PictureMessages::notFound(path)
                  << PictureMessages::referenceNotWritten(path) << SingleInstance::refusalText(path)
                  << GameTexts::notices(GameController::KeptGameNotWritten | GameController::SettingNotWritten);
            for (int help = GameSession::HintTaken; help <= GameSession::HelpSaved; ++help)
                texts << GameTexts::helpedWin(help);
            for (PictureError e : {PictureError::CannotOpen, PictureError::NotReadable, PictureError::TooLarge})
                texts << PictureMessages::notReadable(path, e);
            using Kind = SavedGame::Problem::Kind;
            for (int k = int(Kind::NameBlank); k <= int(Kind::CannotDelete); ++k)
                texts << frmLoad::problemText({Kind(k), 20, path});
            onNextModal<QMessageBox>(answer);
            Meldung::fragen(nullptr, frmTopTen::deleteQuestion());
        } else {
            QWidget *w = open(window).window;
            texts << textsOf(w);
            if (auto *main = qobject_cast<frmMain *>(w)) {
                // The switches' other captions, and the game taken back.
                QVERIFY(placed(*main));
                main->mnuPosOn->trigger(), main->mnuPreviewOn->trigger(), main->mnuNew->trigger();
                QVERIFY(placed(*main));
                texts << textsOf(main);
            }
        }
        const QStringList data = {frmAbout::AppTitle, frmAbout::AuthorName, frmAbout::MailAddress, frmAbout::WebAddress,
                                  frmAbout::YearLine, QLatin1String(ScoreList::DefaultName)};
        static const QRegularExpression marked(QStringLiteral("‹[^‹›]*›")), patterns(QStringLiteral("\\(\\*\\.[^)]*\\)"));
        QVERIFY(texts.join(QString()).contains(u'‹'));
        for (const QString &text : texts) {
            QString rest = text;
            for (qsizetype before = -1; before != rest.size();)   // the marks within marks too
                before = rest.size(), rest.remove(marked);
            rest.remove(patterns);
            QVERIFY2(data.contains(text.trimmed()) || !rest.contains(QRegularExpression(QStringLiteral("\\p{L}"))), qPrintable(text));
            QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("[äöüÄÖÜß]"))), qPrintable(text));
        }
    }

    void aboutColours_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::addRow("light") << QApplication::palette();
        QTest::addRow("dark") << darkPalette();
    }

    // Title (large text) and both links readable on the window, also the mail
    // link pressed and after release, with the palette set while it is open.
    // On the light palette the design's blue and release colour stay.
    void aboutColours()
    {
        QFETCH(QPalette, palette);
        const auto keep = frmAbout::openUrl;
        frmAbout::openUrl = [](const QUrl &) { return true; };
        ProgramDir dir;
        auto *w = new frmAbout(nullptr, QRect(0, 0, 10200, 7400));
        w->Form_Load();
        w->show();
        QApplication::setPalette(palette);
        QApplication::processEvents();
        const QColor back = w->palette().color(QPalette::Window);
        QCOMPARE(back, palette.color(QPalette::Window));
        const bool light = back.lightness() >= 128;
        auto text = [](QLabel *l) { return l->palette().color(QPalette::WindowText); };
        auto readable = [&](QLabel *l, double ratio) {
            const double c = contrast(text(l), back);
            return c >= ratio ? QByteArray() : l->objectName().toLatin1() + " " + QByteArray::number(c);
        };
        QCOMPARE(readable(w->lblTitle(), 3.0), QByteArray());
        for (QLabel *l : {static_cast<QLabel *>(w->Label1()), static_cast<QLabel *>(w->Label2())})
            QCOMPARE(readable(l, 4.5), QByteArray());
        if (light)
            for (QLabel *l : {w->lblTitle(), static_cast<QLabel *>(w->Label1()), static_cast<QLabel *>(w->Label2())})
                QCOMPARE(text(l), QColor(0, 0, 255));
        QTest::mousePress(w->Label1(), Qt::LeftButton);
        const QColor pressed = text(w->Label1());
        QCOMPARE(readable(w->Label1(), 4.5), QByteArray());
        QTest::mouseRelease(w->Label1(), Qt::LeftButton);
        QCOMPARE(readable(w->Label1(), 4.5), QByteArray());
        QVERIFY(text(w->Label1()) != pressed && text(w->Label1()) != text(w->Label2()));
        if (light)
            QCOMPARE(text(w->Label1()), QColor(0, 80, 80));
        frmAbout::openUrl = keep;
    }
};

QTEST_MAIN(TestWindowThemes)
#include "test_window_themes.moc"
