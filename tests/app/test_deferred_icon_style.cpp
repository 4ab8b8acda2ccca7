// The application's style reads the extension buttons' icons only when they
// are drawn: a main window with a menu bar, shown, has not asked for them;
// once drawn they are the base style's own, read once. Other icons are the
// base style's at once.
#include "app/DeferredIconStyle.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QtTest>

namespace {

// The platform's style, counting the icons asked of it.
class CountingStyle : public QProxyStyle
{
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option, const QWidget *widget) const override
    {
        ++asked[icon];
        return QProxyStyle::standardIcon(icon, option, widget);
    }
    mutable QHash<int, int> asked;
};

} // namespace

class TestDeferredIconStyle : public QObject
{
    Q_OBJECT
private slots:
    void extensionIconsAreReadWhenDrawn()
    {
        auto *counting = new CountingStyle;
        QPointer<CountingStyle> alive(counting);
        auto *style = new DeferredIconStyle(counting);
        QApplication::setStyle(style);
        QVERIFY(alive);

        {
            QMainWindow window;
            window.menuBar()->addMenu(QStringLiteral("&Datei"))->addAction(QStringLiteral("Neu"));
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QCOMPARE(counting->asked.value(QStyle::SP_ToolBarHorizontalExtensionButton), 0);
        }

        for (const auto which : {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
            const QIcon deferred = style->standardIcon(which);
            QVERIFY(!deferred.isNull());
            QCOMPARE(counting->asked.value(which), 0);
            const QImage drawn = deferred.pixmap(QSize(16, 16)).toImage();
            QCOMPARE(counting->asked.value(which), 1);
            const QImage own = counting->QProxyStyle::standardIcon(which).pixmap(QSize(16, 16)).toImage();
            QVERIFY(!own.isNull());
            QCOMPARE(drawn, own);
            // Read once: drawn again, at another size or copied, it is not
            // asked for again.
            QCOMPARE(deferred.pixmap(QSize(32, 32)).toImage(),
                     counting->QProxyStyle::standardIcon(which).pixmap(QSize(32, 32)).toImage());
            QIcon copy = deferred;
            copy.pixmap(QSize(16, 16));
            QCOMPARE(counting->asked.value(which), 1);
        }

        style->standardIcon(QStyle::SP_DialogOkButton);
        QCOMPARE(counting->asked.value(QStyle::SP_DialogOkButton), 1);
    }
};

QTEST_MAIN(TestDeferredIconStyle)
#include "test_deferred_icon_style.moc"
