// main() of zandor_tests: runs the test class registered under the name
// given as the first argument, with the remaining arguments for QtTest.
#include "TestRegistry.h"

#include "base/Language.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <cstdio>
#include <map>
#include <string>

namespace {
std::map<std::string, TestRegistry::Runner> &registry()
{
    static std::map<std::string, TestRegistry::Runner> r;   // filled during static initialisation
    return r;
}

// A test answers the boxes it expects at once; a message box, input box or
// file dialog still open after graceMs came unexpected and would block until
// ctest's time-out: it is closed and the running test fails, naming it.
struct ModalGuard : QObject
{
    explicit ModalGuard(QObject *parent) : QObject(parent) { parent->installEventFilter(this); }
    bool eventFilter(QObject *o, QEvent *e) override
    {
        auto *m = qobject_cast<QMessageBox *>(o);
        auto *in = qobject_cast<QInputDialog *>(o);
        auto *f = qobject_cast<QFileDialog *>(o);
        if (e->type() != QEvent::Show || (!m && !in && !f))
            return false;
        auto *d = static_cast<QDialog *>(o);
        const int shown = d->property("timesShown").toInt() + 1;
        d->setProperty("timesShown", shown);
        QTimer::singleShot(ZANDOR_MODAL_GRACE_MS, d, [=] {
            if (!d->isVisible() || d->property("timesShown").toInt() != shown)
                return;
            const QString text = m ? m->text() : in ? in->labelText() : f->directory().path();
            const QByteArray what = QStringLiteral("unanswered %1 \"%2\": %3")
                .arg(QLatin1String(d->metaObject()->className()), d->windowTitle(), text.simplified()).toUtf8();
            d->reject();
            QTest::qFail(what.constData(), __FILE__, __LINE__);
        });
        return false;
    }
};
} // namespace

void TestRegistry::guardModalBoxes()
{
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
        new ModalGuard(app);
}

void TestRegistry::installLanguage()
{
    // A run meant to be English that would show the German texts ends here.
    const QString folder = QStringLiteral(ZANDOR_PROGRAM_DIR "/") + QLatin1String(Language::Folder);
    if (!Language::install(Language::system(), folder) && Language::system() == Language::Choice::English)
        qFatal("no English translation in %s", qPrintable(folder));
}

bool TestRegistry::add(const char *file, Runner run)
{
    std::string name = file;
    name = name.substr(name.find_last_of('/') + 1);
    return registry().emplace(name.substr(0, name.find('.')), run).second;
}

int main(int argc, char *argv[])
{
    const auto found = argc >= 2 ? registry().find(argv[1]) : registry().end();
    if (found == registry().end())
        return std::fprintf(stderr, "usage: zandor_tests <test file's base name> [QtTest options]\n"), 2;
    argv[1] = argv[0];   // QtTest sees the test's name as the program
    return found->second(argc - 1, argv + 1);
}
