// The About window and the description window, opened from a real main window
// on a temporary program folder.
#include "base/Ansi.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"
#include "app/frmMain.h"
#include "info/CursorFile.h"
#include "info/DescriptionText.h"
#include "base/IconArt.h"
#include "info/frmAbout.h"
#include "info/frmDescr.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>
#include <memory>

class TestInfoWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menuKeysMatchDescription();
    void aboutPlacement_data();
    void aboutPlacement();
    void aboutTexts();
    void aboutMailLinkColours();
    void aboutLinks_data();
    void aboutLinks();
    void aboutShellFailureIgnored();
    void aboutCursor_data();
    void aboutCursor();
    void aboutOkCloses();
    void descrWindow();
    void descrPlacementFollowsMain();
    void descrCloseMenu();
    void singleInstance_data();
    void singleInstance();
    void modalAndClosedWithMain_data();
    void modalAndClosedWithMain();

private:
    void writeCursor();
    static void flushDeletes();
    QWidget *open(const QString &which);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_main;
    QList<QUrl> m_opened;
    bool m_openResult = true;
};

void TestInfoWindows::initTestCase()
{
    // One program folder for the whole run, with a picture named in p.cxa, so
    // the main window starts up as the player would see it (and whatever it
    // caches in its folder is built once).
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir dir(m_dir->path());
    QVERIFY(dir.mkpath(QStringLiteral("Images/originale")));
    QImage picture(480, 480, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const QString pic = dir.filePath(QStringLiteral("Images/originale/bild1.jpg"));
    QVERIFY(picture.save(pic, "JPEG"));
    QFile ref(dir.filePath(QStringLiteral("p.cxa")));
    QVERIFY(ref.open(QIODevice::WriteOnly));
    ref.write(Ansi::writeLines({QDir::toNativeSeparators(pic)}));
}

void TestInfoWindows::init()
{
    ProgramFolder::setPath(m_dir->path());
    QFile::remove(ProgramFolder::file(QStringLiteral("Hand.cur")));

    m_opened.clear();
    m_openResult = true;
    frmAbout::openUrl = [this](const QUrl &url) {
        m_opened.append(url);
        return m_openResult;
    };

    m_main = std::make_unique<frmMain>();
    m_main->Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void TestInfoWindows::cleanup()
{
    if (m_main)
        m_main->close();
    m_main.reset();
    flushDeletes();
    QVERIFY(!frmAbout::current());
    QVERIFY(!frmDescr::current());
    ProgramFolder::setPath(QString());
}

void TestInfoWindows::flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void TestInfoWindows::writeCursor()
{
    QFile f(ProgramFolder::file(QStringLiteral("Hand.cur")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(CursorFile::encode(IconArt::handCursor(), IconArt::HandHotSpot));
}

QWidget *TestInfoWindows::open(const QString &which)
{
    QWidget *w = nullptr;
    if (which == QLatin1String("about")) {
        m_main->mnuAbout_Click();
        w = frmAbout::current();
    } else {
        m_main->mnuDescr_Click();
        w = frmDescr::current();
    }
    if (w)
        (void)QTest::qWaitForWindowExposed(w);
    return w;
}

// Collects every action of a menu bar and its menus, depth first.
static void collectActions(const QList<QAction *> &actions, QList<QAction *> &out)
{
    for (QAction *a : actions) {
        out.append(a);
        if (a->menu())
            collectActions(a->menu()->actions(), out);
    }
}

void TestInfoWindows::menuKeysMatchDescription()
{
    QList<QAction *> actions;
    collectActions(m_main->menuBar()->actions(), actions);
    QList<int> menuKeys;
    for (QAction *a : actions) {
        for (const QKeySequence &ks : a->shortcuts()) {
            if (ks.count() == 1 && ks[0].key() >= Qt::Key_F1 && ks[0].key() <= Qt::Key_F35
                && ks[0].keyboardModifiers() == Qt::NoModifier)
                menuKeys.append(ks[0].key());
        }
    }
    QList<int> described;
    for (const QKeySequence &ks : DescriptionText::keys())
        described.append(ks[0].key());
    std::sort(menuKeys.begin(), menuKeys.end());
    std::sort(described.begin(), described.end());
    QVERIFY(!described.isEmpty());
    QCOMPARE(described, menuKeys);

    // F1 and F12 are the info windows' own keys.
    QCOMPARE(m_main->mnuAbout->shortcut(), QKeySequence(Qt::Key_F1));
    QCOMPARE(m_main->mnuDescr->shortcut(), QKeySequence(Qt::Key_F12));
}

void TestInfoWindows::aboutPlacement_data()
{
    QTest::addColumn<QPoint>("mainPos");
    QTest::newRow("as started") << QPoint(-1, -1);
    QTest::newRow("top left") << QPoint(0, 0);
    QTest::newRow("moved") << QPoint(37, 52);
    QTest::newRow("far right") << QPoint(500, 300);
}

void TestInfoWindows::aboutPlacement()
{
    QFETCH(QPoint, mainPos);
    if (mainPos.x() >= 0)
        m_main->move(mainPos);
    const QRect mainFrame = m_main->frameGeometry();
    for (int round = 0; round < 2; ++round) {            // the same each time it opens
        QWidget *about = open(QStringLiteral("about"));
        QVERIFY(about);
        const QRect frame = about->frameGeometry();
        QCOMPARE(frame.top(), mainFrame.top());
        QCOMPARE(frame.right(), mainFrame.right());
        QCOMPARE(about->size(), Twips::size(Twips::About::ClientWidth, Twips::About::ClientHeight));
        about->close();
        flushDeletes();
        QVERIFY(!frmAbout::current());
    }
}

void TestInfoWindows::aboutTexts()
{
    auto *about = static_cast<frmAbout *>(open(QStringLiteral("about")));
    QVERIFY(about);
    QCOMPARE(about->windowTitle(), QStringLiteral("   About"));
    QCOMPARE(about->lblTitle()->text(), QStringLiteral("Zandor"));
    QVERIFY(about->lblTitle()->font().bold());
    QCOMPARE(about->lblTitle()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    // The version comes from the project version, with nothing around the points.
    QCOMPARE(about->lblVersion()->text(), QStringLiteral("Version " ZANDOR_PROJECT_VERSION));
    QCOMPARE(about->lblDisclaimer()->text(), frmAbout::disclaimerLines().join(QStringLiteral("\r\n")));
    QCOMPARE(about->lblDisclaimer()->text().count(QStringLiteral("\r\n")), 4);
    QCOMPARE(about->Label3()->text(), QStringLiteral("Author:"));
    QCOMPARE(about->Label4()->text(), frmAbout::AuthorName);
    QCOMPARE(about->Label1()->text(), frmAbout::MailAddress);
    QCOMPARE(about->Label2()->text(), frmAbout::WebAddress);
    QVERIFY(frmAbout::MailAddress.endsWith(QStringLiteral("@example.org")));
    QVERIFY(frmAbout::WebAddress.endsWith(QStringLiteral("example.org")));
    QVERIFY(!frmAbout::WebAddress.contains(QStringLiteral("://")));
    QVERIFY(!about->Label5()->text().isEmpty());
    for (QLabel *link : {static_cast<QLabel *>(about->Label1()), static_cast<QLabel *>(about->Label2())}) {
        QVERIFY(link->font().underline());
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(link->parentWidget(), about->Frame1());
    }
    QCOMPARE(about->cmdOK()->text(), QStringLiteral("OK"));
    QCOMPARE(about->picIcon()->pixmap().size(), QSize(32, 32));
    QVERIFY(!about->windowIcon().isNull());
    for (int i = 0; i <= 6; ++i)
        QVERIFY(about->Line1(i));
    // Every control lies inside the window.
    for (QWidget *c : about->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        QVERIFY2(about->rect().contains(c->geometry()), qPrintable(c->objectName()));
}

void TestInfoWindows::aboutMailLinkColours()
{
    auto *about = static_cast<frmAbout *>(open(QStringLiteral("about")));
    QVERIFY(about);
    QLabel *mail = about->Label1();
    QLabel *web = about->Label2();
    const QPoint inside(4, mail->height() / 2);
    QTest::mousePress(mail, Qt::LeftButton, {}, inside);
    QCOMPARE(mail->palette().color(QPalette::WindowText), QColor(0, 160, 160));
    QTest::mouseRelease(mail, Qt::LeftButton, {}, inside);
    QCOMPARE(mail->palette().color(QPalette::WindowText), QColor(0, 80, 80));
    // The release colour stays: moving over the link, clicking the web link.
    QTest::mouseMove(mail, QPoint(8, mail->height() / 2));
    QTest::mouseClick(web, Qt::LeftButton, {}, QPoint(4, web->height() / 2));
    QCOMPARE(mail->palette().color(QPalette::WindowText), QColor(0, 80, 80));
    QVERIFY(mail->font().underline());
    // The web link has no colour change of its own.
    QCOMPARE(web->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

void TestInfoWindows::aboutLinks_data()
{
    QTest::addColumn<bool>("mail");
    QTest::addColumn<QUrl>("url");
    QTest::newRow("mail") << true << QUrl(QStringLiteral("mailto:zandor@example.org"));
    QTest::newRow("web") << false << QUrl(QStringLiteral("https://www.zandor.example.org"));
}

void TestInfoWindows::aboutLinks()
{
    QFETCH(bool, mail);
    QFETCH(QUrl, url);
    auto *about = static_cast<frmAbout *>(open(QStringLiteral("about")));
    QVERIFY(about);
    QLabel *link = mail ? static_cast<QLabel *>(about->Label1()) : static_cast<QLabel *>(about->Label2());
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(4, link->height() / 2));
    QCOMPARE(m_opened, QList<QUrl>{url});
    // A press that ends outside the link opens nothing.
    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(4, link->height() / 2));
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(link->width() + 20, link->height() / 2));
    QCOMPARE(m_opened.size(), 1);
    // Neither does a click on the labels beside the links.
    QTest::mouseClick(about->lblMail(), Qt::LeftButton);
    QTest::mouseClick(about->lblURL(), Qt::LeftButton);
    QCOMPARE(m_opened.size(), 1);
}

void TestInfoWindows::aboutShellFailureIgnored()
{
    m_openResult = false;                     // no mail program, no browser
    auto *about = static_cast<frmAbout *>(open(QStringLiteral("about")));
    QVERIFY(about);
    const QPoint pos = about->pos();
    QTest::mouseClick(about->Label2(), Qt::LeftButton, {}, QPoint(4, 4));
    QTest::mouseClick(about->Label1(), Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(m_opened.size(), 2);
    QVERIFY(about->isVisible());
    QCOMPARE(frmAbout::current(), about);
    QCOMPARE(about->pos(), pos);
    QCOMPARE(about->Label2()->text(), frmAbout::WebAddress);
    QTest::qWait(20);
    QVERIFY(QApplication::topLevelWidgets().contains(about));
    QVERIFY(!QApplication::activeModalWidget() || QApplication::activeModalWidget() == about);
}

void TestInfoWindows::aboutCursor_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("hand");
    QTest::newRow("Hand.cur present") << "cursor" << true;
    QTest::newRow("Hand.cur missing") << "missing" << false;
    QTest::newRow("Hand.cur damaged") << "damaged" << false;
}

void TestInfoWindows::aboutCursor()
{
    QFETCH(QString, file);
    QFETCH(bool, hand);
    if (file == QLatin1String("cursor")) {
        writeCursor();
    } else if (file == QLatin1String("damaged")) {
        QFile f(ProgramFolder::file(QStringLiteral("Hand.cur")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(CursorFile::encode(IconArt::handCursor(), IconArt::HandHotSpot).left(200));
    }
    auto *about = static_cast<frmAbout *>(open(QStringLiteral("about")));
    QVERIFY(about);
    QVERIFY(about->isVisible());
    for (QLabel *link : {static_cast<QLabel *>(about->Label1()), static_cast<QLabel *>(about->Label2())}) {
        if (hand) {
            QCOMPARE(link->cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(link->cursor().hotSpot(), IconArt::HandHotSpot);
            QCOMPARE(link->cursor().pixmap().size(), QSize(32, 32));
        } else {
            QVERIFY(!link->testAttribute(Qt::WA_SetCursor));
            QCOMPARE(link->cursor().shape(), Qt::ArrowCursor);
        }
    }
    // The labels beside the links keep the ordinary pointer either way.
    QCOMPARE(about->lblMail()->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(about->Label1()->text(), frmAbout::MailAddress);
}

void TestInfoWindows::aboutOkCloses()
{
    QPointer<frmAbout> about = static_cast<frmAbout *>(open(QStringLiteral("about")));
    QVERIFY(about);
    QTest::mouseClick(about->cmdOK(), Qt::LeftButton);
    flushDeletes();
    QVERIFY(!about);
    QVERIFY(!frmAbout::current());
    QVERIFY(m_main->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);

    // Escape closes it the same way, and it is gone, not just hidden.
    about = static_cast<frmAbout *>(open(QStringLiteral("about")));
    QVERIFY(about);
    QTest::keyClick(about, Qt::Key_Escape);
    flushDeletes();
    QVERIFY(!about);
    QVERIFY(!frmAbout::current());
}

void TestInfoWindows::descrWindow()
{
    auto *descr = static_cast<frmDescr *>(open(QStringLiteral("descr")));
    QVERIFY(descr);
    QCOMPARE(descr->windowTitle(), QStringLiteral("   Funktionsbeschreibung"));
    QCOMPARE(descr->pos(), Twips::point(m_main->Window_Left, m_main->Window_Top));
    QCOMPARE(descr->centralWidget()->size(), Twips::size(Twips::Descr::ClientWidth, Twips::Descr::ClientHeight));

    QPlainTextEdit *text = descr->Text1();
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->geometry(), Twips::rect(Twips::Descr::TextLeft, Twips::Descr::TextTop,
                                          Twips::Descr::TextWidth, Twips::Descr::TextHeight));
    QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(text->verticalScrollBar()->isVisible());
    // The text is longer than the box: it scrolls.
    QVERIFY(text->verticalScrollBar()->maximum() > 0);

    // The box shows the 32 lines as they are, the key lines indented.
    const QStringList expected = DescriptionText::lines();
    QCOMPARE(text->document()->blockCount(), 32);
    for (int i = 0; i < 32; ++i)
        QCOMPARE(text->document()->findBlockByNumber(i).text(), expected.at(i));
    QVERIFY(text->document()->findBlockByNumber(7).text().startsWith(QStringLiteral("       [F1]...Info")));
    QVERIFY(!text->toPlainText().contains(QLatin1Char('\r')));

    // Typing changes nothing.
    text->setFocus();
    QTest::keyClicks(text, QStringLiteral("xyz"));
    QTest::keyClick(text, Qt::Key_Backspace);
    QCOMPARE(text->document()->blockCount(), 32);
    QCOMPARE(text->toPlainText().split(QLatin1Char('\n')), expected);
}

void TestInfoWindows::descrPlacementFollowsMain()
{
    // Both info windows open at fixed places of the main window: the
    // description window where the other secondary windows open.
    m_main->Window_Left = 1500;
    m_main->Window_Top = 2250;
    QWidget *descr = open(QStringLiteral("descr"));
    QVERIFY(descr);
    QCOMPARE(descr->pos(), QPoint(100, 150));
    descr->close();
    flushDeletes();
    descr = open(QStringLiteral("descr"));
    QVERIFY(descr);
    QCOMPARE(descr->pos(), QPoint(100, 150));
}

void TestInfoWindows::descrCloseMenu()
{
    QPointer<frmDescr> descr = static_cast<frmDescr *>(open(QStringLiteral("descr")));
    QVERIFY(descr);
    QAction *close = descr->mnuClose;
    QVERIFY(close);
    QCOMPARE(close->text(), QStringLiteral("Schliessen"));
    QVERIFY(!close->menu());                          // an item of the bar itself
    QVERIFY(descr->menuBar()->actions().contains(close));
    close->trigger();
    flushDeletes();
    QVERIFY(!descr);
    QVERIFY(m_main->isVisible());
}

void TestInfoWindows::singleInstance_data()
{
    QTest::addColumn<QString>("which");
    QTest::newRow("about") << "about";
    QTest::newRow("descr") << "descr";
}

void TestInfoWindows::singleInstance()
{
    QFETCH(QString, which);
    QWidget *first = open(which);
    QVERIFY(first);
    QWidget *second = open(which);
    QCOMPARE(second, first);
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += (w->isVisible() && w != m_main.get() && w->inherits(first->metaObject()->className()));
    QCOMPARE(count, 1);
}

void TestInfoWindows::modalAndClosedWithMain_data()
{
    QTest::addColumn<QString>("which");
    QTest::newRow("about") << "about";
    QTest::newRow("descr") << "descr";
}

void TestInfoWindows::modalAndClosedWithMain()
{
    QFETCH(QString, which);
    // Opened through the menu items, as the keys F1 and F12 do.
    if (which == QLatin1String("about"))
        m_main->mnuAbout->trigger();
    else
        m_main->mnuDescr->trigger();
    QPointer<QWidget> w = which == QLatin1String("about") ? static_cast<QWidget *>(frmAbout::current())
                                                          : static_cast<QWidget *>(frmDescr::current());
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QVERIFY(w->isWindow());
    QCOMPARE(w->windowModality(), Qt::ApplicationModal);
    QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
    // Shown without blocking: this line runs while the window is open.
    QVERIFY(w->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), w.data());

    m_main->close();
    flushDeletes();
    QVERIFY(!w);
    for (QWidget *t : QApplication::topLevelWidgets())
        QVERIFY2(!t->isVisible(), qPrintable(t->objectName()));
}

QTEST_MAIN(TestInfoWindows)
#include "test_info_windows.moc"
