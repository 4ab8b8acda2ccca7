#pragma once
// Included ahead of every test file, all linked into zandor_tests: QTEST_MAIN
// and QTEST_GUILESS_MAIN register the test class under the file's base name,
// and `zandor_tests <name> [QtTest options]` runs it.
#include <QtTest/QtTest>

namespace TestRegistry {
using Runner = int (*)(int argc, char **argv);
bool add(const char *file, Runner run);
void guardModalBoxes();   // with a QApplication: a box left unanswered fails the test
void installLanguage();   // the translation the system's settings choose, as the game installs it
} // namespace TestRegistry

#undef QTEST_MAIN
#undef QTEST_GUILESS_MAIN
#define ZANDOR_REGISTER_TEST(TestObject, ...)                                                                \
    namespace {                                                                                                \
    int runTestClass(int argc, char *argv[])                                                                   \
    {                                                                                                          \
        QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();                                     \
        __VA_ARGS__                                                                                            \
        TestRegistry::guardModalBoxes();                                                                       \
        TestRegistry::installLanguage();                                                                       \
        TestObject tc;                                                                                         \
        QTEST_SET_MAIN_SOURCE_PATH                                                                             \
        return QTest::qExec(&tc, argc, argv);                                                                  \
    }                                                                                                          \
    const bool registered = TestRegistry::add(__FILE__, &runTestClass);                                        \
    }
#define QTEST_MAIN(TestObject) ZANDOR_REGISTER_TEST(TestObject, QTEST_MAIN_SETUP())
#define QTEST_GUILESS_MAIN(TestObject) ZANDOR_REGISTER_TEST(TestObject, QTEST_QAPP_SETUP(QCoreApplication))
