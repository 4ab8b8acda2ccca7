// main() of zandor_tests: runs the test class registered under the name
// given as the first argument, with the remaining arguments for QtTest.
#include "TestRegistry.h"
#include "WindowTestSupport.h"

#include <cstdio>
#include <map>
#include <string>

namespace {
std::map<std::string, TestRegistry::Runner> &registry()
{
    static std::map<std::string, TestRegistry::Runner> r;
    return r;
}
} // namespace

void TestRegistry::guardModalBoxes()
{
#ifdef ZANDOR_SANITIZED
    const int graceMs = 15000;   // everything runs slower under the sanitizers
#else
    const int graceMs = 5000;
#endif
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
        new TestSupport::ModalGuard(graceMs, app);
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
    if (found == registry().end()) {
        std::fprintf(stderr, "usage: zandor_tests <test> [QtTest options]\ntests:");
        for (const auto &entry : registry())
            std::fprintf(stderr, " %s", entry.first.c_str());
        return std::fprintf(stderr, "\n"), 2;
    }
    argv[1] = argv[0];   // QtTest sees the test's name as the program
    return found->second(argc - 1, argv + 1);
}
