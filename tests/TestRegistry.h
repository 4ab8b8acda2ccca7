#pragma once
// All unit and window tests are linked into one executable, zandor_tests:
// each test file's QTEST_MAIN / QTEST_GUILESS_MAIN registers its test class
// under the file's base name instead of defining main(), and
//   zandor_tests test_board [QtTest options...]
// runs that one class. This header is included ahead of every test file.
#include <QtTest/QtTest>

namespace TestRegistry {
using Runner = int (*)(int argc, char **argv);
// Records a test class under a file's base name; false when the name is taken.
bool add(const char *file, Runner run);
// With a QApplication: fails the running test on a box nobody answers.
void guardModalBoxes();
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
        TestObject tc;                                                                                         \
        QTEST_SET_MAIN_SOURCE_PATH                                                                             \
        return QTest::qExec(&tc, argc, argv);                                                                  \
    }                                                                                                          \
    const bool registered = TestRegistry::add(__FILE__, &runTestClass);                                        \
    }

#define QTEST_MAIN(TestObject) ZANDOR_REGISTER_TEST(TestObject, QTEST_MAIN_SETUP())
#define QTEST_GUILESS_MAIN(TestObject) ZANDOR_REGISTER_TEST(TestObject, QTEST_QAPP_SETUP(QCoreApplication))
